// What the upload and download controllers share without their windows: the link
// session, the view, the USB device notices turned into device-ready and device-gone
// commands, the state notices and the asynchronous close.
//
// For the window (every call on the window's thread):
//   Open()               once the window is shown: the mode line, USB discovery.
//   OnUpload()/OnDownload()  the start button.
//   RequestClose(stop)   "Stop && Exit" (stop = true) or the window's own close. Returns at
//                        once; the controller stops its worker, asks its question, releases
//                        the link, and then calls the view's ReadyToClose: only then does the
//                        window go away. Further calls are ignored.
//   State()              what the view's StateChanged last said (device present, busy, can
//                        start, watchdog running, closing).
//   Success()            the transfer result, final once ReadyToClose came.
//   Backup()/BackupFailure()  the backup of a successful transfer in the session's backup
//                        folder, or why it could not be written (the transfer stands).
// Worker messages reach the window through the view's ShowMessage; the window answers them
// without ever waiting for the worker. Commands the controller posts are dropped once it is
// destroyed; destroying it before ReadyToClose closes it at once without questions.
#pragma once
#include "link/transfer/link_session.h"
#include "link/transfer/transfer_view.h"
#include "link/transfer/transfer_worker.h"
#include "settings/backup_folder.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class CTransferDialog : public UsbDeviceListener {
public:
    static constexpr std::chrono::milliseconds kClosePoll{100};

    ~CTransferDialog() override;
    CTransferDialog(const CTransferDialog&) = delete;
    CTransferDialog& operator=(const CTransferDialog&) = delete;

    void RequestClose(bool stopPressed = false);
    bool Closed() const { return m_Phase == Phase::Closed; }
    bool Closing() const { return m_Phase != Phase::Open; }
    const TransferState& State() const { return m_LastState; }
    bool DeviceReady() const { return m_bDeviceReady; }
    bool Success() const { return m_bSuccess; }
    const std::optional<std::filesystem::path>& Backup() const { return m_Backup; }
    const FileFailure& BackupFailure() const { return m_BackupFailure; }
    // The link problem the view shows (a USB device refused, a serial port that did not
    // open, with the fix); empty when none.
    const std::string& LinkProblem() const { return m_LinkProblem; }
    // What the last reboot action did, once it ended.
    RebootResult RebootOutcome() const { return m_RebootOutcome; }

    void OnDeviceArrival(const std::string& path) override;
    void OnDeviceRemoval(const std::string& path) override;

protected:
    CTransferDialog(CLinkSession& session, TransferView& view);

    // Device-ready command (USB arrival, or discovery at opening); held back while a reboot
    // is being sent, since both need the link.
    virtual void OnDeviceReady() = 0;
    void OnDeviceGone();
    virtual bool CanStart() const = 0;
    virtual bool WorkersRunning() const = 0;
    virtual bool WatchdogRunning() const { return false; }
    // Runs whenever the state changed, before the view hears of it.
    virtual void StateNoticed() {}
    // The close's release: the USB transport in USB mode, the serial channel otherwise.
    virtual void ReleaseLink();

    // Closing in steps: BeginClose sets the flags that end the workers and never waits;
    // JoinWorkers runs once they have ended; FinishClose asks what is to be asked and ends
    // with CloseDone, at once or from a later command.
    virtual void BeginClose(bool stopPressed) = 0;
    virtual void JoinWorkers() = 0;
    virtual void FinishClose() = 0;
    // Releases the link and lets the window go, once a reboot being sent is out.
    void CloseDone();
    // The destructor's close: flags, join, release; no questions.
    void CloseNow();

    void ShowModeText() { m_View.ShowStatus(m_ModeText); }
    // Keeps the transferred image in the session's backup folder, when it has one.
    void KeepBackup(BackupKind kind, const BackupImage& image);
    // USB mode at opening: starts the transport and discovery; a device found is ready at once.
    void StartUsbAtOpen(const char* foundModeText);
    // A device refused for lack of permission: the view's link problem until a device opens.
    void ShowUsbAccessDenied();
    void ShowLinkProblem(const std::string& text);
    // Serial mode at the start button: opens the port at 115200 with its status texts (the
    // reason and its fix as the link problem); true when it opened.
    bool OpenSerialAtStart();

    // The reboot action on a worker of its own: a USB send may wait up to 4 s, the window
    // never does. Closing waits for it.
    void RebootInBackground(bool usb);
    bool RebootRunning() const { return m_RebootWorker.Running(); }

    // The command, dropped once the controller is gone.
    std::function<void()> Guarded(std::function<void()> command) const;
    // Runs on the window's thread unless the controller is gone by then.
    void PostGuarded(std::function<void()> command);
    void PostAfterGuarded(std::chrono::milliseconds delay, std::function<void()> command);
    // A worker's end as the window hears it: a state notice.
    std::function<void()> WorkerEndedNotice();
    // Runs next on the window's thread once no worker (nor reboot) runs, polling every 100 ms.
    void AfterWorkers(std::function<void()> next);
    void NotifyState();

    CLinkSession& m_Session;
    TransferView& m_View;
    std::atomic<bool> m_bDeviceReady{false};
    std::atomic<bool> m_bHandshakeDone{false};
    std::atomic<bool> m_bSuccess{false};
    std::string m_ModeText;

private:
    void DeviceReadyCommand();
    void RebootEnded();

    std::optional<std::filesystem::path> m_Backup;
    FileFailure m_BackupFailure;

    enum class Phase { Open, Closing, Closed };
    Phase m_Phase = Phase::Open;
    CTransferWorker m_RebootWorker;
    std::atomic<RebootResult> m_RebootOutcome{RebootResult::NoDevice};
    bool m_bReadyAfterReboot = false;
    TransferState m_LastState;
    bool m_bStateSent = false;
    std::string m_LinkProblem;
    std::shared_ptr<char> m_pAlive = std::make_shared<char>();
};

// For the status line after a transfer: "Backup not written: \"PATH\": REASON", or nothing.
std::string BackupFailureNote(const CTransferDialog& dialog);
// For the status line once the window has closed: where the transfer's backup was kept, why
// it was not written, or the link problem that kept the transfer from starting; else empty.
std::string ClosingNote(const CTransferDialog& dialog);
