// The preparation thread of a copy job: collects files and folders, checks limits and
// free space, and makes the destination folders.
#include "explorer/copy_engine.h"
#include "explorer/pvr_protocol.h"

#include <algorithm>
#include <filesystem>
#include <numeric>

namespace explorer {

namespace fs = std::filesystem;

namespace {

std::string PcJoin(const std::string& folder, const std::string& name) { return (fs::path(folder) / name).string(); }

bool IsSideStream(const std::string& name) { return EndsWithNoCase(name, ".ts") || EndsWithNoCase(name, ".ss"); }

// A PC name with a backslash would name another folder on the STB.
bool IsSafePcName(const std::string& name) { return name.find('\\') == std::string::npos; }

}

void CopyEngine::Prepare(std::vector<PaneRow> rows, std::string pvrFolder, std::string pcFolder, uint32_t serial)
{
    m_state = JobState::JobScanning;
    bool send = m_direction == Direction::Send;
    for (const PaneRow& row : rows) {
        if (m_bCancel || Full())
            break;
        std::string pvrPath = PvrJoin(pvrFolder, row.name);
        std::string pcPath = PcJoin(pcFolder, row.name);
        bool safe = send ? IsSafePcName(row.name) : IsSafeEntryName(row.name, row.name.find('\0') == std::string::npos);
        if (!row.IsFolder() || !safe) {
            m_files.push_back({pvrPath, pcPath, KbOfBytes(row.bytes), safe});
        } else if (row.name != "..") {
            m_folders.push_back(send ? pvrPath : pcPath);
            if (send)
                ScanPcFolder(pcPath, pvrPath);
            else
                ScanPvrFolder(pvrPath, pcPath);
        }
    }
    uint32_t doneEvent = send ? kEvSendPrepared : kEvReceivePrepared;
    uint32_t cancelEvent = send ? kEvSendCancelled : kEvReceiveCancelled;
    m_prepMessage = CheckLimitsAndSpace(pcFolder);
    if (!m_prepMessage.empty()) {
        m_bCancel = true;
        doneEvent = kEvPrepareFailed;
    } else if (m_bCancel) {
        doneEvent = cancelEvent;
    } else {
        m_state = JobState::JobScanned;
        if (!m_folders.empty())
            MakeFolders();
        if (m_bCancel)
            doneEvent = cancelEvent;
        else if (!send)
            m_state = JobState::JobReceiveReady;
    }
    // Posted before the flag drops, so a waiting loop always has this event or the flag.
    m_events.Post(doneEvent, serial);
    m_bPreparing = false;
}

void CopyEngine::ScanPcFolder(const std::string& pcFolder, const std::string& pvrFolder)
{
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(pcFolder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end());
    for (const fs::directory_entry& entry : entries) {
        if (m_bCancel || Full())
            return;
        std::string name = entry.path().filename().string();
        std::string pvrPath = PvrJoin(pvrFolder, name);
        if (!IsSafePcName(name)) {
            m_files.push_back({pvrPath, entry.path().string(), 0, false});
        } else if (entry.is_directory(ec) && !entry.is_symlink(ec)) {
            // A link to a folder could lead back up the tree: links are not followed.
            m_folders.push_back(pvrPath);
            ScanPcFolder(entry.path().string(), pvrPath);
        } else if (entry.is_regular_file(ec)) {
            m_files.push_back({pvrPath, entry.path().string(), KbOfBytes(entry.file_size(ec)), true});
        }
    }
}

void CopyEngine::ScanPvrFolder(const std::string& pvrFolder, const std::string& pcFolder)
{
    m_progress.SetPathLine(ShortenText(pcFolder, 45));
    PvrListing listing = ListPvrFolderOnLine(pvrFolder);
    if (listing.overflow) {
        while (m_files.size() < kJobLimit)
            m_files.push_back({pvrFolder, pcFolder, 0, false});
        return;
    }
    if (listing.status == ListStatus::Failed) {
        // Its contents are unknown: the job must not report it as copied.
        m_files.push_back({pvrFolder, pcFolder, 0, false});
        return;
    }
    std::vector<PvrEntry> subfolders;
    for (PvrEntry& entry : listing.entries) {
        if (m_bCancel || Full())
            return;
        if (entry.name == "." || entry.name == "..")
            continue;
        std::string pvrPath = PvrJoin(pvrFolder, entry.name);
        std::string pcPath = entry.nameSafe ? PcJoin(pcFolder, entry.name) : pcFolder;
        if (!entry.nameSafe)
            m_files.push_back({pvrPath, pcPath, KbOfBytes(entry.size), false});
        else if (entry.isFolder)
            subfolders.push_back(std::move(entry));
        else if (!IsSideStream(entry.name))
            m_files.push_back({pvrPath, pcPath, KbOfBytes(entry.size), true});
    }
    listing.entries = {};
    for (const PvrEntry& folder : subfolders) {
        if (m_bCancel || Full())
            return;
        std::string pcPath = PcJoin(pcFolder, folder.name);
        m_folders.push_back(pcPath);
        ScanPvrFolder(PvrJoin(pvrFolder, folder.name), pcPath);
    }
}

std::string CopyEngine::CheckLimitsAndSpace(const std::string& pcFolder)
{
    if (m_files.size() >= kJobLimit)
        return "Too many file number!!";
    if (m_folders.size() >= kJobLimit)
        return "Too many folder number!!";
    if (m_bCancel)
        return "";
    uint64_t totalKb = std::accumulate(m_files.begin(), m_files.end(), uint64_t(0),
                                       [](uint64_t sum, const CopyFile& f) { return sum + f.kb; });
    uint64_t freeKb = 0;
    if (m_direction == Direction::Send) {
        DiskQuery query = QueryPvrDiskOnLine();
        freeKb = query.disk ? query.disk->freeKb : 0;
    } else {
        std::error_code ec;
        fs::space_info space = fs::space(pcFolder, ec);
        freeKb = ec ? 0 : space.available / 1024;
    }
    return totalKb >= freeKb ? "Not enough disk space!!" : "";
}

void CopyEngine::MakeFolders()
{
    m_state = JobState::JobMakingFolders;
    m_progress.SetTitle("Creating Folder(s)....");
    size_t count = m_folders.size();
    for (size_t i = 0; i < count && !m_bCancel; ++i) {
        const std::string& folder = m_folders[i];
        m_progress.SetPathLine(ShortenText(folder, 45));
        m_progress.SetFolderBar(i, count, "Folder : " + std::to_string(i + 1) + " / " + std::to_string(count),
                                i * 100 / count > 46);
        if (m_direction == Direction::Send) {
            PvrMakeFolderOnLine(folder);
        } else {
            std::error_code ec;
            fs::create_directory(folder, ec);
            if (ec && !fs::is_directory(folder))
                m_bFolderFailed = true;
        }
    }
}

}  // namespace explorer
