// Windows keeps no holes the emulator looks for: every source is copied whole, through a buffer.
#include "tools/zbdll_emu/emu_files.h"
#include "common/win32_handle.h"
#include "tools/zbdll_emu/zbdll_emu.h"

#include <cstdlib>

#include <windows.h>

namespace {

// A NUL-terminated 8-bit text in code page as a wide one (invalid bytes become U+FFFD).
std::wstring WideOf(UINT codePage, const char* text)
{
    int n = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(codePage, 0, text, -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return wide;
}

bool InfoOf(HANDLE file, BY_HANDLE_FILE_INFORMATION& info)
{
    return GetFileInformationByHandle(file, &info);
}

uint64_t SizeOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

std::time_t TimeOf(const FILETIME& time)
{
    // 100 ns ticks since 1601 to seconds since 1970.
    uint64_t ticks = (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return std::time_t(ticks / 10000000 - 11644473600ULL);
}

OVERLAPPED At(uint64_t offset)
{
    OVERLAPPED where{};
    where.Offset = DWORD(offset);
    where.OffsetHigh = DWORD(offset >> 32);
    return where;
}

class Win32CopyFiles : public EmuCopyFiles {
public:
    Win32CopyFiles(HANDLE in, HANDLE out, uint64_t size) : m_In(in), m_Out(out), m_SourceSize(size) {}

    uint64_t SourceSize() const override { return m_SourceSize; }
    bool Dense() const override { return true; }
    std::optional<uint64_t> NextData(uint64_t at) override { return at; }
    uint64_t DataEnd(uint64_t, uint64_t stop) override { return stop; }

    bool Move(uint64_t at, size_t count) override
    {
        if (m_Size < count) {
            m_Buffer = std::make_unique_for_overwrite<char[]>(count);
            m_Size = count;
        }
        while (count > 0) {
            DWORD want = count > 0x40000000 ? 0x40000000 : DWORD(count), got = 0, put = 0;
            OVERLAPPED from = At(at), to = At(at);
            if (!ReadFile(m_In.Get(), m_Buffer.get(), want, &got, &from) || got == 0)
                return false;  // a read error, or the source ended early
            if (!WriteFile(m_Out.Get(), m_Buffer.get(), got, &put, &to) || put != got)
                return false;
            at += got;
            count -= got;
        }
        return true;
    }

    bool SetDestinationSize(uint64_t size) override
    {
        FILE_END_OF_FILE_INFO end{};
        end.EndOfFile.QuadPart = LONGLONG(size);
        return SetFileInformationByHandle(m_Out.Get(), FileEndOfFileInfo, &end, sizeof end);
    }

private:
    CWin32Handle m_In, m_Out;
    uint64_t m_SourceSize;
    std::unique_ptr<char[]> m_Buffer;
    size_t m_Size = 0;
};

}  // namespace

std::unique_ptr<EmuCopyFiles> EmuCopyFiles::Open(const std::filesystem::path& from, const std::filesystem::path& to,
                                                 uint64_t offset)
{
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    CWin32Handle in(CreateFileW(from.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION source{}, destination{};
    if (!in.Valid() || !InfoOf(in.Get(), source) || (source.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        offset > SizeOf(source))
        return nullptr;
    CWin32Handle out(CreateFileW(to.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.Valid() || !InfoOf(out.Get(), destination) ||
        (destination.dwVolumeSerialNumber == source.dwVolumeSerialNumber &&
         destination.nFileIndexHigh == source.nFileIndexHigh && destination.nFileIndexLow == source.nFileIndexLow))
        return nullptr;
    auto files = std::make_unique<Win32CopyFiles>(in.Release(), out.Release(), SizeOf(source));
    if (SizeOf(destination) != offset && !files->SetDestinationSize(offset))
        return nullptr;
    return files;
}

std::filesystem::path EmuPcPath(const char* path)
{
    return WideOf(CP_ACP, path);
}

std::filesystem::path EmuDiskName(const std::string& pvrName)
{
    return WideOf(CP_UTF8, pvrName.c_str());
}

std::string EmuPvrName(const std::filesystem::path& diskName)
{
    const std::wstring& wide = diskName.native();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string name(size_t(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), name.data(), n, nullptr, nullptr);
    return name;
}

std::optional<std::filesystem::path> EmuRootVariable()
{
    const wchar_t* root = _wgetenv(L"ZBDLL_SIM_ROOT");
    return root && *root ? std::optional<std::filesystem::path>(root) : std::nullopt;
}

std::filesystem::path EmuDefaultRoot()
{
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    return (local && *local ? std::filesystem::path(local) : std::filesystem::path(L".")) / L"zbdll-sim";
}

std::optional<EmuFileInfo> EmuStat(const std::filesystem::path& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    return EmuFileInfo{folder, (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow, TimeOf(data.ftLastWriteTime)};
}

std::tm EmuUtcTime(std::time_t time)
{
    std::tm tm{};
    gmtime_s(&tm, &time);
    return tm;
}
