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

std::string CannotSendText(const std::string& pcPath, const std::string& reason)
{
    return "Cannot copy \"" + pcPath + "\":   \n\n" + reason + ".   \n\nThe copy stopped before its first file.";
}

std::string PcCopyFailureText(const std::string& from) { return "Cannot copy the selected file   \n\n\"" + from + "\""; }

std::string LibraryNameText(const std::string& pcPath)
{
    return "Cannot copy the seleted file.   \n\n\"" + pcPath +
           "\"\n\nIts name has characters that this system's 8-bit code page lacks, and the device library "
           "takes only such names; rename it and copy it again.";
}

std::string TooLongText(const std::string& pcPath) { return "The filename is too long!!   \n\n\"" + pcPath + "\" "; }

CopyEngine::CopyEngine(PvrSession& session, ExplorerHost& host, ProgressView& progress, ConflictAsker& asker,
                       Prompter& prompter, EventSink& events, TimerService& timers)
    : m_Session(session), m_Host(host), m_Progress(progress), m_Asker(asker), m_Prompter(prompter),
      m_Events(events), m_Timers(timers), m_Notices(TaskNotices::Create(events)), m_PcTask(events)
{
}

CopyEngine::~CopyEngine()
{
    m_bCancel = true;
    if (m_bNoticeDue)
        CancelAndWaitTask();
    JoinPreparation();
    m_Notices->Release();
}

bool CopyEngine::CancelAndWaitTask()
{
    if (m_Direction == Direction::PcCopy) {
        m_PcTask.Cancel();
        return m_PcTask.Wait(std::chrono::milliseconds(kTaskEndWaitMs));
    }
    UsbTaskCancel();
    return m_Notices->WaitTaskEnd(std::chrono::milliseconds(kTaskEndWaitMs));
}

std::string CopyEngine::CopyFailureText() const { return m_Session.m_bConnected ? kFailConnected : kFailNoStb; }

bool CopyEngine::Start(Direction direction)
{
    PaneSide source = direction == Direction::Send ? PaneSide::Pc : PaneSide::Pvr;
    std::vector<PaneRow> rows = m_Host.SelectedRows(source);
    if (rows.empty()) {
        m_Prompter.Notify("Select a file in the list.", "NOTICE", PromptIcon::Warning);
        return false;
    }
    if (!Begin(direction))
        return false;
    m_Preparation = std::thread(&CopyEngine::Prepare, this, std::move(rows), m_Host.Folder(PaneSide::Pvr),
                                m_Host.Folder(PaneSide::Pc), ++m_Serial);
    return true;
}

bool CopyEngine::StartPcCopy(std::vector<PcCopyItem> items)
{
    if (!Begin(Direction::PcCopy))
        return false;
    m_Preparation = std::thread(&CopyEngine::PreparePcCopy, this, std::move(items), ++m_Serial);
    return true;
}

// A job on the STB holds the line from here to its end; a PC paste leaves it to others.
bool CopyEngine::Begin(Direction direction)
{
    if (m_bJobActive)
        return false;
    m_bLineTaken = direction != Direction::PcCopy;
    if (m_bLineTaken && !m_Session.TakeLine())
        return false;
    JoinPreparation();
    m_bJobActive = true;
    m_bCancel = false;
    m_bClosing = false;
    m_bRetryDue = false;
    m_bNameRefused = false;
    m_Direction = direction;
    m_Index = 0;
    m_RetryCount = 0;
    m_bLastResortDone = false;
    m_WrittenPcPaths.clear();
    m_bSentThisFile = false;
    m_bAsk = true;
    m_Answer.reset();
    m_DoneKb = m_DoneCount = 0;
    m_ResumedKbFile = m_ResumedKbJob = 0;
    m_PrepMessage.clear();
    {
        std::lock_guard lock(m_ViewMutex);
        m_ViewCalls.clear();
    }
    m_bFolderFailed = false;
    m_MadePvrFolders.clear();
    m_LastOutcome = JobOutcome::None;
    m_Host.EnableControls(false);
    m_bTurboSwitched = false;
    if (m_bLineTaken && m_Session.m_bTurboButton && !m_Session.m_bTurboActive) {
        m_bTurboSwitched = true;
        m_Session.m_bTurboActive = PvrTurboOnLine(true);
    }
    m_Files.reserve(kListRoom);
    m_Folders.reserve(kListRoom);
    m_Progress.SetTitle("Searching Folder(s).....");
    m_Progress.Show();
    m_bProgressShown = true;
    m_bPreparing = true;
    m_State = JobState::JobScanning;
    return true;
}

