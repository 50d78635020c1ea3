#include "explorer/copy_engine.h"
#include "explorer/pvr_protocol.h"
#include "common/trace.h"

#include <chrono>

namespace explorer {

namespace {
const char* const kFailConnected =
    "Cannot copy the seleted file.   \n\nAlready used in the other process or \n\n unknown error occurred.  ";
const char* const kFailNoStb = "Cannot copy the seleted file.    \n\nCheck the USB line.  ";
}

std::string CannotOpenText(const std::string& pcPath)
{
    return "Already used in the other process or   \n\n  file does not exist.   \n\n\"" + pcPath + "\" ";
}

std::string TooLongText(const std::string& pcPath) { return "The filename is too long!!   \n\n\"" + pcPath + "\" "; }

CopyEngine::CopyEngine(PvrSession& session, ExplorerHost& host, ProgressView& progress, ConflictAsker& asker,
                       Prompter& prompter, EventSink& events, TimerService& timers)
    : m_session(session), m_host(host), m_progress(progress), m_asker(asker), m_prompter(prompter),
      m_events(events), m_timers(timers), m_notices(TaskNotices::Create(events))
{
}

CopyEngine::~CopyEngine()
{
    m_bCancel = true;
    if (m_bNoticeDue) {
        UsbTaskCancel();
        m_notices->WaitTaskEnd(std::chrono::milliseconds(kTaskEndWaitMs));
    }
    JoinPreparation();
    m_notices->Release();
}

std::string CopyEngine::CopyFailureText() const { return m_session.m_bConnected ? kFailConnected : kFailNoStb; }

bool CopyEngine::Start(Direction direction)
{
    PaneSide source = direction == Direction::Send ? PaneSide::Pc : PaneSide::Pvr;
    std::vector<PaneRow> rows = m_host.SelectedRows(source);
    if (rows.empty()) {
        m_prompter.Notify("Select a file in the list.", "NOTICE", PromptIcon::Warning);
        return false;
    }
    if (m_bJobActive || !m_session.TakeLine())
        return false;
    JoinPreparation();
    m_bJobActive = true;
    m_bCancel = false;
    m_bClosing = false;
    m_bRetryDue = false;
    m_direction = direction;
    m_index = 0;
    m_retryCount = 0;
    m_bLastResortDone = false;
    m_bAsk = true;
    m_answer.reset();
    m_doneKb = m_doneCount = 0;
    m_resumedKbFile = m_resumedKbJob = 0;
    m_prepMessage.clear();
    {
        std::lock_guard lock(m_viewMutex);
        m_viewCalls.clear();
    }
    m_bFolderFailed = false;
    m_lastOutcome = JobOutcome::None;
    m_host.EnableControls(false);
    m_bTurboSwitched = false;
    if (m_session.m_bTurboButton && !m_session.m_bTurboActive) {
        m_bTurboSwitched = true;
        m_session.m_bTurboActive = PvrTurboOnLine(true);
    }
    m_files.reserve(kListRoom);
    m_folders.reserve(kListRoom);
    m_progress.SetTitle("Searching Folder(s).....");
    m_progress.Show();
    m_bProgressShown = true;
    m_bPreparing = true;
    m_state = JobState::JobScanning;
    m_preparation = std::thread(&CopyEngine::Prepare, this, std::move(rows), m_host.Folder(PaneSide::Pvr),
                                m_host.Folder(PaneSide::Pc), ++m_serial);
    return true;
}

void CopyEngine::OnTransferEvent(uint32_t id, uint32_t value)
{
    if (m_bClosing)
        return;
    switch (id) {
    case kEvSendEnded:
    case kEvReceiveEnded:
        m_bNoticeDue = false;
        if (m_bJobActive && !m_bPreparing)
            OnFileEnded(id, value != 0);
        break;
    case kEvSendPrepared:
    case kEvReceivePrepared:
    case kEvReceiveCancelled:
    case kEvSendCancelled:
    case kEvPrepareFailed:
        if (m_bJobActive && value == m_serial)
            OnPrepared(id, value);
        break;
    case kEvPreparationView:
        RunQueuedViewCalls();
        break;
    default:
        break;
    }
}

void CopyEngine::OnPrepared(uint32_t id, uint32_t)
{
    JoinPreparation();
    if (id == kEvPrepareFailed) {
        CloseProgress();
        m_prompter.Notify(m_prepMessage, m_prepTitle, PromptIcon::Error);
        EndJob(JobOutcome::Failed);
        return;
    }
    if (id == kEvReceiveCancelled || id == kEvSendCancelled) {
        m_bCancel = true;
        if (m_session.m_bConnected)
            UsbTaskCancel();
        CloseProgress();
        EndJob(JobOutcome::Cancelled);
        return;
    }
    if (m_bFolderFailed)
        m_prompter.Notify("Cannot make a folder.", "Creation Error", PromptIcon::Error);
    m_earlierKb.assign(m_files.size() + 1, 0);
    for (size_t i = 0; i < m_files.size(); ++i)
        m_earlierKb[i + 1] = m_earlierKb[i] + m_files[i].kb;
    if (m_files.empty()) {
        CloseProgress();
        EndJob(JobOutcome::Done);
        return;
    }
    CopyCurrent(true);
}

void CopyEngine::OnFileEnded(uint32_t id, bool success)
{
    if (success) {
        m_retryCount = 0;
        m_bLastResortDone = false;
        m_resumedKbFile = 0;
        ++m_index;
        if (m_bCancel) {
            EndJob(JobOutcome::Cancelled);
        } else if (m_index == m_files.size()) {
            CloseProgress();
            EndJob(JobOutcome::Done);
        } else if (m_session.m_bConnected) {
            CopyCurrent(true);
        } else {
            FailJob(kFailNoStb, kCopyFailureTitle);
        }
        return;
    }
    if (m_bCancel) {
        EndJob(JobOutcome::Cancelled);
        return;
    }
    if (!m_bRetryDue) {
        m_timers.StartOnce(kRetryDelayMs, [this, id] {
            m_bRetryDue = true;
            OnTransferEvent(id, 0);
        });
        return;
    }
    m_bRetryDue = false;
    bool connected = m_session.m_bConnected;
    if (m_retryCount < 2 && connected && m_bProgressShown) {
        ++m_retryCount;
        Trace("copy of file %zu failed, retry %d", m_index, m_retryCount);
        CopyCurrent(false);
    } else if (m_direction == Direction::Receive && !m_bLastResortDone && connected) {
        m_bLastResortDone = true;
        Trace("copy of file %zu failed, last-resort receive", m_index);
        ReceiveCurrent(true, true);
    } else {
        FailCopy();
    }
}

void CopyEngine::FailCopy() { FailJob(CopyFailureText(), kCopyFailureTitle); }

void CopyEngine::FailJob(const std::string& text, const std::string& title)
{
    CloseProgress();
    m_prompter.Notify(text, title, PromptIcon::Error);
    m_bCancel = true;
    EndJob(JobOutcome::Failed);
}

void CopyEngine::CancelJob()
{
    if (!m_bJobActive)
        return;
    m_bCancel = true;
    CloseProgress();
    JobState state = m_state;
    if (state == JobState::JobMakingFolders) {
        // The preparation stops after the folder in hand and ends the job with its
        // cancel event: the loop's thread does not wait for that exchange.
        UsbTaskCancel();
    } else if (state == JobState::JobCopying) {
        if (m_bNoticeDue)
            UsbTaskCancel();  // its failure notice ends the job
        else
            EndJob(JobOutcome::Cancelled);  // between attempts nothing else would
    }
    m_state = JobState::JobIdle;
}

void CopyEngine::CloseDuringJob()
{
    if (!m_bJobActive)
        return;
    m_bClosing = true;
    m_bCancel = true;
    bool taskEnded = true;
    if (m_bNoticeDue) {
        UsbTaskCancel();
        taskEnded = m_notices->WaitTaskEnd(std::chrono::milliseconds(kTaskEndWaitMs));
    }
    JoinPreparation();
    m_timers.StopAll();
    // The remote control stays dead while turbo is on: the STB gets a moment after the
    // cancel, then turbo off, and the line is free for whoever comes next.
    if (taskEnded && m_session.m_bConnected) {
        if (m_session.m_bTurboActive) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kTurboOffDelayMs));
            SwitchTurboOff();
        }
        m_session.ReleaseLine();
    }
    m_files = {};
    m_folders = {};
    m_listing.reset();
    m_bJobActive = false;
    m_state = JobState::JobIdle;
}

