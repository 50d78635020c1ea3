// The copy job between the PVR and the PC: collection of files on a preparation thread,
// limits and free space, folder creation, then a file loop driven by the library's
// end-of-copy notices, with conflict questions, resume, retries and turbo around jobs.
// Every method but the preparation runs on the loop's thread.
#pragma once
#include "explorer/event_loop.h"
#include "explorer/explorer_host.h"
#include "common/prompter.h"
#include "explorer/pvr_session.h"
#include "explorer/zbdll.h"

#include "explorer/pvr_protocol.h"

#include <atomic>
#include <optional>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace explorer {

constexpr uint32_t kEvSendEnded = 4000;
constexpr uint32_t kEvReceiveEnded = 4001;
constexpr uint32_t kEvSendPrepared = 4005;
constexpr uint32_t kEvReceivePrepared = 4006;
constexpr uint32_t kEvReceiveCancelled = 4007;
constexpr uint32_t kEvSendCancelled = 4008;
constexpr uint32_t kEvPrepareFailed = 4009;
constexpr uint32_t kEvDeviceArrival = 6000;
constexpr uint32_t kEvDeviceRemoval = 6001;

constexpr size_t kJobLimit = 19999;  // a job holds fewer files and fewer folders than this
constexpr unsigned kRetryDelayMs = 1001;

enum class JobState { JobIdle, JobScanning, JobScanned, JobMakingFolders, JobReceiveReady, JobCopying };
enum class Direction { Send, Receive };
enum class JobOutcome { None, Done, Failed, Cancelled };

struct CopyFile {
    std::string pvrPath;
    std::string pcPath;
    uint32_t kb = 0;
    bool safe = true;  // false: its name may not be used on the other side
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
    void OnTransferEvent(uint32_t id, uint32_t value);
    void CancelJob();
    // The main window closes: stop everything, handle no further events.
    void CloseDuringJob();
    void OnDeviceRemoved();

    bool JobActive() const { return m_bJobActive; }
    // Something outside the loop will still post an event (preparation or a copy task).
    bool AwaitingOutside() const { return m_bPreparing || m_bNoticeDue; }
    JobState State() const { return m_state; }
    JobOutcome LastOutcome() const { return m_lastOutcome; }
    ProgressCounters Counters() const;

private:
    enum class Conflict { Copy, Skip, Resume, Cancel };
    struct Prepared;

    bool Start(Direction direction);
    void Prepare(std::vector<PaneRow> rows, std::string pvrFolder, std::string pcFolder, uint32_t serial);
    void ScanPcFolder(const std::string& pcFolder, const std::string& pvrFolder);
    void ScanPvrFolder(const std::string& pvrFolder, const std::string& pcFolder);
    bool Full() const { return m_files.size() >= kJobLimit || m_folders.size() >= kJobLimit; }
    std::string CheckLimitsAndSpace(const std::string& pcFolder);
    void MakeFolders();
    void OnPrepared(uint32_t id, uint32_t serial);
    void OnFileEnded(uint32_t id, bool success);
    void CopyCurrent(bool firstAttempt);
    void SendCurrent(bool firstAttempt);
    void ReceiveCurrent(bool firstAttempt, bool lastResort);
    void PrepareLastResort(CopyFile& file);
    Conflict Decide(bool exists, const std::string& name, bool lastResort);
    void StartTask(bool send, uint64_t offset);
    void CountAsDone();
    std::optional<uint64_t> PvrFileSize(const std::string& folder, const std::string& name);
    void FailJob(const std::string& text, const std::string& title);
    void FailCopy();
    void EndJob(JobOutcome outcome);
    void CloseProgress();
    void JoinPreparation();
    static void OnLibraryNotice(void* context, uint32_t id, uint32_t value);

    PvrSession& m_session;
    ExplorerHost& m_host;
    ProgressView& m_progress;
    ConflictAsker& m_asker;
    Prompter& m_prompter;
    EventSink& m_events;
    TimerService& m_timers;
    ZbWindow m_window;

    std::thread m_preparation;
    std::atomic<bool> m_bPreparing{false};
    std::atomic<bool> m_bNoticeDue{false};
    std::atomic<JobState> m_state{JobState::JobIdle};
    std::atomic<bool> m_bCancel{false};
    bool m_bJobActive = false;
    bool m_bClosing = false;
    bool m_bRetryDue = false;
    bool m_bTurboSwitched = false;
    bool m_bProgressShown = false;
    bool m_bAsking = false;
    uint32_t m_serial = 0;
    JobOutcome m_lastOutcome = JobOutcome::None;

    Direction m_direction = Direction::Send;
    std::vector<CopyFile> m_files;
    std::vector<std::string> m_folders;
    std::vector<uint64_t> m_earlierKb;
    std::string m_prepMessage;    // shown on the loop's thread with event 4009
    bool m_bFolderFailed = false;  // a PC folder could not be made
    size_t m_index = 0;
    int m_retryCount = 0;
    bool m_bLastResortDone = false;
    bool m_bAsk = true;
    std::optional<ConflictAnswer> m_answer;  // none until the first question of the job
    uint64_t m_doneKb = 0;
    uint32_t m_doneCount = 0;
    uint64_t m_resumedKbFile = 0;
    uint64_t m_resumedKbJob = 0;
    // The job holds the line, so a PVR folder changes only by the job's own copies, each
    // to a path of its own: one listing per folder answers every existence question.
    std::string m_listedFolder;
    std::optional<PvrListing> m_listing;
};

}  // namespace explorer
