// The preparation thread of a copy job: collects files and folders, checks limits and
// free space, and makes the destination folders.
#include "explorer/copy_engine.h"
#include "explorer/pc_files.h"
#include "explorer/pvr_protocol.h"
#include "common/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <numeric>

namespace explorer {

namespace fs = std::filesystem;

namespace {

bool IsSideStream(const std::string& name) { return EndsWithNoCase(name, ".ts") || EndsWithNoCase(name, ".ss"); }

// A PC name with a backslash would name another folder on the STB.
bool IsSafePcName(const std::string& name) { return name.find('\\') == std::string::npos; }

// Why a PC entry cannot be sent; empty for a file, a folder, or nothing there at all (missing).
std::string UnsendableReason(const std::string& path, PcEntryInfo& info, bool& missing)
{
    missing = false;
    if (!StatPcPath(path, info)) {
        int error = errno;
        missing = !PcNameExists(path);
        return missing ? "" : error == ENOENT ? "a link to nothing" : std::strerror(error);
    }
    if (info.isFile || info.isFolder)
        return "";
    std::error_code ec;
    return FileKindText(fs::status(PcFsPath(path), ec).type()) + ", neither file nor folder";
}

}

void CopyEngine::Prepare(std::vector<PaneRow> rows, std::string pvrFolder, std::string pcFolder, uint32_t serial)
{
    m_State = JobState::JobScanning;
    bool send = m_Direction == Direction::Send;
    bool scanned = true;
    std::vector<PcFolderId> ancestors;
    for (const PaneRow& row : rows) {
        if (!scanned || m_bCancel || Full())
            break;
        std::string pvrPath = PvrJoin(pvrFolder, row.name);
        std::string pcPath = PcChildPath(pcFolder, row.name);
        bool safe = send ? IsSafePcName(row.name) : IsSafeEntryName(row.name, row.name.find('\0') == std::string::npos);
        if (!row.IsFolder() || !safe) {
            // A selected file that is gone is reported when its turn comes, one that cannot be sent now.
            scanned = !send || !safe || SendablePcFile(pcPath);
            if (scanned)
                m_Files.push_back({pvrPath, pcPath, KbOfBytes(row.bytes), safe});
        } else if (row.name == "..") {
            continue;
        } else if (send) {
            scanned = ScanPcEntry(pcPath, pvrFolder, ancestors);
        } else {
            m_Folders.push_back(pcPath);
            scanned = ScanPvrFolder(pvrPath, pcPath);
        }
    }
    if (scanned)
        Refuse(CheckLimitsAndSpace(pcFolder));
    FinishPreparation(serial);
}

void CopyEngine::PreparePcCopy(std::vector<PcCopyItem> items, uint32_t serial)
{
    m_State = JobState::JobScanning;
    for (PcCopyItem& item : items) {
        if (m_bCancel)
            break;
        if (item.isFolder) {
            m_Folders.push_back(std::move(item.to));
            continue;
        }
        // As for a send: what is not a regular file would be waited on or read for ever.
        PcEntryInfo info;
        bool missing = false;
        if (std::string reason = UnsendableReason(item.from, info, missing); !reason.empty() || info.isFolder)
            return FinishPreparation(serial, CannotSendText(item.from, reason.empty() ? "a folder, not a file" : reason));
        if (missing)
            return FinishPreparation(serial, PcCopyFailureText(item.from));
        m_Files.push_back({"", std::move(item.to), KbOfBytes(info.size), true});
        m_PcSources.push_back(std::move(item.from));
    }
    FinishPreparation(serial);
}

void CopyEngine::FinishPreparation(uint32_t serial, const std::string& failure)
{
    bool send = m_Direction == Direction::Send;
    uint32_t doneEvent = send ? kEvSendPrepared : kEvReceivePrepared;
    uint32_t cancelEvent = send ? kEvSendCancelled : kEvReceiveCancelled;
    if (!failure.empty())
        Refuse(failure);
    if (!m_PrepMessage.empty()) {
        m_bCancel = true;
        doneEvent = kEvPrepareFailed;
    } else if (m_bCancel) {
        doneEvent = cancelEvent;
    } else {
        m_State = JobState::JobScanned;
        if (!m_Folders.empty())
            MakeFolders();
        if (m_bCancel)
            doneEvent = cancelEvent;
        else if (!send)
            m_State = JobState::JobReceiveReady;
    }
    // Posted before the flag drops, so a waiting loop always has this event or the flag.
    m_Events.Post(doneEvent, serial);
    m_bPreparing = false;
}

bool CopyEngine::SendablePcFile(const std::string& pcPath)
{
    PcEntryInfo info;
    bool missing = false;
    std::string reason = UnsendableReason(pcPath, info, missing);
    return reason.empty() || Refuse(CannotSendText(pcPath, reason));
}

bool CopyEngine::Refuse(const std::string& message, const std::string& title)
{
    m_PrepMessage = message;
    m_PrepTitle = title;
    return message.empty();
}

// A file is looked at once, with its folder's listing; what is not a plain file is looked
// at again by its path.
bool CopyEngine::ScanPcFolder(const std::string& pcFolder, const std::string& pvrFolder,
                              std::vector<PcFolderId>& ancestors)
{
    std::vector<std::pair<std::string, std::optional<PcEntryInfo>>> entries;
    bool listed = ForEachPcEntry(pcFolder, [&entries](const std::string& name, const PcEntryInfo* info) {
        if (name != "..")
            entries.emplace_back(name, info ? std::optional(*info) : std::nullopt);
        return true;
    }, true);
    if (!listed) {
        std::error_code ec;
        fs::directory_iterator probe(PcFsPath(pcFolder), ec);
        return Refuse(CannotSendText(pcFolder, ec ? ec.message() : "it cannot be read"));
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [name, info] : entries) {
        if (m_bCancel || Full())
            return true;
        const PcEntryInfo* file = info && info->isFile ? &*info : nullptr;
        if (!ScanPcEntry(PcChildPath(pcFolder, name), pvrFolder, ancestors, file))
            return false;
    }
    return true;
}

// A link counts as what it leads to, as the user sees it; a folder that is already one
// of the folders above it would never end, and what is neither file nor folder cannot
// be sent: each fails the job, named with its reason, rather than vanish from it.
bool CopyEngine::ScanPcEntry(const std::string& pcPath, const std::string& pvrFolder,
                             std::vector<PcFolderId>& ancestors, const PcEntryInfo* file)
{
    std::string name = PcBaseName(pcPath);
    std::string pvrPath = PvrJoin(pvrFolder, name);
    if (!IsSafePcName(name)) {
        m_Files.push_back({pvrPath, pcPath, 0, false});
        return true;
    }
    PcEntryInfo info;
    bool missing = false;
    if (file)
        info = *file;
    else if (std::string reason = UnsendableReason(pcPath, info, missing); !reason.empty())
        return Refuse(CannotSendText(pcPath, reason));
    if (missing)
        return Refuse(CannotOpenText(pcPath));
    if (info.isFile) {
        if (int error = file ? file->readError : PcReadError(pcPath))
            return Refuse(CannotSendText(pcPath, std::strerror(error)));
        m_Files.push_back({pvrPath, pcPath, KbOfBytes(info.size), true});
        return true;
    }
    PcFolderId id{info.volume, info.fileId};
    if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end())
        return Refuse(CannotSendText(pcPath, "a link back to a folder it is in"));
    if (name.size() > kPvrNameMax)
        return Refuse(TooLongText(pcPath));
    m_Folders.push_back(pvrPath);
    ancestors.push_back(id);
    bool scanned = ScanPcFolder(pcPath, pvrPath, ancestors);
    ancestors.pop_back();
    return scanned;
}