void CopyEngine::OnDeviceArrived()
{
    m_session.m_bConnected = true;
    if (m_bJobActive) {
        m_bArrivalDue = true;
        return;
    }
    m_bArrivalDue = false;
    m_bCancel = false;
    m_index = 0;
    m_state = JobState::JobIdle;
    m_session.m_bUsbIdle = true;
    m_session.m_wVersion = QueryDeviceVersion(m_session);
}

void CopyEngine::OnDeviceRemoved()
{
    m_session.m_bConnected = false;
    m_session.m_bUsbIdle = false;
    m_session.m_bTurboActive = false;
    m_bArrivalDue = false;
    JobState state = m_state;
    if (m_bJobActive && (state == JobState::JobScanning || state == JobState::JobMakingFolders)) {
        CloseProgress();
        m_bCancel = true;
    }
    m_state = JobState::JobIdle;
}

void CopyEngine::SwitchTurboOff()
{
    PvrTurboOnLine(false);
    m_session.m_bTurboActive = false;
    m_bTurboSwitched = false;
}

void CopyEngine::QueueView(std::function<void(ProgressView&)> call)
{
    bool first;
    {
        std::lock_guard lock(m_viewMutex);
        first = m_viewCalls.empty();
        m_viewCalls.push_back(std::move(call));
    }
    if (first)
        m_events.Post(kEvPreparationView, 0);
}

