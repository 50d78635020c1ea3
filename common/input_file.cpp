#include "common/input_file.h"

#include "common/trace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Refuse(FileFailure* failure, const std::filesystem::path& path, std::string reason)
{
    FileFailure refused{path, std::move(reason)};
    Trace("input refused: %s", refused.Describe().c_str());
    if (failure)
        *failure = std::move(refused);
    return false;
}

std::string SizeText(uint64_t bytes)
{
    return bytes % (1 << 20) == 0 ? std::to_string(bytes >> 20) + " MiB" : std::to_string(bytes) + " bytes";
}

}  // namespace

std::string FileKindText(unsigned mode)
{
    switch (mode & S_IFMT) {
    case S_IFDIR: return "a folder";
    case S_IFIFO: return "a FIFO";
    case S_IFSOCK: return "a socket";
    case S_IFCHR:
    case S_IFBLK: return "a device";
    default: return "a special file";
    }
}

CInputFile::CInputFile(CInputFile&& other) noexcept : m_Fd(other.m_Fd), m_Size(other.m_Size) { other.m_Fd = -1; }

CInputFile& CInputFile::operator=(CInputFile&& other) noexcept
{
    if (this != &other) {
        Close();
        m_Fd = other.m_Fd;
        m_Size = other.m_Size;
        other.m_Fd = -1;
    }
    return *this;
}

CInputFile::~CInputFile() { Close(); }

void CInputFile::Close()
{
    if (m_Fd >= 0)
        ::close(m_Fd);
    m_Fd = -1;
}

bool CInputFile::Open(const std::filesystem::path& path, FileFailure* failure)
{
    Close();
    // O_NONBLOCK lets a FIFO without a writer open at once; it goes again before reading.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return Refuse(failure, path, std::strerror(errno));
    struct stat st {};
    std::string reason;
    int flags = 0;
    if (::fstat(fd, &st) != 0)
        reason = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        reason = FileKindText(st.st_mode) + ", not a regular file";
    else if ((flags = ::fcntl(fd, F_GETFL)) < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        reason = std::strerror(errno);
    if (!reason.empty()) {
        ::close(fd);
        return Refuse(failure, path, reason);
    }
    m_Fd = fd;
    m_Size = uint64_t(st.st_size);
    return true;
}

std::FILE* CInputFile::Release()
{
    std::FILE* stream = m_Fd >= 0 ? ::fdopen(m_Fd, "rb") : nullptr;
    if (stream)
        m_Fd = -1;
    return stream;
}

bool ReadInputFile(const std::filesystem::path& path, uint64_t limit, std::string& bytes, FileFailure* failure)
{
    bytes.clear();
    CInputFile file;
    if (!file.Open(path, failure))
        return false;
    if (file.Size() > limit)
        return Refuse(failure, path, "larger than " + SizeText(limit));
    bytes.resize(size_t(file.Size()));
    uint64_t got = 0;
    // One byte past the limit tells a file that grew beyond it.
    for (;;) {
        if (got == bytes.size())
            bytes.resize(size_t(std::min<uint64_t>(limit + 1, std::max<uint64_t>(got * 2, 4096))));
        ssize_t n = ::read(file.Fd(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Refuse(failure, path, std::strerror(errno));
        if (n == 0)
            break;
        got += uint64_t(n);
        if (got > limit)
            return Refuse(failure, path, "larger than " + SizeText(limit));
    }
    bytes.resize(size_t(got));
    return true;
}
