// The link settings and their file mode.cfg: 3 bytes, a check byte (byte 1 + byte 2),
// the link mode (non-zero USB) and the serial port (non-zero COM2). A serial device chosen
// by its path follows the 3 bytes, which then say COM1, so that a reader of the 3 bytes
// alone still finds a valid file.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

struct LinkSettings {
    bool bUsb = true;
    bool bCom2 = false;
    std::string device{};   // a serial device by its path; empty: COM1 or COM2

    std::string PortName() const { return !device.empty() ? device : bCom2 ? "COM2" : "COM1"; }
    uint16_t PortIndex() const { return bCom2 ? 1 : 0; }
    // "COM1", "COM2" or a device (CanonicalSerialPort); false for anything else.
    [[nodiscard]] bool SetPort(const std::string& port);
};

inline const std::filesystem::path kModeConfigPath = "./mode.cfg";

// A missing, short or inconsistent file gives USB mode (COM1 when the check fails). A
// device path after the 3 bytes is taken when it is absolute and plain text.
LinkSettings ReadModeConfig(const std::filesystem::path& path = kModeConfigPath);
// Replaces the file; false when it cannot be written.
[[nodiscard]] bool WriteModeConfig(const LinkSettings& settings, const std::filesystem::path& path = kModeConfigPath);
