#include "link/transfer/transfer_dialog.h"

#include "common/system_paths.h"
#include "common/trace.h"
#include "link/transfer/transfer_text.h"

#include <ctime>
#include <utility>

CTransferDialog::CTransferDialog(CLinkSession& session, TransferView& view)
    : m_Session(session), m_View(view), m_RebootWorker(session.Guard())
{
    m_Session.Messages().Attach(m_View);
}

CTransferDialog::~CTransferDialog()
{
    m_Session.Messages().Detach(m_View);
}

std::function<void()> CTransferDialog::Guarded(std::function<void()> command) const
{
    return [alive = std::weak_ptr<char>(m_pAlive), command = std::move(command)] {
        if (alive.lock())
            command();
    };
}

void CTransferDialog::PostGuarded(std::function<void()> command)
{
    m_View.Post(Guarded(std::move(command)));
}

void CTransferDialog::PostAfterGuarded(std::chrono::milliseconds delay, std::function<void()> command)
{
    m_View.PostAfter(delay, Guarded(std::move(command)));
}

std::function<void()> CTransferDialog::WorkerEndedNotice()
{
    return [this] { PostGuarded([this] { NotifyState(); }); };
}

void CTransferDialog::KeepBackup(BackupKind kind, const BackupImage& image)
{
    if (m_Session.BackupFolder().empty())
        return;
    m_Backup = WriteBackup(m_Session.BackupFolder(), kind, image, std::time(nullptr), &m_BackupFailure);
}

std::string BackupFailureNote(const CTransferDialog& dialog)
{
    return dialog.BackupFailure() ? "Backup not written: " + dialog.BackupFailure().Describe() : std::string();
}

std::string ClosingNote(const CTransferDialog& dialog)
{
    if (dialog.Backup())
        return "The transfer's backup was kept as " + Utf8Path(*dialog.Backup());
    if (dialog.BackupFailure())
        return BackupFailureNote(dialog);
    // The window closed on a link problem: the main window keeps it in sight, first line only.
    const std::string& problem = dialog.LinkProblem();
    return problem.empty() ? "" : "Nothing was transferred: " + problem.substr(0, problem.find('\n'));
}

void CTransferDialog::NotifyState()
{
    TransferState state{m_bDeviceReady, WorkersRunning(), m_Phase == Phase::Open && CanStart(), WatchdogRunning(),
                        m_Phase == Phase::Closing};
    if (m_bStateSent && state == m_LastState)
        return;
    m_LastState = state;
    m_bStateSent = true;
    StateNoticed();
    m_View.StateChanged(state);
}

void CTransferDialog::DeviceReadyCommand()
{
    ShowLinkProblem("");
    if (RebootRunning())
        m_bReadyAfterReboot = true;
    else
        OnDeviceReady();
}

void CTransferDialog::OnDeviceGone()
{
    m_bReadyAfterReboot = false;
    m_bHandshakeDone = false;
    m_bDeviceReady = false;
    NotifyState();
}

void CTransferDialog::OnDeviceArrival(const std::string& path)
{
    PostGuarded([this, path] {
        // Discovery may already have opened the device this notice is about; another device
        // waits in the transport until the open one is gone.
        if (Closing() || !m_Session.Usb())
            return;
        if (!m_Session.Usb()->DeviceArrival(path)) {
            ShowUsbAccessDenied();
            return;
        }
        if (!m_bDeviceReady)
            DeviceReadyCommand();
    });
}

void CTransferDialog::OnDeviceRemoval(const std::string& path)
{
    // The abort flag ends a transfer on the departing device at once; the device is closed
    // on the window's thread. The transport lives until the notices have stopped.
    if (m_Session.Usb() && m_Session.Usb()->Holds(path))
        m_Session.AbortFlag() = true;
    PostGuarded([this, path] {
        CUsbTransport* usb = m_Session.Usb();
        if (Closing() || !usb || !usb->DeviceRemoved(path))
            return;
        OnDeviceGone();
        // A device that arrived while the departed one was still open.
        std::string next = usb->TakeWaitingArrival();
        if (!next.empty() && usb->DeviceArrival(next))
            DeviceReadyCommand();
    });
}