void CopyEngine::RunQueuedViewCalls()
{
    std::deque<std::function<void(ProgressView&)>> calls;
    {
        std::lock_guard lock(m_viewMutex);
        calls.swap(m_viewCalls);
    }
    if (m_bJobActive && m_bProgressShown)
        for (auto& call : calls)
            call(m_progress);
}

void CopyEngine::JoinPreparation()
{
    if (m_preparation.joinable())
        m_preparation.join();
}

void CopyEngine::EndJob(JobOutcome outcome)
{
    if (!m_bJobActive)
        return;
    JoinPreparation();
    m_timers.StopAll();
    m_bRetryDue = false;
    m_state = JobState::JobIdle;
    if (m_bTurboSwitched)
        SwitchTurboOff();
    if (outcome == JobOutcome::Done && m_bFolderFailed)
        outcome = JobOutcome::Failed;
    m_files = {};
    m_folders = {};
    m_earlierKb = {};
    m_listing.reset();
    m_bJobActive = false;
    m_lastOutcome = outcome;
    if (m_session.m_bConnected)
        m_session.ReleaseLine();
    if (m_bArrivalDue)
        OnDeviceArrived();
    m_host.JobEnded(outcome);
    m_host.RefreshPane(m_direction == Direction::Send ? PaneSide::Pvr : PaneSide::Pc);
    m_host.EnableControls(true);
}

ProgressCounters CopyEngine::Counters() const
{
    ProgressCounters c;
    c.index = m_index;
    c.fileCount = m_files.size();
    if (m_index < m_files.size()) {
        c.fileKb = m_files[m_index].kb;
        c.earlierKb = m_earlierKb.size() > m_index ? m_earlierKb[m_index] : 0;
    }
    c.totalKb = m_earlierKb.empty() ? 0 : m_earlierKb.back();
    c.doneKb = m_doneKb;
    c.doneCount = m_doneCount;
    c.resumedKbFile = m_resumedKbFile;
    c.resumedKbJob = m_resumedKbJob;
    c.asking = m_bAsking;
    return c;
}

void CopyEngine::CloseProgress()
{
    m_progress.Close();
    m_bProgressShown = false;
}

}  // namespace explorer
