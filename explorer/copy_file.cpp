// One file of a copy job: checks, the conflict question, resume, and the library task.
#include "explorer/copy_engine.h"
#include "explorer/pvr_protocol.h"
#include "common/trace.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace explorer {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Size of a PC file (not a folder) at that path. A dot-file is an ordinary file of the
// user here, not a hidden one the question may pass over.
std::optional<uint64_t> PcFileSize(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return uint64_t(st.st_size);
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

}

// Size of the file entry of that exact name in a PVR folder. A listing cut short answers
// only for the names it holds: the folder is listed once more, then `known` turns false.
std::optional<uint64_t> CopyEngine::PvrFileSize(const std::string& folder, const std::string& name, bool& known)
{
    known = true;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m_Listing || m_ListedFolder != folder) {
            m_Listing = ListPvrFolderOnLine(folder);
            m_ListedFolder = folder;
        }
        std::optional<uint64_t> size;
        for (const PvrEntry& entry : m_Listing->entries) {
            if (!entry.isFolder && entry.name == name) {
                size = entry.size;
                break;
            }
        }
        if (m_Listing->status == ListStatus::Complete)
            return size;
        // Only a complete listing may answer for the folder's later files.
        m_Listing.reset();
        if (size)
            return size;
    }
    known = false;
    return std::nullopt;
}

void CopyEngine::CopyCurrent(bool firstAttempt)
{
    if (m_bCancel) {
        EndJob(JobOutcome::Cancelled);
        return;
    }
    m_State = JobState::JobCopying;
    if (!m_Session.m_bConnected) {
        FailCopy();
        return;
    }
    if (!m_Files[m_Index].safe) {
        Trace("refusing '%s': its name may not be used on the other side", m_Files[m_Index].pvrPath.c_str());
        FailCopy();
        return;
    }
    if (m_Direction == Direction::Send)
        SendCurrent(firstAttempt);
    else
        ReceiveCurrent(firstAttempt, false);
}

void CopyEngine::SendCurrent(bool firstAttempt)
{
    const CopyFile& file = m_Files[m_Index];
    bool resumable = m_Session.m_wVersion >= kResumableVersion;
    m_Progress.SetPathLine(ShortenText(file.pvrPath, 45));
    m_Progress.SetTitle("Copying File(s)...... [PVR <-- PC]");
    if (m_Index == 0 && firstAttempt)
        m_Progress.ResetProgress();
    if (faccessat(AT_FDCWD, file.pcPath.c_str(), R_OK, AT_EACCESS) != 0) {
        bool missing = errno == ENOENT || errno == ENOTDIR;
        FailJob(!resumable && missing ? "File does not exist.   \n\n" + Quoted(file.pcPath) + "  "
                                      : CannotOpenText(file.pcPath),
                kCopyFailureTitle);
        return;
    }
    std::string name = fs::path(file.pcPath).filename().string();
    if (name.size() > kPvrNameMax) {
        FailJob(TooLongText(file.pcPath), kCopyFailureTitle);
        return;
    }
    bool check = resumable ? firstAttempt && m_Answer != ConflictAnswer::OverwriteAll : firstAttempt && m_bAsk;
    bool known = true;
    std::optional<uint64_t> pvrSize = check ? PvrFileSize(PvrParent(file.pvrPath), name, known) : std::nullopt;
    if (!known) {
        // A recording the listing could not show must not be overwritten unasked.
        FailCopy();
        return;
    }
    switch (Decide(pvrSize.has_value(), name, false)) {
    case Conflict::Copy:
        StartTask(true, 0);
        break;
    case Conflict::Skip:
        CountAsDone();
        break;
    case Conflict::Resume:
        if (uint64_t done = pvrSize.value_or(0); done < PcFileSize(file.pcPath).value_or(0))
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
    if (lastResort && !PrepareLastResort(m_Files[m_Index])) {
        Trace("no source found for the last-resort receive of file %zu", m_Index);
        FailCopy();
        return;
    }
    const CopyFile& file = m_Files[m_Index];
    bool resumable = m_Session.m_wVersion >= kResumableVersion || lastResort;
    m_Progress.SetPathLine(ShortenText(file.pcPath, 45));
    m_Progress.SetTitle("Copying File(s)...... [PVR --> PC]");
    if (m_Index == 0 && firstAttempt && !lastResort)
        m_Progress.ResetProgress();
    std::string name = PvrBaseName(file.pvrPath);
    bool check = resumable ? firstAttempt && m_Answer != ConflictAnswer::OverwriteAll : firstAttempt && m_bAsk;
    std::optional<uint64_t> pcSize = check ? PcFileSize(file.pcPath) : std::nullopt;
    switch (Decide(pcSize.has_value(), name, lastResort)) {
    case Conflict::Copy:
        StartTask(false, 0);
        break;
    case Conflict::Skip:
        CountAsDone();
        break;
    case Conflict::Resume: {
        bool known = true;
        std::optional<uint64_t> pvrSize = PvrFileSize(PvrParent(file.pvrPath), name, known);
        if (!pvrSize)
            StartTask(false, 0);  // the source is gone or unlisted: let the whole copy report it
        else if (uint64_t done = pcSize.value_or(0); done < *pvrSize)
            StartTask(false, done);
        else
            CountAsDone();
        break;
    }
    case Conflict::Cancel:
        CloseProgress();
        EndJob(JobOutcome::Cancelled);
        break;
    }
}

// The STB may have stored the name with bytes the PC cannot take: find the source by
// size and a loose name match, and write it under a plain name. False when none matches.
bool CopyEngine::PrepareLastResort(CopyFile& file)
{
    std::string folder = PvrParent(file.pvrPath);
    std::string recorded = PvrBaseName(file.pvrPath);
    std::string loose = ReplaceBytes(recorded, IsAboveZ);
    std::string source;
    PvrListing listing = ListPvrFolderOnLine(folder);
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
    file.pcPath = (fs::path(file.pcPath).parent_path() / pcName).string();
    return true;
}

CopyEngine::Conflict CopyEngine::Decide(bool exists, const std::string& name, bool lastResort)
{
    if (!exists)
        return Conflict::Copy;
    bool resumable = m_Session.m_wVersion >= kResumableVersion || lastResort;
    if (!resumable) {
        m_Progress.Hide();
        m_bAsking = true;
        m_Answer = m_Asker.AskReplace("This folder already contains a file named \n\n  '" + ShortenText(name, 30) +
                                      "'.\n\n Would you like to replce the existing file?");
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
                                        "'\n");
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
    uint32_t high = uint32_t(offset >> 32), low = uint32_t(offset);
    uint32_t id = send ? kEvSendEnded : kEvReceiveEnded;
    const char* pvr = file.pvrPath.c_str();
    const char* pc = file.pcPath.c_str();
    ZbWindow* window = m_Notices->Window();
    m_bNoticeDue = true;
    m_Notices->TaskStarting();
    int started = send ? (offset ? UsbTaskFileSendPosi(pvr, pc, window, id, high, low)
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
