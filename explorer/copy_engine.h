// The copy job between the PVR and the PC, and the paste of copied PC files into a PC
// folder: collection of files on a preparation thread, limits and free space, folder
// creation, then a file loop driven by the copy tasks' end notices, with conflict
// questions, resume, retries and turbo around jobs. Every method but the preparation runs
// on the loop's thread; the preparation's calls to the progress view are queued to the
// loop's thread (event kEvPreparationView). A listing of a PVR folder the file loop needs
// runs on a worker too (event kEvFolderListed), as do PC-to-PC copies (CPcCopyTask).
//
// The window feeds OnTransferEvent with every event of the table below, calls
// OnDeviceArrived/OnDeviceRemoved for 6000/6001, and CloseDuringJob before it goes; the
// host hears JobEnded when a job is over.
#pragma once
#include "common/prompter.h"
#include "explorer/device_watch.h"
#include "explorer/event_loop.h"
#include "explorer/explorer_host.h"
#include "explorer/pc_copy_task.h"
#include "explorer/pvr_protocol.h"
#include "explorer/pvr_session.h"
#include "explorer/task_notices.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace explorer {

struct PcEntryInfo;

constexpr uint32_t kEvSendEnded = 4000;
constexpr uint32_t kEvReceiveEnded = 4001;
constexpr uint32_t kEvSendPrepared = 4005;
constexpr uint32_t kEvReceivePrepared = 4006;
constexpr uint32_t kEvReceiveCancelled = 4007;
constexpr uint32_t kEvSendCancelled = 4008;
constexpr uint32_t kEvPrepareFailed = 4009;
constexpr uint32_t kEvPreparationView = 4010;  // progress-view calls of the preparation wait
constexpr uint32_t kEvPcCopyEnded = 4011;      // a PC-to-PC copy of one file ended
constexpr uint32_t kEvFolderListed = 4012;     // the file loop's listing of a PVR folder is there

constexpr size_t kJobLimit = 19999;  // a job holds fewer files and fewer folders than this
constexpr unsigned kRetryDelayMs = 1001;
constexpr unsigned kTurboOffDelayMs = 500;   // closing during a job: pause before turbo off
constexpr unsigned kTaskEndWaitMs = 5000;    // closing: how long a cancelled copy may take to end

inline constexpr const char* kCopyFailureTitle = "Copy Failure";
// "Already used in the other process or ..." naming a PC path that cannot be read.
std::string CannotOpenText(const std::string& pcPath);
// A PC entry of a send that cannot be sent, and why: the job stops before its first copy.
std::string CannotSendText(const std::string& pcPath, const std::string& reason);
// A PC-to-PC copy that failed, naming its source.
std::string PcCopyFailureText(const std::string& from);
// A PC file whose name the device library cannot be given (the system's 8-bit code page
// lacks some of its characters): not tried again.
std::string LibraryNameText(const std::string& pcPath);
// "The filename is too long!!" naming the PC path.
std::string TooLongText(const std::string& pcPath);

enum class JobState { JobIdle, JobScanning, JobScanned, JobMakingFolders, JobReceiveReady, JobCopying };
// PcCopy: a paste of copied PC files and folders into a PC folder.
enum class Direction { Send, Receive, PcCopy };

struct CopyFile {
    std::string pvrPath;
    std::string pcPath;
    uint32_t kb = 0;
    bool safe = true;  // false: its name may not be used on the other side
};

// One entry of a PC paste: a folder to make or a file to copy, parents first.
struct PcCopyItem {
    std::string from;
    std::string to;
    bool isFolder = false;
};

// What the progress window reads while it polls.
struct ProgressCounters {
    size_t index = 0;
    size_t fileCount = 0;
    uint32_t fileKb = 0;
    uint64_t earlierKb = 0;  // KB of the files before the current one
    uint64_t totalKb = 0;
    uint64_t doneKb = 0;     // counted as done without copying, plus resumed parts
    uint32_t doneCount = 0;
    uint64_t resumedKbFile = 0;
    uint64_t resumedKbJob = 0;
    bool asking = false;
};

class CopyEngine {
public:
    CopyEngine(PvrSession& session, ExplorerHost& host, ProgressView& progress, ConflictAsker& asker,
               Prompter& prompter, EventSink& events, TimerService& timers);
    ~CopyEngine();

