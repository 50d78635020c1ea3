#include "common/system_paths.h"
#include "common/wide_text.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <string>
#include <windows.h>

std::filesystem::path PathFromUtf8(std::string_view text)
{
    return WideFromUtf8(text);
}

std::string Utf8Path(const std::filesystem::path& path)
{
    return Utf8FromWide(path.native());
}

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

// The C library's stat is 32 bits wide here: a 4 GiB image would pass for a small one.
bool OpenFileSize(std::FILE* file, uint64_t& size)
{
    struct _stat64 st {};
    if (::_fstat64(::_fileno(file), &st) != 0)
        return false;
    size = uint64_t(st.st_size);
    return true;
}

std::filesystem::path UserStateFolder()
{
    const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
    return local && *local ? std::filesystem::path(local) : std::filesystem::path();
}

std::string ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD n;
    while ((n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()))) == path.size())
        path.resize(path.size() * 2);
    path.resize(n);
    return Utf8FromWide(std::filesystem::path(path).parent_path().native());
}

std::tm LocalTime(std::time_t time)
{
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}
