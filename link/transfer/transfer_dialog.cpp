#include "link/transfer/transfer_dialog.h"

#include "link/transfer/transfer_text.h"

void CTransferDialog::OnDeviceGone()
{
    m_bHandshakeDone = false;
    m_bDeviceReady = false;
}

void CTransferDialog::OnDeviceArrival(const std::string& path)
{
    // Discovery may already have opened the device this notice is about.
    m_View.Post([this, path] {
        if (!m_bClosed && !m_bDeviceReady && m_Session.Usb() && m_Session.Usb()->DeviceArrival(path))
            OnDeviceReady();
    });
}

void CTransferDialog::OnDeviceRemoval(const std::string&)
{
    // The abort flag ends a transfer in flight at once; the device is closed on the window's thread.
    m_Session.m_bAbort = true;
    m_View.Post([this] {
        if (m_bClosed)
            return;
        if (m_Session.Usb())
            m_Session.Usb()->DeviceRemoved();
        OnDeviceGone();
    });
}

void CTransferDialog::StartUsbAtOpen(const char* foundModeText)
{
    const bool found = m_Session.StartUsb(*this);
    m_ModeText = found ? foundModeText : "Mode : USB <Manual Reboot>";
    ShowModeText();
    if (found)
        OnDeviceReady();
}

bool CTransferDialog::OpenSerialAtStart()
{
    if (m_Session.m_bPortOpen) {
        m_View.ShowStatus("Port is aleady opened");
        return false;
    }
    if (!m_Session.OpenSerial()) {
        m_View.ShowStatus("Port Open Fail");
        m_Session.m_bPortOpen = false;
        return false;
    }
    m_View.ShowStatus("Port Open Success");
    m_Session.m_bPortOpen = true;
    m_View.ShowStatus(FormatText("pThr->m_bConnected : %d ", int(m_Session.m_Serial.m_bConnected.load())));
    return true;
}
