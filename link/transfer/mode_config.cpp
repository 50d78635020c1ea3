#include "link/transfer/mode_config.h"

#include "common/input_file.h"
#include "common/safe_file.h"
#include "common/system_paths.h"
#include "common/trace.h"
#include "link/serial_port.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr size_t kDevicePathMax = 255;

bool IsComNumber(const std::string& port)
{
    return port == "COM1" || port == "COM2";
}

bool IsDevicePath(const std::string& text)
{
    return !text.empty() && text.size() <= kDevicePathMax && !IsComNumber(text) && CanonicalSerialPort(text) == text;
}
}  // namespace

bool LinkSettings::SetPort(const std::string& port)
{
    const std::string canonical = CanonicalSerialPort(port);
    if (canonical.empty() || canonical.size() > kDevicePathMax)
        return false;
    bCom2 = canonical == "COM2";
    device = IsComNumber(canonical) ? "" : canonical;
    return true;
}

LinkSettings ReadModeConfig(const std::filesystem::path& path)
{
    LinkSettings settings;
    CInputFile input;
    if (!input.Open(path))
        return settings;
    // Only what the file can hold is read, and one byte more to tell a longer tail.
    StdioFile file(input.Release(), &std::fclose);
    char bytes[3 + kDevicePathMax + 1];
    const size_t got = std::fread(bytes, 1, sizeof bytes, file.get());
    auto byte = [&](int i) { return uint8_t(bytes[i]); };
    if (got < 3 || byte(0) != uint8_t(byte(1) + byte(2)))
        return settings;
    settings.bUsb = byte(1) != 0;
    settings.bCom2 = byte(2) != 0;
    std::string tail(bytes + 3, got - 3);
    if (!settings.bCom2 && IsDevicePath(tail))
        settings.device = tail;
    return settings;
}

bool WriteModeConfig(const LinkSettings& settings, const std::filesystem::path& path)
{
    const bool device = IsDevicePath(settings.device);
    const uint8_t mode = settings.bUsb ? 1 : 0;
    const uint8_t port = settings.bCom2 && !device ? 1 : 0;
    std::vector<uint8_t> bytes = {uint8_t(mode + port), mode, port};
    if (device)
        bytes.insert(bytes.end(), settings.device.begin(), settings.device.end());
    if (!SafeWriteFile(path, bytes, LinkRule::Replace)) {
        Trace("WriteModeConfig(): cannot write %s", Utf8Path(path).c_str());
        return false;
    }
    return true;
}