void CTransferDialog::StartUsbAtOpen(const char* foundModeText)
{
    const bool found = m_Session.StartUsb(*this);
    m_ModeText = found ? foundModeText : "Mode : USB <Manual Reboot>";
    ShowModeText();
    if (found)
        OnDeviceReady();
    else
        ShowUsbAccessDenied();
    NotifyState();
}

void CTransferDialog::ShowUsbAccessDenied()
{
    std::string text = m_Session.Usb() ? m_Session.Usb()->AccessDeniedText() : "";
    if (!text.empty())
        ShowLinkProblem(text);
}

void CTransferDialog::ShowLinkProblem(const std::string& text)
{
    if (text == m_LinkProblem)
        return;
    m_LinkProblem = text;
    m_View.ShowLinkProblem(text);
}

bool CTransferDialog::OpenSerialAtStart()
{
    if (m_Session.PortOpen()) {
        m_View.ShowStatus("Port is aleady opened");
        return false;
    }
    if (!m_Session.OpenSerial()) {
        m_View.ShowStatus("Port Open Fail");
        ShowLinkProblem(m_Session.SerialOpenFailReason());
        m_Session.SetPortOpen(false);
        return false;
    }
    ShowLinkProblem("");
    m_View.ShowStatus("Port Open Success");
    m_Session.SetPortOpen(true);
    m_View.ShowStatus(FormatText(kConnectedTrace, int(m_Session.SerialConnected())));
    return true;
}

void CTransferDialog::RebootInBackground(bool usb)
{
    m_RebootOutcome.store(RebootResult::SendFailed);
    const bool started = m_RebootWorker.Start([this, usb] { m_RebootOutcome.store(m_Session.Reboot(usb)); },
                                              [this] { PostGuarded([this] { RebootEnded(); }); });
    if (!started)
        Trace("RebootInBackground(): another worker holds the link; no reboot sent");
}

void CTransferDialog::RebootEnded()
{
    NotifyState();
    if (std::exchange(m_bReadyAfterReboot, false) && !Closing())
        OnDeviceReady();
}

void CTransferDialog::RequestClose(bool stopPressed)
{
    if (m_Phase != Phase::Open)
        return;
    m_Phase = Phase::Closing;
    BeginClose(stopPressed);
    NotifyState();
    AfterWorkers([this] {
        JoinWorkers();
        FinishClose();
    });
}

void CTransferDialog::AfterWorkers(std::function<void()> next)
{
    if (!WorkersRunning() && !RebootRunning()) {
        next();
        return;
    }
    PostAfterGuarded(kClosePoll, [this, next = std::move(next)]() mutable { AfterWorkers(std::move(next)); });
}

void CTransferDialog::ReleaseLink()
{
    if (m_Session.UsbMode())
        m_Session.ReleaseUsb();
    else
        m_Session.CloseSerial();
}

void CTransferDialog::CloseDone()
{
    AfterWorkers([this] {
        m_RebootWorker.Join();
        ReleaseLink();
        m_Phase = Phase::Closed;
        m_bDeviceReady = false;
        NotifyState();
        m_Session.Messages().Detach(m_View);
        m_View.ReadyToClose();
    });
}

void CTransferDialog::CloseNow()
{
    if (m_Phase == Phase::Closed)
        return;
    if (m_Phase == Phase::Open)
        BeginClose(false);
    m_Phase = Phase::Closing;
    {
        CTransferMessages::JoinScope joining(m_Session.Messages());
        JoinWorkers();
        m_RebootWorker.Join();
    }
    ReleaseLink();
    m_Phase = Phase::Closed;
}
