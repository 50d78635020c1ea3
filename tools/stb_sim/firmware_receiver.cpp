#include "tools/stb_sim/firmware_receiver.h"

#include <algorithm>
#include <fstream>

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
    std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(m_Data.data()), std::streamsize(m_Data.size()));
    return bool(out.flush());
}
