// One file of a copy job: checks, the conflict question, resume, and the library task.
#include "explorer/copy_engine.h"
#include "common/system_paths.h"
#include "explorer/pc_files.h"
#include "explorer/pc_listing.h"
#include "explorer/pvr_protocol.h"
#include "common/trace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

namespace explorer {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Size of a PC file (not a folder) at that path. A dot-file is an ordinary file of the
// user here, not a hidden one the question may pass over.
std::optional<uint64_t> PcFileSize(const std::string& path)
{
    PcEntryInfo info;
    if (!StatPcPath(path, info) || !info.isFile)
        return std::nullopt;
    return info.size;
}

std::string ReplaceBytes(std::string text, bool (*replace)(unsigned char))
{
    for (char& c : text)
        if (replace(static_cast<unsigned char>(c)))
            c = '_';
    return text;
}

bool IsForbiddenNameChar(unsigned char c)
{
    return std::string_view("\\/:*?\"<>|").find(char(c)) != std::string_view::npos;
}
bool IsAboveZ(unsigned char c) { return c > 0x7A; }

// "1,234,567 bytes   2004-03-22 12:03" of a file, for the conflict questions.
std::string FileFacts(uint64_t bytes, const std::string& date) { return GroupDigits(bytes) + " bytes   " + date; }

std::string PartPath(const std::string& pcPath) { return pcPath + ".part"; }

const char* const kResumeAdvice = "copy the file again and choose Resume to complete it.";

// Why the PC side cannot take the rest of a file, when it shows: a folder it may not
// write, or less free space than is missing. Empty when the fault lies elsewhere.
std::string PcWriteReason(const std::string& pcPath, uint64_t missing)
{
    fs::path folder = PcFsPath(pcPath).parent_path();
    if (int error = PcFolderWriteError(PcPathString(folder)))
        return std::strerror(error);
    std::error_code ec;
    if (fs::space_info disk = fs::space(folder, ec); !ec && disk.available < missing)
        return std::strerror(ENOSPC);
    return "";
}

std::string PvrFacts(const PvrEntry& entry) { return FileFacts(entry.size, entry.date); }

std::string PcFacts(const std::string& path)
{
    PcEntryInfo info;
    return StatPcPath(path, info) ? FileFacts(info.size, LocalMinuteText(info.modified)) : "";
}

// Both files of a conflict under the question, the one there first.
std::string ConflictFacts(const std::string& existing, const std::string& incoming)
{
    return " Existing file :   " + existing + "\n New file :        " + incoming;
}

}

bool CopyEngine::AsksAboutExisting(bool resumable) const
{
    return resumable ? m_Answer != ConflictAnswer::OverwriteAll : m_bAsk;
}

bool CopyEngine::WroteThisFile(const std::string& pcPath) const
{
    return std::find(m_WrittenPcPaths.begin(), m_WrittenPcPaths.end(), pcPath) != m_WrittenPcPaths.end();
}

std::string CopyEngine::KeepReceivedPart()
{
    const CopyFile& file = m_Files[m_Index];
    uint64_t expected = uint64_t(file.kb) * 1024;
    std::string reason = PcWriteReason(file.pcPath, expected - std::min(expected, PcFileSize(file.pcPath).value_or(0)));
    return "\n\n" + Quoted(file.pcPath) + (reason.empty() ? "" : ": " + reason) + KeepPartsOfThisFile();
}

std::string CopyEngine::SentFileNote()
{
    const std::string& pcPath = m_Files[m_Index].pcPath;
    if (const int error = PcReadError(pcPath))
        return "\n\n" + Quoted(pcPath) + ": " + std::strerror(error);
    // Whether the library got as far as writing is not known: the next copy finds out.
    if (!std::exchange(m_bSentThisFile, false))
        return "\n\n" + Quoted(pcPath);
    return "\n\n" + Quoted(pcPath) + "\n\n" + Quoted(m_Files[m_Index].pvrPath) + " on the PVR may be incomplete;\n" +
           kResumeAdvice;
}