bool CopyEngine::ScanPvrFolder(const std::string& pvrFolder, const std::string& pcFolder)
{
    QueueView([text = ShortenText(pcFolder, 45)](ProgressView& view) { view.SetPathLine(text); });
    PvrListing listing = ListPvrFolderOnLine(pvrFolder);
    if (listing.overflow) {
        while (m_Files.size() < kJobLimit)
            m_Files.push_back({pvrFolder, pcFolder, 0, false});
        return true;
    }
    // Its contents are unknown or cut short: the job must not report it as copied.
    if (listing.status != ListStatus::Complete)
        return Refuse(CopyFailureText());
    std::vector<PvrEntry> subfolders;
    for (PvrEntry& entry : listing.entries) {
        if (m_bCancel || Full())
            return true;
        if (entry.name == "." || entry.name == "..")
            continue;
        std::string pvrPath = PvrJoin(pvrFolder, entry.name);
        std::string pcPath = entry.nameSafe ? PcChildPath(pcFolder, entry.name) : pcFolder;
        if (!entry.nameSafe)
            m_Files.push_back({pvrPath, pcPath, KbOfBytes(entry.size), false});
        else if (entry.isFolder)
            subfolders.push_back(std::move(entry));
        else if (!IsSideStream(entry.name))
            m_Files.push_back({pvrPath, pcPath, KbOfBytes(entry.size), true});
    }
    listing.entries = {};
    for (const PvrEntry& folder : subfolders) {
        if (m_bCancel || Full())
            return true;
        std::string pcPath = PcChildPath(pcFolder, folder.name);
        m_Folders.push_back(pcPath);
        if (!ScanPvrFolder(PvrJoin(pvrFolder, folder.name), pcPath))
            return false;
    }
    return true;
}