void CopyEngine::OnTransferEvent(uint32_t id, uint32_t value)
{
    if (m_bClosing)
        return;
    switch (id) {
    case kEvSendEnded:
    case kEvReceiveEnded:
    case kEvPcCopyEnded:
        m_bNoticeDue = false;
        if (m_bJobActive && !m_bPreparing)
            OnFileEnded(id, value != 0);
        break;
    case kEvSendPrepared:
    case kEvReceivePrepared:
    case kEvReceiveCancelled:
    case kEvSendCancelled:
    case kEvPrepareFailed:
        if (m_bJobActive && value == m_Serial)
            OnPrepared(id, value);
        break;
    case kEvPreparationView:
        RunQueuedViewCalls();
        break;
    case kEvFolderListed:
        if (m_bListingDue && value == m_Serial)
            OnFolderListed();
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
        m_Prompter.Notify(m_PrepMessage, m_PrepTitle, PromptIcon::Error);
        EndJob(JobOutcome::Failed);
        return;
    }
    if (id == kEvReceiveCancelled || id == kEvSendCancelled) {
        m_bCancel = true;
        if (NeedsStb() && m_Session.m_bConnected)
            UsbTaskCancel();
        CloseProgress();
        EndJob(JobOutcome::Cancelled);
        return;
    }
    if (m_bFolderFailed)
        m_Prompter.Notify("Cannot make a folder.", "Creation Error", PromptIcon::Error);
    m_EarlierKb.assign(m_Files.size() + 1, 0);
    for (size_t i = 0; i < m_Files.size(); ++i)
        m_EarlierKb[i + 1] = m_EarlierKb[i] + m_Files[i].kb;
    if (m_Files.empty()) {
        CloseProgress();
        EndJob(JobOutcome::Done);
        return;
    }
    CopyCurrent(true);
}

void CopyEngine::OnFileEnded(uint32_t id, bool success)
{
    if (success) {
        m_WrittenPcPaths.clear();
        m_bSentThisFile = false;
        m_RetryCount = 0;
        m_bLastResortDone = false;
        m_ResumedKbFile = 0;
        ++m_Index;
        if (m_bCancel) {
            EndJob(JobOutcome::Cancelled);
        } else if (m_Index == m_Files.size()) {
            CloseProgress();
            EndJob(JobOutcome::Done);
        } else if (m_Session.m_bConnected || !NeedsStb()) {
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
    if (m_bNameRefused) {
        // Another attempt would meet the same name.
        FailJob(LibraryNameText(m_Files[m_Index].pcPath), kCopyFailureTitle);
        return;
    }
    if (!NeedsStb()) {
        std::string why = m_PcTask.Failure();
        FailJob(PcCopyFailureText(m_PcSources[m_Index]) + (why.empty() ? "" : "\n\n" + why), kCopyFailureTitle);
        return;
    }
    if (!m_bRetryDue) {
        m_Timers.StartOnce(kRetryDelayMs, [this, id] {
            m_bRetryDue = true;
            OnTransferEvent(id, 0);
        });
        return;
    }
    m_bRetryDue = false;
    bool connected = m_Session.m_bConnected;
    if (m_RetryCount < 2 && connected && m_bProgressShown) {
        ++m_RetryCount;
        Trace("copy of file %zu failed, retry %d", m_Index, m_RetryCount);
        CopyCurrent(false);
    } else if (m_Direction == Direction::Receive && !m_bLastResortDone && connected) {
        m_bLastResortDone = true;
        Trace("copy of file %zu failed, last-resort receive", m_Index);
        CopyCurrent(true, true);
    } else {
        FailCopy();
    }
}

void CopyEngine::FailCopy()
{
    // A file refused for its name was never written: there is no PC file to speak of.
    bool named = m_Index < m_Files.size() && m_Files[m_Index].safe;
    std::string note = !named ? "" : m_Direction == Direction::Receive ? KeepReceivedPart() : SentFileNote();
    FailJob(CopyFailureText() + note, kCopyFailureTitle);
}

void CopyEngine::FailJob(const std::string& text, const std::string& title)
{
    CloseProgress();
    m_Prompter.Notify(text, title, PromptIcon::Error);
    m_bCancel = true;
    EndJob(JobOutcome::Failed);
}

void CopyEngine::CancelJob()
{
    if (!m_bJobActive)
        return;
    m_bCancel = true;
    CloseProgress();
    JobState state = m_State;
    if (state == JobState::JobMakingFolders) {
        // The preparation stops after the folder in hand and ends the job with its
        // cancel event: the loop's thread does not wait for that exchange.
        if (NeedsStb())
            UsbTaskCancel();
    } else if (state == JobState::JobCopying) {
        // A running copy's failure notice ends the job, as does a listing's end; between
        // attempts nothing else would.
        if (m_bNoticeDue && NeedsStb())
            UsbTaskCancel();
        else if (m_bNoticeDue)
            m_PcTask.Cancel();
        else if (!m_bListingDue)
            EndJob(JobOutcome::Cancelled);
    }
    m_State = JobState::JobIdle;
}

void CopyEngine::CloseDuringJob()
{
    if (!m_bJobActive)
        return;
    m_bClosing = true;
    m_bCancel = true;
    bool taskEnded = !m_bNoticeDue || CancelAndWaitTask();
    JoinPreparation();
    m_bListingDue = false;
    m_Timers.StopAll();
    if (taskEnded && m_Direction == Direction::Receive)
        KeepPartsOfThisFile();
    // The remote control stays dead while turbo is on: the STB gets a moment after the
    // cancel, then turbo off, and the line is free for whoever comes next.
    if (taskEnded && m_bLineTaken) {
        if (m_Session.m_bTurboActive && m_Session.m_bConnected) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kTurboOffDelayMs));
            SwitchTurboOff();
        }
        m_Session.ReleaseLine();
    }
    m_Files = {};
    m_PcSources = {};
    m_Folders = {};
    m_Listing.reset();
    m_MadePvrFolders = {};
    m_bJobActive = false;
    m_State = JobState::JobIdle;
}