std::string CopyEngine::KeepPartsOfThisFile()
{
    std::string kept;
    for (const std::string& path : m_WrittenPcPaths) {
        std::optional<uint64_t> size = PcFileSize(path);
        // A partial file under the final name would pass for the whole one.
        std::error_code ec;
        if (size == 0u)
            fs::remove(PcFsPath(path), ec);
        else if (size && (fs::rename(PcFsPath(path), PcFsPath(PartPath(path)), ec), !ec))
            kept += "\n\nThe part received is kept as " + Quoted(PartPath(path)) + ";\n" + kResumeAdvice;
    }
    m_WrittenPcPaths.clear();
    return kept;
}

// After Cancel: what the cut-short copy left, and that the next copy resumes it.
std::string CopyEngine::CutShortText()
{
    if (m_Direction == Direction::Receive) {
        std::string kept = KeepPartsOfThisFile();
        return kept.empty() ? "" : "\n\n" + Quoted(m_Files[m_Index].pcPath) + " is incomplete." + kept;
    }
    if (m_Direction != Direction::Send || !std::exchange(m_bSentThisFile, false))
        return "";
    return "\n\n" + Quoted(m_Files[m_Index].pvrPath) + " on the PVR is incomplete;\n" + kResumeAdvice;
}

const PvrListing* CopyEngine::ListingOf(const std::string& folder)
{
    if (m_Listing && m_ListedFolder == folder)
        return &*m_Listing;
    m_Listing.reset();
    m_ListedFolder = folder;
    // A folder the job made holds nothing but what the job copies into it: no listing
    // (nor a worker's wait for one) is needed to know that.
    if (m_MadePvrFolders.contains(folder)) {
        m_Listing = PvrListing{ListStatus::Complete, {}, false};
        return &*m_Listing;
    }
    m_bListingDue = true;
    JoinPreparation();
    m_Preparation = std::thread([this, folder, serial = m_Serial] {
        m_FetchedListing = ListPvrFolderOnLine(folder);
        m_Events.Post(kEvFolderListed, serial);
    });
    return nullptr;
}

void CopyEngine::OnFolderListed()
{
    JoinPreparation();
    m_bListingDue = false;
    m_Listing = std::move(m_FetchedListing);
    m_FetchedListing = {};
    if (m_bJobActive)
        RunStep();
}

// A listing cut short answers only for the names it holds: the folder is listed once
// more, then the file counts as unknown.
std::optional<CopyEngine::PvrLookup> CopyEngine::FindPvrFile(const std::string& folder, const std::string& name)
{
    const PvrListing* listing = ListingOf(folder);
    if (!listing)
        return std::nullopt;
    PvrLookup lookup;
    for (const PvrEntry& entry : listing->entries) {
        if (!entry.isFolder && entry.name == name) {
            lookup.entry = entry;
            break;
        }
    }
    if (listing->status == ListStatus::Complete)
        return lookup;
    // Only a complete listing may answer for the folder's later files.
    m_Listing.reset();
    if (!lookup.entry && !std::exchange(m_bStepRelisted, true))
        return FindPvrFile(folder, name);
    lookup.known = lookup.entry.has_value();
    return lookup;
}

void CopyEngine::CopyCurrent(bool firstAttempt, bool lastResort)
{
    m_bStepFirstAttempt = firstAttempt;
    m_bStepLastResort = lastResort;
    m_bStepRelisted = false;
    m_bLastResortReady = false;
    if (lastResort)
        m_Listing.reset();  // the names as the STB has them now
    RunStep();
}

