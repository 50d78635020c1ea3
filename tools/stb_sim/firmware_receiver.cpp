#include "tools/stb_sim/firmware_receiver.h"

#include "common/safe_file.h"

#include <algorithm>

ReadRequest FirmwareReceiver::Next(uint32_t maxRead) const
{
    uint32_t at = uint32_t(m_Data.size());
    if (Failed())
        return {0, at};
    return {std::min(maxRead, m_Size - at), at};
}

bool FirmwareReceiver::Take(const uint8_t* data, uint32_t length)
{
    if (Failed() || length == 0 || length > m_Size - m_Data.size()) {
        m_Error = "reply of the wrong length";
        return false;
    }
    m_Data.insert(m_Data.end(), data, data + length);
    return true;
}

bool FirmwareReceiver::Deliver(SimImageStore&, const std::string& outputPath)
{
    if (outputPath.empty())
        return true;
    return SafeWriteFile(outputPath, m_Data, LinkRule::Follow);
}
