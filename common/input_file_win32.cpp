#include "common/input_file.h"

#include <cerrno>
#include <cstring>

// Windows has no FIFO to stall an open, but a device name (NUL, COM1) or a pipe opens as
// something else than a file: only what the file system calls a regular file is read.
StdioFile OpenRegularInput(const std::filesystem::path& path, uint64_t& size, std::string& reason)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) {
        reason = status.type() == std::filesystem::file_type::not_found ? std::strerror(ENOENT) : error.message();
        return StdioFile(nullptr, &std::fclose);
    }
    if (!std::filesystem::is_regular_file(status)) {
        reason = FileKindText(status.type()) + ", not a regular file";
        return StdioFile(nullptr, &std::fclose);
    }
    StdioFile file = OpenStdioFile(path, "rb");
    if (!file) {
        reason = std::strerror(errno);
        return file;
    }
    size = std::filesystem::file_size(path, error);
    return file;
}
