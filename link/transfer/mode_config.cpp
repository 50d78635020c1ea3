#include "link/transfer/mode_config.h"

#include "common/safe_file.h"
#include "common/trace.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace {
constexpr size_t kDevicePathMax = 255;

bool IsDevicePath(const std::string& text)
{
    return !text.empty() && text[0] == '/' && text.size() <= kDevicePathMax &&
           std::none_of(text.begin(), text.end(), [](char c) { return uint8_t(c) < 0x20 || c == 0x7F; });
}
}  // namespace

bool LinkSettings::SetPort(const std::string& port)
{
    if (port != "COM1" && port != "COM2" && !IsDevicePath(port))
        return false;
    bCom2 = port == "COM2";
    device = IsDevicePath(port) ? port : "";
    return true;
}

LinkSettings ReadModeConfig(const std::filesystem::path& path)
{
    LinkSettings settings;
    std::ifstream file(path, std::ios::binary);
    char bytes[3];
    if (!file || !file.read(bytes, sizeof bytes))
        return settings;
    auto byte = [&](int i) { return uint8_t(bytes[i]); };
    if (byte(0) != uint8_t(byte(1) + byte(2)))
        return settings;
    settings.bUsb = byte(1) != 0;
    settings.bCom2 = byte(2) != 0;
    std::string tail(std::istreambuf_iterator<char>(file), {});
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
        Trace("WriteModeConfig(): cannot write %s", path.c_str());
        return false;
    }
    return true;
}