void CopyEngine::RunStep()
{
    if (m_bCancel) {
        EndJob(JobOutcome::Cancelled);
        return;
    }
    m_State = JobState::JobCopying;
    if (NeedsStb() && !m_Session.m_bConnected) {
        FailCopy();
        return;
    }
    if (!m_Files[m_Index].safe) {
        Trace("refusing '%s': its name may not be used on the other side", m_Files[m_Index].pvrPath.c_str());
        FailCopy();
        return;
    }
    if (m_Direction == Direction::Send)
        SendCurrent(m_bStepFirstAttempt);
    else if (m_Direction == Direction::Receive)
        ReceiveCurrent(m_bStepFirstAttempt, m_bStepLastResort);
    else
        CopyPcFile();
}

void CopyEngine::SendCurrent(bool firstAttempt)
{
    const CopyFile& file = m_Files[m_Index];
    bool resumable = m_Session.m_wVersion >= kResumableVersion;
    m_Progress.SetPathLine(ShortenText(file.pvrPath, 45));
    m_Progress.SetTitle("Copying File(s)...... [PVR <-- PC]");
    if (m_Index == 0 && firstAttempt)
        m_Progress.ResetProgress();
    // Into a folder this job made, nothing on the PVR is at stake: the library's own open is the
    // first attempt's read check, and a failed send's retry comes back here to name the reason.
    bool intoNewFolder = firstAttempt && m_MadePvrFolders.contains(PvrParent(file.pvrPath));
    if (int error = intoNewFolder ? 0 : PcReadError(file.pcPath)) {
        bool missing = error == ENOENT || error == ENOTDIR;
        FailJob(!resumable && missing ? "File does not exist.   \n\n" + Quoted(file.pcPath) + "  "
                                      : CannotOpenText(file.pcPath),
                kCopyFailureTitle);
        return;
    }
    std::string name = PcBaseName(file.pcPath);
    if (name.size() > kPvrNameMax) {
        FailJob(TooLongText(file.pcPath), kCopyFailureTitle);
        return;
    }
    bool check = firstAttempt && AsksAboutExisting(resumable);
    PvrLookup lookup;
    if (check) {
        std::optional<PvrLookup> found = FindPvrFile(PvrParent(file.pvrPath), name);
        if (!found)
            return;  // the step runs again with the listing
        lookup = std::move(*found);
    }
    if (!lookup.known) {
        // A recording the listing could not show must not be overwritten unasked.
        FailCopy();
        return;
    }
    std::string facts = lookup.entry ? ConflictFacts(PvrFacts(*lookup.entry), PcFacts(file.pcPath)) : "";
    switch (Decide(lookup.entry.has_value(), name, false, facts)) {
    case Conflict::Copy:
        StartTask(true, 0);
        break;
    case Conflict::Skip:
        CountAsDone();
        break;
    case Conflict::Resume:
        if (uint64_t done = lookup.entry ? lookup.entry->size : 0; done < PcFileSize(file.pcPath).value_or(0))
            StartTask(true, done);
        else
            CountAsDone();
        break;
    case Conflict::Cancel:
        CloseProgress();
        EndJob(JobOutcome::Cancelled);
        break;
    }
}

