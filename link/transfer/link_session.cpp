#include "link/transfer/link_session.h"

#include "common/prompter.h"
#include "common/trace.h"


CLinkSession::CLinkSession(Prompter& prompter, LinkSessionParts parts)
    : m_Prompter(prompter), m_Clock(*parts.clock), m_Guard(*parts.guard), m_bAbort(*parts.abortFlag),
      m_Serial(prompter, std::move(parts.serialPort), std::move(parts.serialConfig)),
      m_SerialLink(m_Serial.m_QueueRead, m_Serial, m_State, m_bSessionRunning, prompter,
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

bool CLinkSession::SetUsbMode(bool usb)
{
    m_Settings.bUsb = usb;
    return WriteModeConfig(m_Settings, m_ModeConfigPath);
}

bool CLinkSession::SetSerialPort(bool com2)
{
    m_Settings.bCom2 = com2;
    return WriteModeConfig(m_Settings, m_ModeConfigPath);
}

bool CLinkSession::OpenSerial()
{
    return m_Serial.Open(m_Settings.PortName(), kSerialBaudRate, m_Settings.PortIndex());
}

void CLinkSession::CloseSerial()
{
    m_bSessionRunning = false;
    m_Serial.Close();
    m_Serial.m_QueueRead.Clear();
    m_bPortOpen = false;
}

int CLinkSession::SendSerialReboot()
{
    return m_SerialLink.SendFrame(0, CMD_REBOOT);
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
    m_pUsbLink = std::make_unique<CUsbLink>(*m_pUsb, m_State, m_Prompter);
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

void CLinkSession::Reboot(bool usb)
{
    if (usb)
        SendUsbReboot();
    else
        RebootSerial();
}

void CLinkSession::RebootSerial()
{
    if (m_bPortOpen)
        return;
    if (!OpenSerial())
        return;
    SendSerialReboot();
    CloseSerial();
}
