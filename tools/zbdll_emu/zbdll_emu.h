// The ZbDll emulator: every ZbDll function played against a PC folder that stands for the
// PVR's hard disk. Configured from the environment at InitDevice (ZBDLL_SIM_ROOT, a folder
// that must exist, default EmuDefaultRoot(); ZBDLL_SIM_VERSION,
// and the faults ZBDLL_SIM_FAIL_COPY=once|always|N,
// ZBDLL_SIM_CORRUPT_LISTING=packet index, ZBDLL_SIM_SLOW_MS=pause per chunk,
// ZBDLL_SIM_DROP_AFTER=chunks; ZBDLL_SIM_PLUG=file: the STB is plugged in while that file
// exists, and arrives or goes away as it appears or disappears) or through the calls below.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct EmuFaults {
    int failCopies = 0;             // the next N copy tasks break halfway; -1: every one
    int corruptListingPacket = -1;  // the packet of this index of the next listing gets a bad checksum
    int corruptListings = 1;        // ... and of this many listings in a row
    unsigned chunkDelayMs = 0;      // slow copies: a pause after every chunk
    uint32_t chunkBytes = 1 << 20;
    int dropAfterChunks = -1;       // the device goes away after this many chunks of the next copy
    bool holdCopies = false;        // copy tasks wait before their first byte until released or cancelled
    uint32_t holdCommand = 0;       // a command of this code, after holdSkip of them, waits for EmuReleaseCommands
    int holdSkip = 0;
    uint32_t readCountExtra = 0;    // UsbRead reports this many bytes more than it copied
    bool instantCopies = false;     // copy tasks copy nothing and end at once, noticed from the starting call
};

struct EmuTaskRecord {
    std::string from;  // host paths
    std::string to;
    uint64_t offset = 0;
};

// The folder used when ZBDLL_SIM_ROOT is not set: zbdll-sim in %LOCALAPPDATA% on Windows,
// elsewhere under $XDG_DATA_HOME or ~/.local/share.
std::filesystem::path EmuDefaultRoot();
// A fresh device on that folder (created with the system folders when empty): attached,
// not yet opened, no faults, no notices registered.
void EmuReset(const std::string& root, uint16_t version);
void EmuSetFaults(const EmuFaults& faults);
// The next folder listing is answered with exactly these packets, one per UsbRead.
void EmuScriptListing(std::vector<std::vector<uint8_t>> packets);
// The next command, whatever its code, is answered with exactly these packets.
void EmuScriptReplies(std::vector<std::vector<uint8_t>> packets);
// A command waits as EmuFaults::holdCommand asked; release lets it go on.
bool EmuCommandHeld();
void EmuReleaseCommands();
void EmuSetFreeKb(std::optional<uint32_t> freeKb);
void EmuSetTotalKb(std::optional<uint32_t> totalKb);
// The STB goes away: a running copy fails, the removal notice (6001) goes out.
void EmuDropDevice();
// The STB comes back: the arrival notice (6000) goes out.
void EmuAttachDevice();
bool EmuTaskActive();
// Lets held copy tasks go on.
void EmuReleaseCopies();
std::vector<EmuTaskRecord> EmuTaskLog();
std::vector<uint32_t> EmuCommandLog();
bool EmuTurbo();

// Packet builders, the device's own formats.
std::vector<uint8_t> EmuMakeReply(uint32_t code, const std::vector<uint8_t>& payload);
std::vector<uint8_t> EmuMakeEntry(const std::string& name, bool isFolder, uint64_t size, uint16_t mjd, uint8_t hour,
                                  uint8_t minute);
