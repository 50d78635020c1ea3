// The link settings and their file mode.cfg: 3 bytes, a check byte (byte 1 + byte 2),
// the link mode (non-zero USB) and the serial port (non-zero COM2).
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

struct LinkSettings {
    bool bUsb = true;
    bool bCom2 = false;

    std::string PortName() const { return bCom2 ? "COM2" : "COM1"; }
    uint16_t PortIndex() const { return bCom2 ? 1 : 0; }
};

inline const std::filesystem::path kModeConfigPath = "./mode.cfg";

// A missing, short or inconsistent file gives USB mode (COM1 when the check fails).
LinkSettings ReadModeConfig(const std::filesystem::path& path = kModeConfigPath);
// Replaces the file; false when it cannot be written.
[[nodiscard]] bool WriteModeConfig(const LinkSettings& settings, const std::filesystem::path& path = kModeConfigPath);
