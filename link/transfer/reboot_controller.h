// The "STB Remote Reboot" window without its widgets. Opening starts the USB transport and
// discovery in either link mode; the STB counts as connected while its USB device is open,
// and arrivals and removals update that. The window shows the status text the view is told
// and enables "STB Reboot" while State().canStart holds.
//
// For the window (every call on the window's thread):
//   Open()         once the window is shown.
//   OnReboot()     "STB Reboot": the reboot action of the current link, then the close;
//                  RebootOutcome() tells what it did once the view heard ReadyToClose.
//   RequestClose() "Cancel" or the window's close; the view's ReadyToClose follows.
#pragma once
#include "link/transfer/transfer_dialog.h"

class CRebootController : public CTransferDialog {
public:
    CRebootController(CLinkSession& session, TransferView& view);
    ~CRebootController() override;

    void Open();
    void OnReboot();
    std::string StatusText() const;

private:
    void OnDeviceReady() override;
    bool CanStart() const override { return m_bDeviceReady; }
    bool WorkersRunning() const override { return false; }
    void StateNoticed() override;
    void BeginClose(bool) override {}
    void JoinWorkers() override {}
    void FinishClose() override { CloseDone(); }
    void ReleaseLink() override;
};
