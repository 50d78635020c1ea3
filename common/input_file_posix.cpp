#include "common/input_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::filesystem::file_type TypeOf(mode_t mode)
{
    using std::filesystem::file_type;
    switch (mode & S_IFMT) {
    case S_IFDIR: return file_type::directory;
    case S_IFIFO: return file_type::fifo;
    case S_IFSOCK: return file_type::socket;
    case S_IFCHR: return file_type::character;
    case S_IFBLK: return file_type::block;
    default: return file_type::unknown;
    }
}

}  // namespace

StdioFile OpenRegularInput(const std::filesystem::path& path, uint64_t& size, std::string& reason)
{
    StdioFile none(nullptr, &std::fclose);
    // O_NONBLOCK lets a FIFO without a writer open at once; it goes again before reading.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = std::strerror(errno);
        return none;
    }
    struct stat st {};
    int flags = 0;
    std::FILE* stream = nullptr;
    if (::fstat(fd, &st) != 0)
        reason = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        reason = FileKindText(TypeOf(st.st_mode)) + ", not a regular file";
    else if ((flags = ::fcntl(fd, F_GETFL)) < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
             !(stream = ::fdopen(fd, "rb")))
        reason = std::strerror(errno);
    if (!stream) {
        ::close(fd);
        return none;
    }
    size = uint64_t(st.st_size);
    return StdioFile(stream, &std::fclose);
}