void CopyEngine::OnDeviceArrived()
{
    m_Session.Arrived();
    if (m_bJobActive) {
        m_bArrivalDue = true;
        return;
    }
    m_bArrivalDue = false;
    m_bCancel = false;
    m_Index = 0;
    m_State = JobState::JobIdle;
    m_Session.m_wVersion = QueryDeviceVersion(m_Session);
}

void CopyEngine::OnDeviceRemoved()
{
    m_Session.Removed();
    m_Session.m_bTurboActive = false;
    m_bArrivalDue = false;
    JobState state = m_State;
    if (m_bJobActive && (state == JobState::JobScanning || state == JobState::JobMakingFolders)) {
        CloseProgress();
        m_bCancel = true;
    }
    m_State = JobState::JobIdle;
}

void CopyEngine::SwitchTurboOff()
{
    PvrTurboOnLine(false);
    m_Session.m_bTurboActive = false;
    m_bTurboSwitched = false;
}

void CopyEngine::QueueView(std::function<void(ProgressView&)> call)
{
    bool first;
    {
        std::lock_guard lock(m_ViewMutex);
        first = m_ViewCalls.empty();
        m_ViewCalls.push_back(std::move(call));
    }
    if (first)
        m_Events.Post(kEvPreparationView, 0);
}

void CopyEngine::RunQueuedViewCalls()
{
    std::deque<std::function<void(ProgressView&)>> calls;
    {
        std::lock_guard lock(m_ViewMutex);
        calls.swap(m_ViewCalls);
    }
    if (m_bJobActive && m_bProgressShown)
        for (auto& call : calls)
            call(m_Progress);
}

void CopyEngine::JoinPreparation()
{
    if (m_Preparation.joinable())
        m_Preparation.join();
}

void CopyEngine::EndJob(JobOutcome outcome)
{
    if (!m_bJobActive)
        return;
    JoinPreparation();
    m_Timers.StopAll();
    m_bRetryDue = false;
    m_State = JobState::JobIdle;
    if (m_bTurboSwitched)
        SwitchTurboOff();
    if (outcome == JobOutcome::Done && m_bFolderFailed)
        outcome = JobOutcome::Failed;
    if (std::string cutShort = outcome == JobOutcome::Cancelled ? CutShortText() : ""; !cutShort.empty())
        m_Prompter.Notify("The copy was cancelled." + cutShort, "NOTICE", PromptIcon::Information);
    m_Files = {};
    m_PcSources = {};
    m_Folders = {};
    m_EarlierKb = {};
    m_Listing.reset();
    m_MadePvrFolders = {};
    m_bJobActive = false;
    m_LastOutcome = outcome;
    if (m_bLineTaken)
        m_Session.ReleaseLine();
    if (m_bArrivalDue)
        OnDeviceArrived();
    m_Host.JobEnded(outcome);
    m_Host.RefreshPane(m_Direction == Direction::Send ? PaneSide::Pvr : PaneSide::Pc);
    m_Host.EnableControls(true);
}

uint16_t CopyEngine::TaskPercent() const
{
    return m_Direction == Direction::PcCopy ? m_PcTask.Percent() : UsbTaskGetPercent();
}

ProgressCounters CopyEngine::Counters() const
{
    ProgressCounters c;
    c.index = m_Index;
    c.fileCount = m_Files.size();
    if (m_Index < m_Files.size()) {
        c.fileKb = m_Files[m_Index].kb;
        c.earlierKb = m_EarlierKb.size() > m_Index ? m_EarlierKb[m_Index] : 0;
    }
    c.totalKb = m_EarlierKb.empty() ? 0 : m_EarlierKb.back();
    c.doneKb = m_DoneKb;
    c.doneCount = m_DoneCount;
    c.resumedKbFile = m_ResumedKbFile;
    c.resumedKbJob = m_ResumedKbJob;
    c.asking = m_bAsking;
    return c;
}

void CopyEngine::CloseProgress()
{
    m_Progress.Close();
    m_bProgressShown = false;
}

}  // namespace explorer
