// What the explorer's window supplies to the copy engine and the file operations:
// the panes' folders and selections, the end of a job (JobEnded), the progress window
// and the conflict questions, whose answers are a ConflictAnswer (the texts the windows
// know them by come from ConflictAnswerText). Tests and the command-line tool supply
// their own.
#pragma once
#include "explorer/pane_rows.h"

#include <optional>
#include <string>
#include <vector>

namespace explorer {

enum class PaneSide { Pvr, Pc };
enum class JobOutcome { None, Done, Failed, Cancelled };

class ExplorerHost {
public:
    virtual ~ExplorerHost() = default;
    virtual std::string Folder(PaneSide side) = 0;
    virtual std::vector<PaneRow> SelectedRows(PaneSide side) = 0;
    virtual void EnableControls(bool enabled) = 0;
    // Lists the pane again (the window starts its listing thread).
    virtual void RefreshPane(PaneSide side) = 0;
    // A job has ended, on the loop's thread, before its pane refresh and the enabling of
    // the controls: the window puts back what it changed for the job (a drop's folder).
    virtual void JobEnded(JobOutcome outcome) = 0;
};

// The engine's side of the copy progress window. Calls come from the loop's thread and,
// while files are collected and folders created, from the preparation thread.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void Close() = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetPathLine(const std::string& text) = 0;
    // First file of a job: both bars 0..100 with percent text, polling starts.
    virtual void ResetProgress() = 0;
    // While folders are created: the per-file bar at position of 0..count, its text and colour.
    virtual void SetFolderBar(size_t position, size_t count, const std::string& text, bool yellow) = 0;
};

// Answers of the two modal conflict windows. "Duplicate File(s)" offers Overwrite ..
// Cancel, "Replace File(s)" (STBs that cannot resume) Yes, YesToAll, No, Cancel.
enum class ConflictAnswer { Overwrite, OverwriteAll, Resume, ResumeAll, Skip, SkipAll, Yes, YesToAll, No, Cancel };
// The answer's text as the windows name it ("OVERWRITEALL", "YESTOALL", ...), for traces.
const char* ConflictAnswerText(ConflictAnswer answer);
// An "All" answer: later conflicts of the job take it without a question.
bool IsAnswerForAll(ConflictAnswer answer);

// The two modal conflict windows. Closing a window answers Cancel.
class ConflictAsker {
public:
    virtual ~ConflictAsker() = default;
    virtual ConflictAnswer AskDuplicate(const std::string& text) = 0;  // "Duplicate File(s)"
    virtual ConflictAnswer AskReplace(const std::string& text) = 0;    // "Replace File(s)"
    // The answer every conflict of a job will get, when it is known before the first one
    // (a command line's flag): the free-space check then counts only what is still to come.
    virtual std::optional<ConflictAnswer> AnswerForAll() const { return std::nullopt; }
};

}  // namespace explorer
