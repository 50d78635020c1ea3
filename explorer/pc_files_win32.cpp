#include "explorer/pc_files.h"
#include "common/wide_text.h"

#include <algorithm>
#include <cerrno>
#include <io.h>
#include <system_error>
#include <utility>
#include <windows.h>

namespace explorer {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::time_t TimeOf(const FILETIME& time)
{
    // 100 ns ticks since 1601 to seconds since 1970.
    uint64_t ticks = (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return std::time_t(ticks / 10000000 - 11644473600ULL);
}

uint64_t Join(DWORD high, DWORD low) { return (uint64_t(high) << 32) | low; }

int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    default:
        return EIO;
    }
}

HANDLE Handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace


// Drive names and both separators: std::filesystem knows them better than a string search.
std::string PcChildPath(const std::string& folder, const std::string& name)
{
    return PcPathString(PcFsChild(folder, name));
}

std::string PcBaseName(const std::string& path) { return PcPathString(PcFsPath(path).filename()); }

bool StatPcPath(const std::string& path, PcEntryInfo& info)
{
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        errno = ErrnoOf(GetLastError());
        return false;
    }
    BY_HANDLE_FILE_INFORMATION data{};
    bool ok = GetFileInformationByHandle(file, &data);
    errno = ok ? errno : ErrnoOf(GetLastError());
    CloseHandle(file);
    if (!ok)
        return false;
    bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    info = {!folder && !(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE),
            folder,
            folder ? 0 : Join(data.nFileSizeHigh, data.nFileSizeLow),
            TimeOf(data.ftLastWriteTime),
            data.dwVolumeSerialNumber,
            Join(data.nFileIndexHigh, data.nFileIndexLow)};
    return true;
}

bool PcNameExists(const std::string& path)
{
    return GetFileAttributesW(WideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The attributes say nothing of who may read: the file is opened for reading to find out.
int PcReadError(const std::string& path)
{
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ErrnoOf(GetLastError());
    CloseHandle(file);
    return 0;
}

int PcFolderWriteError(const std::string& folder)
{
    return _waccess(WideFromUtf8(folder).c_str(), 2) == 0 ? 0 : errno;
}

bool ForEachPcEntry(const std::string& folder, const PcEntryVisitor& visit, bool checkRead)
{
    std::string pattern = folder.ends_with('/') || folder.ends_with('\\') ? folder + "*" : folder + "\\*";
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(WideFromUtf8(pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::string name = Utf8FromWide(found.cFileName);
        if (name == ".")
            continue;
        bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        PcEntryInfo info{!isFolder, isFolder, isFolder ? 0 : Join(found.nFileSizeHigh, found.nFileSizeLow),
                         TimeOf(found.ftLastWriteTime)};
        // A link is shown as what it leads to.
        bool known = !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                     StatPcPath(folder + "/" + name, info);
        if (checkRead && known && info.isFile)
            info.readError = PcReadError(folder + "/" + name);
        if (!visit(name, known ? &info : nullptr))
            break;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

std::string PcHomeFolder()
{
    const wchar_t* profile = _wgetenv(L"USERPROFILE");
    std::string home = profile && *profile ? Utf8FromWide(profile) : "C:/";
    std::replace(home.begin(), home.end(), '\\', '/');
    return home;
}

std::optional<std::string> DeviceLibraryPcPath(const std::string& path)
{
    if (GetACP() == CP_UTF8)
        return path;
    std::wstring wide = WideFromUtf8(path);
    if (wide.empty())
        return std::string();
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), nullptr, 0, nullptr,
                                &lossy);
    std::string narrow(size_t(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), narrow.data(), n, nullptr,
                        &lossy);
    if (lossy || n == 0)
        return std::nullopt;
    return narrow;
}

bool PcFile::OpenSource(const std::string& path)
{
    Close();
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Fail();
    m_Handle = reinterpret_cast<intptr_t>(file);
    BY_HANDLE_FILE_INFORMATION data{};
    if (!GetFileInformationByHandle(file, &data)) {
        Fail();
        Close();
        return false;
    }
    // A pipe or a device would be read until it ends, if ever.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || GetFileType(file) != FILE_TYPE_DISK) {
        Close();
        m_Failure = "not a regular file";
        return false;
    }
    m_Size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    return true;
}

bool PcFile::CreateDestination(const std::string& path, const PcFile&)
{
    Close();
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    m_Handle = reinterpret_cast<intptr_t>(file);
    return file != INVALID_HANDLE_VALUE || Fail();
}

int64_t PcFile::Read(char* buffer, size_t size)
{
    DWORD got = 0;
    DWORD want = DWORD(std::min<size_t>(size, 1u << 30));
    return ReadFile(Handle(m_Handle), buffer, want, &got, nullptr) || Fail() ? int64_t(got) : -1;
}

bool PcFile::WriteAll(const char* data, size_t size)
{
    while (size > 0) {
        DWORD put = 0;
        DWORD want = DWORD(std::min<size_t>(size, 1u << 30));
        if (!WriteFile(Handle(m_Handle), data, want, &put, nullptr) || put == 0)
            return Fail();
        data += put;
        size -= put;
    }
    return true;
}

bool PcFile::Close()
{
    if (m_Handle == -1)
        return true;
    return CloseHandle(Handle(std::exchange(m_Handle, -1))) || Fail();
}

bool PcFile::Fail()
{
    m_Failure = std::system_category().message(int(GetLastError()));
    return false;
}

}  // namespace explorer
