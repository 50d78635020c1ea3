#include "link/serial_channel.h"

#include "common/prompter.h"
#include "common/trace.h"

#include <system_error>

CSerialChannel::CSerialChannel(Prompter& prompter, std::unique_ptr<SerialPort> port, SerialPortConfig config)
    : m_Prompter(prompter), m_pPort(std::move(port)), m_Config(std::move(config))
{
}

CSerialChannel::~CSerialChannel()
{
    Close();
}

bool CSerialChannel::Open(const std::string& portName, uint32_t baudRate, uint16_t portIndex)
{
    Close();
    m_bConnected = false;
    m_PortIndex = portIndex;
    m_PortName = portName;
    std::string path = ResolveSerialPath(portName, m_Config);
    m_OpenFailReason.clear();
    if (!m_pPort->Open(path, baudRate, MakeSerialTimeouts(baudRate))) {
        Trace("CSerialChannel::Open(): cannot open %s as %s", path.c_str(), portName.c_str());
        m_OpenFailReason = SerialOpenFailReason(path, m_pPort->OpenErrno());
        return false;
    }
    m_bOpen = true;
    m_bConnected = true;
    try {
        m_bWatchRunning = true;
        m_WatchThread = std::thread([this] { ThreadWatchComm(); });
    } catch (const std::system_error&) {
        m_bWatchRunning = false;
        Close();
        return false;
    }
    return true;
}

std::string CSerialChannel::OpenFailReason() const
{
    return m_OpenFailReason;
}

void CSerialChannel::Close()
{
    m_bConnected = false;
    m_pPort->ReleaseWait();
    if (m_WatchThread.joinable())
        m_WatchThread.join();
    if (m_bOpen) {
        m_pPort->DrainOutputPurgeInput();
        m_pPort->Close();
        m_bOpen = false;
    }
}

int CSerialChannel::Write(const uint8_t* data, uint32_t n)
{
    return m_bOpen ? m_pPort->Write(data, n) : 0;
}

int CSerialChannel::Read(uint8_t* buffer, uint32_t max)
{
    return m_bOpen ? m_pPort->Read(buffer, max) : 0;
}

int CSerialChannel::ThreadWatchComm()
{
    if (!m_pPort->PrepareWait()) {
        m_Prompter.Notify("Error while creating ThreadWatchComm, " + m_PortName, "Notice", PromptIcon::Error);
        m_bWatchRunning = false;
        return 0;
    }
    while (m_bConnected) {
        if (m_pPort->WaitReceived() == SerialWait::Received)
            DrainPort();
    }
    m_bWatchRunning = false;
    return 1;
}

void CSerialChannel::DrainPort()
{
    uint8_t buffer[kWatchReadSize];
    for (;;) {
        int n = Read(buffer, sizeof buffer);
        if (n <= 0)
            return;
        if (!m_QueueRead.PutBlock(buffer, uint32_t(n)))
            m_Prompter.Notify("m_QueueRead FULL!", "Notice", PromptIcon::Error);
    }
}