void CopyEngine::ReceiveCurrent(bool firstAttempt, bool lastResort)
{
    if (lastResort && !m_bLastResortReady) {
        const PvrListing* listing = ListingOf(PvrParent(m_Files[m_Index].pvrPath));
        if (!listing)
            return;  // the step runs again with the listing
        if (!PrepareLastResort(m_Files[m_Index], *listing)) {
            Trace("no source found for the last-resort receive of file %zu", m_Index);
            FailCopy();
            return;
        }
        m_bLastResortReady = true;
    }
    const CopyFile& file = m_Files[m_Index];
    bool resumable = m_Session.m_wVersion >= kResumableVersion || lastResort;
    m_Progress.SetPathLine(ShortenText(file.pcPath, 45));
    m_Progress.SetTitle("Copying File(s)...... [PVR --> PC]");
    if (m_Index == 0 && firstAttempt && !lastResort)
        m_Progress.ResetProgress();
    std::string name = PvrBaseName(file.pvrPath);
    bool check = firstAttempt && AsksAboutExisting(resumable);
    // What this file's own attempts wrote is no one else's file to ask about.
    std::optional<uint64_t> pcSize = check && !WroteThisFile(file.pcPath) ? PcFileSize(file.pcPath) : std::nullopt;
    // The part an earlier failed receive kept stands for the file it was to become.
    std::optional<uint64_t> partSize = check && !pcSize && !lastResort ? PcFileSize(PartPath(file.pcPath)) : std::nullopt;
    const bool exists = pcSize || partSize;
    // The source as the STB lists it: for the question and for a resume.
    PvrLookup source;
    if (exists) {
        std::optional<PvrLookup> found = FindPvrFile(PvrParent(file.pvrPath), name);
        if (!found)
            return;  // the step runs again with the listing
        source = std::move(*found);
    }
    const std::string shown = partSize ? PartPath(file.pcPath) : file.pcPath;
    std::string facts = exists ? ConflictFacts(PcFacts(shown), source.entry ? PvrFacts(*source.entry) : "") : "";
    switch (Decide(exists, partSize ? name + ".part" : name, lastResort, facts)) {
    case Conflict::Copy:
        if (std::error_code ec; partSize)
            fs::remove(PcFsPath(shown), ec);
        StartTask(false, 0);
        break;
    case Conflict::Skip:
        CountAsDone();
        break;
    case Conflict::Resume:
        if (std::error_code ec; partSize && (fs::rename(PcFsPath(shown), PcFsPath(file.pcPath), ec), ec)) {
            FailCopy();
            break;
        }
        if (!source.entry)
            StartTask(false, 0);  // the source is gone or unlisted: let the whole copy report it
        else if (uint64_t done = pcSize.value_or(partSize.value_or(0)); done < source.entry->size)
            StartTask(false, done);
        else
            CountAsDone();
        break;
    case Conflict::Cancel:
        CloseProgress();
        EndJob(JobOutcome::Cancelled);
        break;
    }
}

void CopyEngine::CopyPcFile()
{
    m_Progress.SetPathLine(ShortenText(m_Files[m_Index].pcPath, 45));
    m_Progress.SetTitle("Copying File(s)...... [PC --> PC]");
    if (m_Index == 0)
        m_Progress.ResetProgress();
    StartTask(false, 0);
}

// The STB may have stored the name with bytes the PC cannot take: find the source by
// size and a loose name match, and write it under a plain name. False when none matches.
bool CopyEngine::PrepareLastResort(CopyFile& file, const PvrListing& listing)
{
    std::string folder = PvrParent(file.pvrPath);
    std::string recorded = PvrBaseName(file.pvrPath);
    std::string loose = ReplaceBytes(recorded, IsAboveZ);
    std::string source;
    for (const PvrEntry& entry : listing.entries) {
        uint64_t expected = uint64_t(file.kb) * 1024;
        uint64_t difference = entry.size > expected ? entry.size - expected : expected - entry.size;
        if (!entry.isFolder && entry.nameSafe && difference < 1024 && ReplaceBytes(entry.name, IsAboveZ) == loose) {
            source = entry.name;
            break;
        }
    }
    if (source.empty())
        return false;
    file.pvrPath = PvrJoin(folder, source);
    std::string pcName = ReplaceBytes(ReplaceBytes(recorded, IsForbiddenNameChar), IsAboveZ);
    file.pcPath = PcPathString(PcFsPath(file.pcPath).parent_path() / PcFsPath(pcName));
    return true;
}

