#include "link/transfer/mode_config.h"

#include "common/safe_file.h"
#include "common/trace.h"

#include <fstream>

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
    return settings;
}

bool WriteModeConfig(const LinkSettings& settings, const std::filesystem::path& path)
{
    const uint8_t mode = settings.bUsb ? 1 : 0;
    const uint8_t port = settings.bCom2 ? 1 : 0;
    const uint8_t bytes[3] = {uint8_t(mode + port), mode, port};
    if (!SafeWriteFile(path, bytes, LinkRule::Replace)) {
        Trace("WriteModeConfig(): cannot write %s", path.c_str());
        return false;
    }
    return true;
}