std::string CopyEngine::CheckLimitsAndSpace(const std::string& pcFolder)
{
    if (m_Files.size() >= kJobLimit)
        return "Too many file number!!";
    if (m_Folders.size() >= kJobLimit)
        return "Too many folder number!!";
    if (m_bCancel)
        return "";
    uint64_t totalKb = std::accumulate(m_Files.begin(), m_Files.end(), uint64_t(0),
                                       [](uint64_t sum, const CopyFile& f) { return sum + f.kb; });
    if (m_Asker.AnswerForAll() == ConflictAnswer::ResumeAll && m_Session.m_wVersion >= kResumableVersion)
        totalKb -= std::min(totalKb, ResumedKb());
    uint64_t freeKb = 0;
    if (m_Direction == Direction::Send) {
        DiskQuery query = QueryPvrDiskOnLine();
        freeKb = query.disk ? query.disk->freeKb : 0;
    } else {
        std::error_code ec;
        fs::space_info space = fs::space(PcFsPath(pcFolder), ec);
        freeKb = ec ? 0 : space.available / 1024;
    }
    return totalKb >= freeKb ? "Not enough disk space!!" : "";
}

// What the destination already holds of the job's files, for a job that resumes them all.
uint64_t CopyEngine::ResumedKb()
{
    std::map<std::string, PvrListing> listings;
    uint64_t kb = 0;
    for (const CopyFile& file : m_Files) {
        std::optional<uint64_t> bytes;
        if (m_Direction == Direction::Receive) {
            if (PcEntryInfo info; StatPcPath(file.pcPath, info) && info.isFile)
                bytes = info.size;
        } else {
            std::string folder = PvrParent(file.pvrPath);
            auto listed = listings.find(folder);
            if (listed == listings.end())
                listed = listings.emplace(folder, ListPvrFolderOnLine(folder)).first;
            for (const PvrEntry& entry : listed->second.entries)
                if (!entry.isFolder && entry.name == PvrBaseName(file.pvrPath))
                    bytes = entry.size;
        }
        if (bytes)
            kb += std::min<uint64_t>(*bytes / 1024, file.kb);
    }
    return kb;
}

// The STB refuses to make a folder that exists as well: only a folder that is not there
// afterwards failed.
bool CopyEngine::MakePvrFolder(const std::string& path)
{
    if (PvrMakeFolderOnLine(path)) {
        m_MadePvrFolders.insert(path);
        return true;
    }
    std::string name = PvrBaseName(path);
    PvrListing listing = ListPvrFolderOnLine(PvrParent(path));
    return std::any_of(listing.entries.begin(), listing.entries.end(),
                       [&name](const PvrEntry& e) { return e.isFolder && e.name == name; });
}

void CopyEngine::MakeFolders()
{
    m_State = JobState::JobMakingFolders;
    QueueView([](ProgressView& view) { view.SetTitle("Creating Folder(s)...."); });
    size_t count = m_Folders.size();
    for (size_t i = 0; i < count && !m_bCancel; ++i) {
        const std::string& folder = m_Folders[i];
        QueueView([path = ShortenText(folder, 45), i, count](ProgressView& view) {
            view.SetPathLine(path);
            view.SetFolderBar(i, count, "Folder : " + std::to_string(i + 1) + " / " + std::to_string(count),
                              i * 100 / count > 46);
        });
        bool made;
        if (m_Direction == Direction::Send) {
            made = MakePvrFolder(folder);
        } else {
            std::error_code ec;
            fs::create_directory(PcFsPath(folder), ec);
            made = fs::is_directory(PcFsPath(folder), ec);
        }
        if (!made)
            m_bFolderFailed = true;
    }
}

}  // namespace explorer
