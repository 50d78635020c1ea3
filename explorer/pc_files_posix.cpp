#include "explorer/pc_files.h"
#include "common/fd_io.h"
#include "common/input_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace explorer {

namespace {

PcEntryInfo InfoOf(const struct stat& st)
{
    return {S_ISREG(st.st_mode), S_ISDIR(st.st_mode), uint64_t(st.st_size), st.st_mtime, uint64_t(st.st_dev),
            uint64_t(st.st_ino)};
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace


std::string PcChildPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

std::string PcBaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool StatPcPath(const std::string& path, PcEntryInfo& info)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    info = InfoOf(st);
    return true;
}

bool PcNameExists(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

int PcReadError(const std::string& path)
{
    return faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0 ? 0 : errno;
}

int PcFolderWriteError(const std::string& folder)
{
    return access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

bool ForEachPcEntry(const std::string& folder, const PcEntryVisitor& visit, bool checkRead)
{
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir)
        return false;
    while (dirent* entry = readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name == ".")
            continue;
        struct stat st {};
        bool known = fstatat(dirfd(dir.get()), name.c_str(), &st, 0) == 0;
        PcEntryInfo info = known ? InfoOf(st) : PcEntryInfo{};
        // Relative to the open folder: one step of the path, not all of them, per file.
        if (checkRead && info.isFile && faccessat(dirfd(dir.get()), name.c_str(), R_OK, AT_EACCESS) != 0)
            info.readError = errno;
        if (!visit(name, known ? &info : nullptr))
            break;
    }
    return true;
}

std::string PcHomeFolder()
{
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/";
}

std::optional<std::string> DeviceLibraryPcPath(const std::string& path) { return path; }

bool PcFile::OpenSource(const std::string& path)
{
    Close();
    StdioFile stream = OpenRegularInput(PcFsPath(path), m_Size, m_Failure);
    if (!stream)
        return false;
    struct stat st {};
    int fd = ::dup(::fileno(stream.get()));
    if (fd < 0)
        return Fail();
    m_Handle = fd;
    if (::fstat(fd, &st) != 0) {
        Fail();
        Close();
        return false;
    }
    m_Mode = st.st_mode & 07777;
    return true;
}

bool PcFile::CreateDestination(const std::string& path, const PcFile& source)
{
    Close();
    m_Handle = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.m_Mode);
    return m_Handle >= 0 || Fail();
}

int64_t PcFile::Read(char* buffer, size_t size)
{
    for (;;) {
        ssize_t n = ::read(int(m_Handle), buffer, size);
        if (n >= 0 || errno != EINTR)
            return n >= 0 || Fail() ? n : -1;
    }
}

bool PcFile::WriteAll(const char* data, size_t size)
{
    return WriteAllToFd(int(m_Handle), data, size) || Fail();
}

bool PcFile::Close()
{
    if (m_Handle < 0)
        return true;
    return ::close(int(std::exchange(m_Handle, -1))) == 0 || Fail();
}

bool PcFile::Fail()
{
    m_Failure = std::strerror(errno);
    return false;
}

}  // namespace explorer
