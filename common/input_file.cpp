#include "common/input_file.h"

#include "common/trace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

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

std::string FileKindText(std::filesystem::file_type type)
{
    using std::filesystem::file_type;
    switch (type) {
    case file_type::directory: return "a folder";
    case file_type::fifo: return "a FIFO";
    case file_type::socket: return "a socket";
    case file_type::character:
    case file_type::block: return "a device";
    default: return "a special file";
    }
}

bool CInputFile::Open(const std::filesystem::path& path, FileFailure* failure)
{
    std::string reason;
    m_File = OpenRegularInput(path, m_Size, reason);
    return m_File ? true : Refuse(failure, path, reason);
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
        size_t n = std::fread(bytes.data() + got, 1, bytes.size() - got, file.m_File.get());
        if (n == 0 && std::ferror(file.m_File.get()))
            return Refuse(failure, path, std::strerror(errno));
        if (n == 0)
            break;
        got += n;
        if (got > limit)
            return Refuse(failure, path, "larger than " + SizeText(limit));
    }
    bytes.resize(size_t(got));
    return true;
}
