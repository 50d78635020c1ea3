// What the upload and download dialogs share without their windows: the link session, the
// view, and the USB device notices turned into their device-ready and device-gone commands.
#pragma once
#include "link/transfer/link_session.h"
#include "link/transfer/transfer_view.h"

#include <atomic>
#include <string>

class CTransferDialog : public UsbDeviceListener {
public:
    // Device-ready and device-gone commands (USB).
    virtual void OnDeviceReady() = 0;
    void OnDeviceGone();
    bool DeviceReady() const { return m_bDeviceReady; }

    void OnDeviceArrival(const std::string& path) override;
    void OnDeviceRemoval(const std::string& path) override;

protected:
    CTransferDialog(CLinkSession& session, TransferView& view) : m_Session(session), m_View(view) {}

    void ShowModeText() { m_View.ShowStatus(m_ModeText); }
    // USB mode at opening: starts the transport and discovery; a device found is ready at once.
    void StartUsbAtOpen(const char* foundModeText);
    // Serial mode at the start button: opens the port at 115200 with its status texts;
    // true when it opened.
    bool OpenSerialAtStart();

    CLinkSession& m_Session;
    TransferView& m_View;
    std::atomic<bool> m_bDeviceReady{false};
    std::atomic<bool> m_bHandshakeDone{false};
    bool m_bClosed = false;
    std::string m_ModeText;
};