CopyEngine::Conflict CopyEngine::Decide(bool exists, const std::string& name, bool lastResort,
                                        const std::string& facts)
{
    if (!exists)
        return Conflict::Copy;
    bool resumable = m_Session.m_wVersion >= kResumableVersion || lastResort;
    if (!resumable) {
        m_Progress.Hide();
        m_bAsking = true;
        m_Answer = m_Asker.AskReplace("This folder already contains a file named \n\n  '" + ShortenText(name, 30) +
                                      "'.\n\n Would you like to replce the existing file?\n\n" + facts);
        m_bAsking = false;
        Trace("conflict answer %s", ConflictAnswerText(*m_Answer));
        if (*m_Answer == ConflictAnswer::YesToAll)
            m_bAsk = false;
        if (*m_Answer == ConflictAnswer::Yes || *m_Answer == ConflictAnswer::YesToAll) {
            m_Progress.Show();
            return Conflict::Copy;
        }
        return *m_Answer == ConflictAnswer::No ? Conflict::Skip : Conflict::Cancel;
    }
    if (m_Answer == ConflictAnswer::ResumeAll)
        return Conflict::Resume;
    bool answered = lastResort && (m_Answer == ConflictAnswer::Overwrite || m_Answer == ConflictAnswer::Resume);
    if (m_bAsk && !answered) {
        m_Progress.Hide();
        m_bAsking = true;
        m_Answer = m_Asker.AskDuplicate(" This folder already contains a file named \n\n   '" + ShortenText(name, 30) +
                                        "'\n\n" + facts);
        m_bAsking = false;
        Trace("conflict answer %s", ConflictAnswerText(*m_Answer));
        if (IsAnswerForAll(*m_Answer))
            m_bAsk = false;
    }
    switch (m_Answer.value_or(ConflictAnswer::Cancel)) {
    case ConflictAnswer::Overwrite:
    case ConflictAnswer::OverwriteAll:
        m_Progress.Show();
        return Conflict::Copy;
    case ConflictAnswer::Skip:
    case ConflictAnswer::SkipAll:
        return Conflict::Skip;
    case ConflictAnswer::Resume:
    case ConflictAnswer::ResumeAll:
        return Conflict::Resume;
    default:
        return Conflict::Cancel;
    }
}

void CopyEngine::StartTask(bool send, uint64_t offset)
{
    const CopyFile& file = m_Files[m_Index];
    m_ResumedKbFile = offset / 1024;
    m_DoneKb += offset / 1024;
    m_ResumedKbJob += offset / 1024;
    // Whatever the question before, a running copy has its window and its Cancel.
    m_Progress.Show();
    m_bProgressShown = true;
    if (m_Direction == Direction::PcCopy) {
        m_bNoticeDue = true;
        m_PcTask.Start(m_PcSources[m_Index], file.pcPath, kEvPcCopyEnded);
        return;
    }
    uint32_t high = uint32_t(offset >> 32), low = uint32_t(offset);
    uint32_t id = send ? kEvSendEnded : kEvReceiveEnded;
    const char* pvr = file.pvrPath.c_str();
    // The library takes 8-bit names: one it could not open under this name is not handed over.
    std::optional<std::string> libraryPath = DeviceLibraryPcPath(file.pcPath);
    m_bNameRefused = !libraryPath;
    const char* pc = libraryPath ? libraryPath->c_str() : nullptr;
    ZbWindow* window = m_Notices->Window();
    if (!send && !WroteThisFile(file.pcPath))
        m_WrittenPcPaths.push_back(file.pcPath);
    m_bSentThisFile = m_bSentThisFile || send;
    m_bNoticeDue = true;
    m_Notices->TaskStarting();
    int started = !pc    ? 0
                  : send ? (offset ? UsbTaskFileSendPosi(pvr, pc, window, id, high, low)
                                 : UsbTaskFileSend(pvr, pc, window, id))
                       : (offset ? UsbTaskFileReceivePosi(pc, pvr, window, id, high, low)
                                 : UsbTaskFileReceive(pc, pvr, window, id));
    if (!started) {
        m_Notices->TaskNotStarted();
        m_bNoticeDue = false;
        m_Events.Post(id, 0);
    }
}

void CopyEngine::CountAsDone()
{
    m_DoneKb += m_Files[m_Index].kb;
    ++m_DoneCount;
    m_Progress.Show();
    m_bProgressShown = true;
    m_Events.Post(m_Direction == Direction::Send ? kEvSendEnded : kEvReceiveEnded, 1);
}

}  // namespace explorer
