// The editor's recovery file of unsaved edits ("recovery.dat" in the side folder), written
// by a thread of its own with the safe writer: the window's thread only hands over a copy of
// the document. The newest copy replaces one still waiting, and a removal replaces a write
// still waiting, so the file never outlives the edits it holds. One running editor keeps the
// file of a side folder (recovery.lock); a second one keeps none.
#pragma once
#include "common/instance_lock.h"
#include "common/safe_file.h"
#include "settings/recovery_file.h"

#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class CRecoveryKeeper {
public:
    explicit CRecoveryKeeper(std::filesystem::path sideFolder);
    ~CRecoveryKeeper();   // finishes what is waiting
    CRecoveryKeeper(const CRecoveryKeeper&) = delete;
    CRecoveryKeeper& operator=(const CRecoveryKeeper&) = delete;

    bool Active() const { return m_pLock != nullptr; }
    const std::filesystem::path& Path() const { return m_Path; }
    // A file left by an editor that did not end cleanly (asked before any write of ours).
    bool Leftover() const;

    // Encodes and writes the copy (tables and image buffers of the document) on the thread.
    void Write(std::unique_ptr<COrvanel1Doc> copy, RecoveryInfo info);
    void Remove();
    // Moves the file into backups/ as "recovery_DATE_TIME.dat" (the time it was written, or
    // now when that is not known), kept there within the backups' limits. The new path.
    std::optional<std::filesystem::path> MoveAside(std::time_t written, FileFailure* failure = nullptr);
    std::filesystem::path AsideFolder() const;
    // Returns once nothing waits and nothing is being written.
    void Flush();
    // The last write's failure, empty after a success; why none is kept while not Active.
    FileFailure LastFailure() const;

private:
    struct Job {
        std::unique_ptr<COrvanel1Doc> copy;   // null: remove the file
        RecoveryInfo info;
    };
    void Queue(Job job);
    void Run();
    void Do(Job& job);

    std::filesystem::path m_Folder;
    std::filesystem::path m_Path;
    std::unique_ptr<CInstanceLock> m_pLock;
    mutable std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::optional<Job> m_Waiting;
    bool m_bBusy = false;
    bool m_bQuit = false;
    FileFailure m_Failure;
    std::thread m_Thread;
};
