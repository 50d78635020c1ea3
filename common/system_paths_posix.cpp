#include "common/system_paths.h"

#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

std::filesystem::path PathFromUtf8(std::string_view text)
{
    return std::filesystem::path(std::string(text));
}

std::string Utf8Path(const std::filesystem::path& path)
{
    return path.string();
}

StdioFile OpenStdioFile(const std::filesystem::path& path, const char* mode)
{
    return StdioFile(std::fopen(path.c_str(), mode), &std::fclose);
}

StdioFile OpenStdioFileNoFollow(const std::filesystem::path& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    if (fd >= 0 && !file)
        ::close(fd);
    return StdioFile(file, &std::fclose);
}

bool OpenFileSize(std::FILE* file, uint64_t& size)
{
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0)
        return false;
    size = uint64_t(st.st_size);
    return true;
}

std::filesystem::path UserStateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return state;
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* user = ::getpwuid(::getuid());
        home = user ? user->pw_dir : nullptr;
    }
    if (!home || home[0] != '/')
        return {};
    return std::filesystem::path(home) / ".local" / "state";
}

std::string ProgramFolder()
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path().string();
}

std::string PackagedLibraryPath(const std::string& programDir, const std::string& fileName)
{
    namespace fs = std::filesystem;
    if (programDir.empty())
        return "";
    std::error_code error;
    for (const fs::path& candidate : {fs::path(programDir) / ".." / "lib" / "orvanel" / fileName,
                                      fs::path(programDir) / fileName}) {
        if (fs::exists(candidate, error))
            return candidate.lexically_normal().string();
    }
    return "";
}

std::tm LocalTime(std::time_t time)
{
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}
