#include "editor_ui/core/recovery_keeper.h"

#include "common/system_paths.h"
#include "common/trace.h"
#include "settings/backup_folder.h"

#include <cstdio>

namespace fs = std::filesystem;

CRecoveryKeeper::CRecoveryKeeper(fs::path sideFolder)
    : m_Folder(std::move(sideFolder)), m_Path(m_Folder / kRecoveryFileName)
{
    if (!MakePrivateFolder(m_Folder, &m_Failure))
        return;
    m_pLock = CInstanceLock::Acquire(m_Folder / "recovery.lock");
    if (!m_pLock) {
        m_Failure = {m_Folder / "recovery.lock", "another editor keeps the recovery file"};
        return;
    }
    m_Thread = std::thread([this] { Run(); });
}

CRecoveryKeeper::~CRecoveryKeeper()
{
    {
        std::lock_guard lock(m_Lock);
        m_bQuit = true;
    }
    m_Changed.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
}

bool CRecoveryKeeper::Leftover() const
{
    std::error_code error;
    return Active() && fs::is_regular_file(fs::symlink_status(m_Path, error));
}

void CRecoveryKeeper::Write(std::unique_ptr<COrvanel1Doc> copy, RecoveryInfo info)
{
    copy->m_pPrompter = nullptr;
    Queue({std::move(copy), std::move(info)});
}

void CRecoveryKeeper::Remove()
{
    Queue({});
}

void CRecoveryKeeper::Queue(Job job)
{
    if (!Active())
        return;
    {
        std::lock_guard lock(m_Lock);
        m_Waiting = std::move(job);
    }
    m_Changed.notify_all();
}

void CRecoveryKeeper::Flush()
{
    std::unique_lock lock(m_Lock);
    m_Changed.wait(lock, [this] { return !m_Waiting && !m_bBusy; });
}

FileFailure CRecoveryKeeper::LastFailure() const
{
    std::lock_guard lock(m_Lock);
    return m_Failure;
}

void CRecoveryKeeper::Run()
{
    std::unique_lock lock(m_Lock);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_Waiting || m_bQuit; });
        if (!m_Waiting)
            return;
        Job job = std::move(*m_Waiting);
        m_Waiting.reset();
        m_bBusy = true;
        lock.unlock();
        Do(job);
        lock.lock();
        m_bBusy = false;
        m_Changed.notify_all();
    }
}

void CRecoveryKeeper::Do(Job& job)
{
    FileFailure failure;
    if (!job.copy) {
        std::error_code error;
        if (!fs::remove(m_Path, error) && error)
            failure = {m_Path, error.message()};
    } else {
        const std::vector<uint8_t> bytes = BuildRecoveryFile(*job.copy, job.info);
        if (bytes.empty())
            failure = {m_Path, "the settings cannot be encoded"};
        else
            SafeWriteFile(m_Path, bytes, LinkRule::Replace, &failure);
    }
    std::lock_guard lock(m_Lock);
    m_Failure = failure;
}

std::optional<fs::path> CRecoveryKeeper::MoveAside(std::time_t written, FileFailure* failure)
{
    Flush();
    const fs::path folder = AsideFolder();
    if (!MakePrivateFolder(folder, failure))
        return std::nullopt;
    const std::tm local = LocalTime(KnownTime(written) ? written : std::time(nullptr));
    char stem[80];
    std::strftime(stem, sizeof stem, "recovery_%Y-%m-%d_%H-%M-%S", &local);
    std::error_code error;
    fs::path aside = folder / (std::string(stem) + ".dat");
    for (int n = 2; fs::exists(fs::symlink_status(aside, error)); ++n)
        aside = folder / (std::string(stem) + "_" + std::to_string(n) + ".dat");
    if (fs::rename(m_Path, aside, error), error) {
        if (failure)
            *failure = {m_Path, error.message()};
        return std::nullopt;
    }
    KeepInBackups(folder, aside);
    return aside;
}

fs::path CRecoveryKeeper::AsideFolder() const
{
    return BackupFolderOf(m_Folder);
}
