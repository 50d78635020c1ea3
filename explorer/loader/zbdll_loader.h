// The device library chosen when the program starts: the functions of explorer/zbdll.h
// are answered by whichever library is loaded here (dlopen), and fail quietly while none
// is (no STB then ever arrives).
//
// Which library: --emulate DIR (the emulator on that folder), else BEXORA_DEVICE_LIBRARY,
// else the emulator when ZBDLL_SIM_ROOT is set, else the profile's DeviceLibrary entry.
#pragma once
#include <string>

namespace explorer {

inline constexpr char kNoDeviceLibraryText[] =
    "No device library is configured, so the PVR cannot be reached.\n"
    "Set BEXORA_DEVICE_LIBRARY=/path/to/library.so, or DeviceLibrary=/path/to/library.so in "
    "~/.config/Bexora/bexora.ini. To try the emulator without an STB, start \"Bexora (Demo Disk)\" "
    "from the menu (bexora --demo), or start with --emulate FOLDER.";

struct DeviceLibraryChoice {
    std::string emulateRoot{};   // --emulate DIR
    std::string profileEntry{};  // the profile's DeviceLibrary=
    std::string programDir{};    // where the program lies: the emulator is looked for beside it
};

struct DeviceLibraryResult {
    bool loaded = false;
    std::string path;
    std::string message;   // for the user when nothing was loaded
};

// The emulator library as installed with the program (../lib/orvanel), else beside it, where
// the build tree links it; on Windows ZbDll.dll beside the program. Empty when there is none.
std::string EmulatorLibraryPath(const std::string& programDir);
// What a command-line program loads when no library is named: ZbDll.dll beside it on
// Windows (the STB's own, or the emulator built under that name), elsewhere the emulator.
std::string DefaultDeviceLibraryPath(const std::string& programDir);

// Loads the library at path and resolves every function, or loads nothing and says why
// (the first missing function by name).
DeviceLibraryResult LoadZbDll(const std::string& path);

// Chooses as the header says and loads; --emulate sets ZBDLL_SIM_ROOT for the emulator.
DeviceLibraryResult LoadDeviceLibrary(const DeviceLibraryChoice& choice);

// Forgets the loaded library (which stays mapped); the functions fail quietly again.
void UnloadZbDll();

}  // namespace explorer
