// Paths are the system's 8-bit code page, like every path the explorer hands the device library.
#include "explorer/pc_files.h"

#include <cerrno>
#include <io.h>
#include <windows.h>

namespace explorer {

namespace {

std::time_t TimeOf(const FILETIME& time)
{
    // 100 ns ticks since 1601 to seconds since 1970.
    uint64_t ticks = (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return std::time_t(ticks / 10000000 - 11644473600ULL);
}

}  // namespace

bool StatPcPath(const std::string& path, PcEntryInfo& info)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION data{};
    bool ok = GetFileInformationByHandle(file, &data);
    CloseHandle(file);
    if (!ok)
        return false;
    bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    info = {!folder && !(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE),
            folder,
            folder ? 0 : (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
            TimeOf(data.ftLastWriteTime),
            data.dwVolumeSerialNumber,
            (uint64_t(data.nFileIndexHigh) << 32) | data.nFileIndexLow};
    return true;
}

int PcReadError(const std::string& path)
{
    return _access(path.c_str(), 4) == 0 ? 0 : errno;
}

bool ForEachPcEntry(const std::string& folder, const PcEntryVisitor& visit)
{
    std::string pattern = folder.ends_with('/') || folder.ends_with('\\') ? folder + "*" : folder + "\\*";
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::string name = found.cFileName;
        if (name == ".")
            continue;
        bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        PcEntryInfo info{!isFolder,
                         isFolder,
                         isFolder ? 0 : (uint64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow,
                         TimeOf(found.ftLastWriteTime)};
        if (!visit(name, &info))
            break;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

std::tm PcLocalTime(std::time_t time)
{
    std::tm tm{};
    localtime_s(&tm, &time);
    return tm;
}

}  // namespace explorer
