// The list of the loader's USB devices, read the same way by the programs and by the udev
// helper that grants access: a line holds VID:PID pairs separated by blanks or commas, each
// number hexadecimal with or without 0x and at most ffff, blanks allowed around the colon;
// # starts a comment; CRLF line ends and a leading byte-order mark are taken. A bad entry is
// named with its source and line and skipped; the good ones around it still count.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using UsbDeviceIds = std::vector<std::pair<uint16_t, uint16_t>>;

// The system-wide list that the package installs.
inline const std::filesystem::path kSystemUsbIdsFile = "/etc/orvanel/usb-devices";

struct UsbIdProblem {
    std::string source;   // a file, or a variable of the environment
    int line = 0;         // 0 when the source has no lines or cannot be read at all
    std::string value;    // the entry as written; empty when the source cannot be read
    std::string reason;   // empty: the entry is not a VID:PID pair

    // "SOURCE:LINE: \"VALUE\" is not a VID:PID pair; ignored"
    std::string Describe() const;
};

struct UsbIdList {
    UsbDeviceIds ids;   // each pair once, in the order first listed
    std::vector<UsbIdProblem> problems;

    void Add(uint16_t idVendor, uint16_t idProduct);
    bool Lists(uint16_t idVendor, uint16_t idProduct) const;
};

// One number as a user or the kernel writes it: hexadecimal, 0x allowed, at most ffff.
[[nodiscard]] bool ParseUsbIdNumber(std::string_view text, uint16_t& value);
// The pairs of one line (line 0: a source without lines, such as a variable).
void ParseUsbIdLine(std::string_view text, const std::string& source, int line, UsbIdList& list);
// Every line of a list file's bytes.
void ParseUsbIdText(std::string_view text, const std::string& source, UsbIdList& list);
// A list file through the safe opener: a missing file adds nothing, one that cannot be read
// (a FIFO, a device, too large) is a problem of its own.
void ReadUsbIdFile(const std::filesystem::path& path, UsbIdList& list);
// The profile's UsbDevices entry (an INI file, blanks around = allowed, the value may be quoted).
void ReadProfileUsbIds(const std::filesystem::path& iniFile, UsbIdList& list);
