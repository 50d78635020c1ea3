#include "common/system_paths.h"

#include <cerrno>
#include <cstdlib>
#include <string>

StdioFile OpenStdioFile(const std::filesystem::path& path, const char* mode)
{
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return StdioFile(::_wfopen(path.c_str(), wideMode.c_str()), &std::fclose);
}

StdioFile OpenStdioFileNoFollow(const std::filesystem::path& path)
{
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) {
        errno = ELOOP;
        return StdioFile(nullptr, &std::fclose);
    }
    return OpenStdioFile(path, "rb");
}

std::filesystem::path UserStateFolder()
{
    const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
    return local && *local ? std::filesystem::path(local) : std::filesystem::path();
}

std::tm LocalTime(std::time_t time)
{
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}
