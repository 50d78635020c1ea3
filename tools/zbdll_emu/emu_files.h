// The emulator's reach into the PC folder that plays the disk, as each system offers it:
// what an entry is, and the two files of one copy task.
#pragma once
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

struct EmuFileInfo {
    bool folder = false;
    uint64_t size = 0;
    std::time_t modified = 0;
};

// A PC path as the library's callers give it: the system's 8-bit code page on Windows.
std::filesystem::path EmuPcPath(const char* path);
// The disk's names are the PVR's: the bytes the explorer sends (UTF-8 from ours) on every
// system. A PVR name (or a path for the emulator's own words) as the PC's file system takes
// it, and a PC name back.
std::filesystem::path EmuDiskName(const std::string& pvrName);
std::string EmuPvrName(const std::filesystem::path& diskName);
// ZBDLL_SIM_ROOT as the system names folders (wide on Windows); nullopt when unset or empty.
std::optional<std::filesystem::path> EmuRootVariable();
// Links are followed; nullopt when the entry cannot be looked at.
std::optional<EmuFileInfo> EmuStat(const std::filesystem::path& path);
std::tm EmuUtcTime(std::time_t time);

// The source and destination of one copy. Byte ranges go from one to the same place in
// the other; holes of the source are found so that they stay holes where the system keeps them.
class EmuCopyFiles {
public:
    // Opens a regular source and the destination (made when missing). A destination that
    // is the source itself is refused, and one of another size is cut to offset. Null on failure.
    static std::unique_ptr<EmuCopyFiles> Open(const std::filesystem::path& from, const std::filesystem::path& to,
                                              uint64_t offset);
    virtual ~EmuCopyFiles() = default;
    virtual uint64_t SourceSize() const = 0;
    // True when the source has no holes to look for.
    virtual bool Dense() const = 0;
    // The next data of the source at or after `at`; nullopt when only a hole remains.
    virtual std::optional<uint64_t> NextData(uint64_t at) = 0;
    // The end of the data run that starts at `at`, no further than stop.
    virtual uint64_t DataEnd(uint64_t at, uint64_t stop) = 0;
    virtual bool Move(uint64_t at, size_t count) = 0;
    virtual bool SetDestinationSize(uint64_t size) = 0;
};
