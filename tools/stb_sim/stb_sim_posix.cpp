#include "tools/stb_sim/stb_sim.h"

namespace {
StbImage WithModel(StbImage image, const std::optional<uint8_t>& modelId)
{
    if (modelId)
        SetImageModelId(image, *modelId);
    return image;
}
}  // namespace

StbSim::StbSim(StbImage image, StbSimOptions options)
    : m_Options(std::move(options)), m_Image(WithModel(std::move(image), m_Options.modelId)),
      m_Faults(m_Options.faults)
{
}

StbSim::~StbSim()
{
    Stop();
}

std::string StbSim::Start()
{
    LoaderOptions loader;
    loader.replyTimeout = m_Options.replyTimeout;
    loader.outputPath = m_Options.outputPath;
    if (m_Options.serial) {
        loader.serial = true;
        loader.maxReadLength = kSerialMaxPayload;
        m_pSerial = std::make_unique<SerialSim>(m_Image, m_Faults, loader);
        if (std::string error = m_pSerial->Start(); !error.empty())
            return error;
    }
    loader.serial = false;
    loader.maxReadLength = std::min<uint32_t>(m_Options.usbReadLength, kUsbMaxPayload);
    loader.firstPsn = 0x80;
    loader.firmwareSize = m_Options.firmwareSize;
    if (!m_Options.ffs.functionDir.empty()) {
        m_pFfs = std::make_unique<UsbFfsDevice>(m_Image, m_Faults, loader, m_Options.rebootDelay);
        if (std::string error = m_pFfs->Start(m_Options.ffs); !error.empty())
            return error;
    }
    if (!m_Options.usbSocket.empty()) {
        m_pUsb = std::make_unique<UsbSimDevice>(m_Image, m_Faults, loader, m_Options.usbShape, m_Options.rebootDelay);
        if (std::string error = m_pUsb->Start(m_Options.usbSocket); !error.empty())
            return error;
    }
    return "";
}

void StbSim::Stop()
{
    if (m_pSerial)
        m_pSerial->Stop();
    if (m_pUsb)
        m_pUsb->Stop();
    if (m_pFfs)
        m_pFfs->Stop();
}

const std::string& StbSim::SerialPath() const
{
    static const std::string none;
    return m_pSerial ? m_pSerial->SlavePath() : none;
}
