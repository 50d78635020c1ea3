#include "link/transfer/link_session.h"

#include "common/prompter.h"
#include "common/system_paths.h"
#include "common/trace.h"

CLinkSession::CLinkSession(Prompter& prompter, LinkSessionParts parts)
    : m_Messages(prompter), m_Clock(parts.clock ? *parts.clock : m_OwnClock),
      m_Guard(parts.guard ? *parts.guard : m_OwnGuard), m_bAbort(parts.abortFlag ? *parts.abortFlag : m_bOwnAbort),
      m_ModeConfigPath(std::move(parts.modeConfigPath)), m_StartDir(std::move(parts.startDir)),
      m_BackupFolder(std::move(parts.backupFolder)),
      m_Serial(m_Messages, std::move(parts.serialPort), std::move(parts.serialConfig)),
      m_SerialLink(m_Serial.m_QueueRead, m_Serial, m_State, m_bSessionRunning, m_Messages,
                   parts.rxIdle ? *parts.rxIdle : m_RingIdle),
      m_MakeUsbBackend(std::move(parts.makeUsbBackend))
{
}

CLinkSession::~CLinkSession()
{
    ReleaseUsb();
    CloseSerial();
}

void CLinkSession::LoadModeConfig()
{
    m_Settings = ReadModeConfig(m_ModeConfigPath);
}

ModeFileResult CLinkSession::SetUsbMode(bool usb)
{
    m_Settings.bUsb = usb;
    return SaveModeConfig();
}

ModeFileResult CLinkSession::SetSerialPort(const std::string& port)
{
    if (!m_Settings.SetPort(port))
        Trace("SetSerialPort(): \"%s\" is neither COM1, COM2 nor a device path", port.c_str());
    return SaveModeConfig();
}

ModeFileResult CLinkSession::SaveModeConfig()
{
    if (WriteModeConfig(m_Settings, m_ModeConfigPath))
        return ModeFileResult::Written;
    Trace("SaveModeConfig(): cannot write %s", Utf8Path(m_ModeConfigPath).c_str());
    return ModeFileResult::NotWritten;
}

bool CLinkSession::OpenSerial()
{
    return m_Serial.Open(m_Settings.PortName(), kSerialBaudRate, m_Settings.PortIndex());
}

void CLinkSession::CloseSerial()
{
    m_bSessionRunning = false;
    {
        // The watch thread may be showing a message while it is joined.
        CTransferMessages::JoinScope joining(m_Messages);
        m_Serial.Close();
    }
    m_Serial.m_QueueRead.Clear();
    m_bPortOpen = false;
}

bool CLinkSession::SendSerialReboot()
{
    return m_SerialLink.SendFrame(0, CMD_REBOOT) == LinkResult::Ok;
}

bool CLinkSession::StartUsb(UsbDeviceListener& listener)
{
    ReleaseUsb();
    if (!m_pUsbBackend)
        m_pUsbBackend = m_MakeUsbBackend ? m_MakeUsbBackend() : nullptr;
    if (!m_pUsbBackend) {
        Trace("StartUsb(): no USB back end");
        return false;
    }
    m_pUsb = std::make_unique<CUsbTransport>(*m_pUsbBackend, m_bAbort);
    m_pUsb->InitDevice();
    m_pUsbLink = std::make_unique<CUsbLink>(*m_pUsb, m_State, m_Messages);
    return m_pUsb->RegisterAndDiscover(listener);
}

void CLinkSession::ReleaseUsb()
{
    if (!m_pUsb)
        return;
    m_pUsb->StopNotices();
    m_pUsb->Release();
    m_pUsbLink.reset();
    m_pUsb.reset();
}

bool CLinkSession::SendUsbReboot()
{
    // Closing a transfer dialog has set the abort flag; the reboot must still go out.
    m_bAbort = false;
    return m_pUsbLink && m_pUsbLink->SendFrame(0, CMD_REBOOT);
}

RebootResult CLinkSession::Reboot(bool usb)
{
    if (!usb)
        return RebootSerial();
    if (!m_pUsb || !m_pUsb->IsOpen())
        return RebootResult::NoDevice;
    return SendUsbReboot() ? RebootResult::Sent : RebootResult::SendFailed;
}

RebootResult CLinkSession::RebootSerial()
{
    if (m_bPortOpen)
        return RebootResult::PortBusy;
    if (!OpenSerial())
        return RebootResult::PortOpenFail;
    bool sent = SendSerialReboot();
    CloseSerial();
    return sent ? RebootResult::Sent : RebootResult::SendFailed;
}