    bool StartSend() { return Start(Direction::Send); }
    bool StartReceive() { return Start(Direction::Receive); }
    // Copies without replacing anything; a failure ends the job with its message.
    bool StartPcCopy(std::vector<PcCopyItem> items);
    void OnTransferEvent(uint32_t id, uint32_t value);
    void CancelJob();
    // The main window closes: stop everything, handle no further events.
    // Waits for a cancelled copy's end and switches turbo off after kTurboOffDelayMs.
    void CloseDuringJob();
    // The STB is there (StartPnpNotice, the poller, a device-change message): connected,
    // line idle, cancel off, index 0, state idle, protocol version read. While a job still
    // waits for its last notice this happens at the job's end instead.
    void OnDeviceArrived();
    // The STB is gone: line and turbo marked off, state idle; a job still collecting or
    // making folders is cancelled (a copy ends by the library's failure notice).
    void OnDeviceRemoved();

    bool JobActive() const { return m_bJobActive; }
    // Something outside the loop will still post an event (preparation, listing or a copy task).
    bool AwaitingOutside() const { return m_bPreparing || m_bNoticeDue || m_bListingDue; }
    JobState State() const { return m_State; }
    JobOutcome LastOutcome() const { return m_LastOutcome; }
    ProgressCounters Counters() const;
    // Percentage of the running copy of a file, 0..100.
    uint16_t TaskPercent() const;

private:
    enum class Conflict { Copy, Skip, Resume, Cancel };
    // A file in its PVR folder's listing; known is false when a listing cut short twice could not tell.
    struct PvrLookup {
        bool known = true;
        std::optional<PvrEntry> entry;
    };

    bool Start(Direction direction);
    bool Begin(Direction direction);
    void Prepare(std::vector<PaneRow> rows, std::string pvrFolder, std::string pcFolder, uint32_t serial);
    void PreparePcCopy(std::vector<PcCopyItem> items, uint32_t serial);
    // Ends the preparation with its event: failed (with failure or an earlier refusal), cancelled or prepared.
    void FinishPreparation(uint32_t serial, const std::string& failure = "");
    // Collects a PC folder; false (with the message) at what cannot be read or sent.
    using PcFolderId = std::pair<uint64_t, uint64_t>;  // device and inode
    bool ScanPcFolder(const std::string& pcFolder, const std::string& pvrFolder, std::vector<PcFolderId>& ancestors);
    // file: what the folder's listing found, for a plain file; else the entry is looked at here.
    bool ScanPcEntry(const std::string& pcPath, const std::string& pvrFolder, std::vector<PcFolderId>& ancestors,
                     const PcEntryInfo* file = nullptr);
    // False, with the message, when a selected PC file is there but cannot be sent.
    bool SendablePcFile(const std::string& pcPath);
    bool ScanPvrFolder(const std::string& pvrFolder, const std::string& pcFolder);
    bool Full() const { return m_Files.size() >= kJobLimit || m_Folders.size() >= kJobLimit; }
    std::string CheckLimitsAndSpace(const std::string& pcFolder);
    uint64_t ResumedKb();
    void MakeFolders();
    bool MakePvrFolder(const std::string& path);
    // From the preparation thread: the call runs on the loop's thread.
    void QueueView(std::function<void(ProgressView&)> call);
    void RunQueuedViewCalls();
    void SwitchTurboOff();
    void OnPrepared(uint32_t id, uint32_t serial);
    void OnFileEnded(uint32_t id, bool success);
    void OnFolderListed();
    bool NeedsStb() const { return m_Direction != Direction::PcCopy; }
    // The current file's step: CopyCurrent starts it, RunStep runs it again once a
    // listing it waited for is there.
    void CopyCurrent(bool firstAttempt, bool lastResort = false);
    void RunStep();
    void SendCurrent(bool firstAttempt);
    void ReceiveCurrent(bool firstAttempt, bool lastResort);
    void CopyPcFile();
    bool PrepareLastResort(CopyFile& file, const PvrListing& listing);
    // facts: both files' sizes and dates, shown under the question.
    Conflict Decide(bool exists, const std::string& name, bool lastResort, const std::string& facts);
    void StartTask(bool send, uint64_t offset);
    // Cancels the running copy and waits for its end (the library's at most kTaskEndWaitMs).
    bool CancelAndWaitTask();
    void CountAsDone();
    // The folder's listing when the job has it; otherwise nothing, and a worker lists it.
    const PvrListing* ListingOf(const std::string& folder);
    // Nothing while a worker lists the folder.
    std::optional<PvrLookup> FindPvrFile(const std::string& folder, const std::string& name);
    void FailJob(const std::string& text, const std::string& title);
    void FailCopy();
    // After the last attempt of a receive: the PC file and the reason the PC side shows, and
    // the part its attempts wrote, kept as NAME.part (the next receive offers to resume it).
    std::string KeepReceivedPart();
    // The file of a failed send, and why the PC cannot read it when it cannot; else, once a
    // send task of it started, that its PVR copy may be incomplete and how to resume it.
    std::string SentFileNote();
    // Renames what this file's receives wrote to NAME.part (an empty file goes); the text says where.
    std::string KeepPartsOfThisFile();
    // The file a cancelled job cut short, for the notice after Cancel; empty when none.
    std::string CutShortText();
    bool WroteThisFile(const std::string& pcPath) const;
    // Whether a file already at the destination is asked about, by the answers given so far.
    bool AsksAboutExisting(bool resumable) const;
    // The copy-failure text for a connected or a missing STB.
    std::string CopyFailureText() const;
    // From the preparation thread: the job fails with this message before any copy.
    bool Refuse(const std::string& message, const std::string& title = kCopyFailureTitle);
    void EndJob(JobOutcome outcome);
    void CloseProgress();
    void JoinPreparation();

