#include "transfer_dialog.h"

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
