#include "link/transfer/reboot_controller.h"

CRebootController::CRebootController(CLinkSession& session, TransferView& view) : CTransferDialog(session, view) {}

CRebootController::~CRebootController()
{
    CloseNow();
}

void CRebootController::Open()
{
    if (m_Session.StartUsb(*this))
        OnDeviceReady();
    else
        ShowUsbAccessDenied();
    NotifyState();
}

void CRebootController::OnDeviceReady()
{
    m_Session.AbortFlag() = false;
    m_bDeviceReady = true;
    NotifyState();
}

std::string CRebootController::StatusText() const
{
    const char* link = m_Session.UsbMode() ? "USB" : "Serial";
    if (m_bDeviceReady)
        return std::string(link) + " <STB : On> \r\n If STB front message is [End] then auto Reboot";
    return std::string(link) + " <STB : Off> ";
}

void CRebootController::StateNoticed()
{
    m_View.ShowStatus(StatusText());
}

void CRebootController::OnReboot()
{
    if (Closing())
        return;
    RebootInBackground(m_Session.UsbMode());
    RequestClose();
}

void CRebootController::ReleaseLink()
{
    m_Session.ReleaseUsb();
}