    PvrSession& m_Session;
    ExplorerHost& m_Host;
    ProgressView& m_Progress;
    ConflictAsker& m_Asker;
    Prompter& m_Prompter;
    EventSink& m_Events;
    TimerService& m_Timers;
    TaskNotices* m_Notices;  // released, not deleted: a task may still hold it
    CPcCopyTask m_PcTask;

    std::mutex m_ViewMutex;
    std::deque<std::function<void(ProgressView&)>> m_ViewCalls;

    std::thread m_Preparation;
    std::atomic<bool> m_bPreparing{false};
    std::atomic<bool> m_bNoticeDue{false};
    bool m_bListingDue = false;
    bool m_bLineTaken = false;
    std::atomic<JobState> m_State{JobState::JobIdle};
    std::atomic<bool> m_bCancel{false};
    bool m_bJobActive = false;
    bool m_bClosing = false;
    bool m_bRetryDue = false;
    bool m_bNameRefused = false;  // the library could not be given the PC file's name
    bool m_bTurboSwitched = false;
    bool m_bProgressShown = false;
    bool m_bAsking = false;
    bool m_bArrivalDue = false;  // the STB arrived while a job was still ending
    uint32_t m_Serial = 0;
    JobOutcome m_LastOutcome = JobOutcome::None;

    Direction m_Direction = Direction::Send;
    std::vector<CopyFile> m_Files;
    std::vector<std::string> m_PcSources;  // PcCopy: where each file comes from
    std::vector<std::string> m_Folders;
    std::vector<uint64_t> m_EarlierKb;
    std::string m_PrepMessage;    // shown on the loop's thread with event 4009
    std::string m_PrepTitle;
    bool m_bFolderFailed = false;  // a destination folder could not be made
    size_t m_Index = 0;
    int m_RetryCount = 0;
    bool m_bLastResortDone = false;
    bool m_bStepFirstAttempt = true;
    bool m_bStepLastResort = false;
    bool m_bStepRelisted = false;   // the step listed its folder once more after a cut-short listing
    bool m_bLastResortReady = false;
    std::vector<std::string> m_WrittenPcPaths;  // where the current file's receive tasks wrote
    bool m_bSentThisFile = false;               // a send task of the current file started
    bool m_bAsk = true;
    std::optional<ConflictAnswer> m_Answer;  // none until the first question of the job
    uint64_t m_DoneKb = 0;
    uint32_t m_DoneCount = 0;
    uint64_t m_ResumedKbFile = 0;
    uint64_t m_ResumedKbJob = 0;
    // The job holds the line, so a PVR folder changes only by the job's own copies, each
    // to a path of its own: one listing per folder answers every existence question.
    std::string m_ListedFolder;
    std::optional<PvrListing> m_Listing;
    std::unordered_set<std::string> m_MadePvrFolders;  // by the preparation, empty when made
    PvrListing m_FetchedListing;  // written by the listing worker, taken over at kEvFolderListed
};

}  // namespace explorer
