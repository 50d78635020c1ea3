// File operations on the rows of the two panes besides copy jobs: delete, new folder,
// rename, the PVR move, PC copy and move, the clipboard between panes, execute.
// Messages go through the Prompter; each function reports what the pane should do next.
#pragma once
#include "explorer/copy_engine.h"
#include "explorer/explorer_host.h"
#include "common/prompter.h"
#include "explorer/pvr_session.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace explorer {

constexpr size_t kClipboardLimit = 19998;

bool IsPvrSystemFolder(const std::string& paneFolder, const PaneRow& row);

enum class OpResult { Done, Refused, Failed, Busy };

// Delete with its confirmation; Done and Failed ask for a refresh of the pane.
OpResult DeletePvrRows(PvrSession& session, Prompter& prompter, const std::string& folder,
                       const std::vector<PaneRow>& rows);
OpResult DeletePcRows(Prompter& prompter, const std::string& folder, const std::vector<PaneRow>& rows);

// "new%04d" of random() / 100 (random() gives 0..32767), not yet a row of the pane.
// After kNewFolderDraws taken draws the first free name in order; nothing when all
// 328 names are taken.
constexpr int kNewFolderDraws = 1000;
std::optional<std::string> NewFolderName(const std::vector<PaneRow>& paneRows, const std::function<int()>& random);
// Trimmed name for a new folder, or nothing (after the message when the text is not allowed).
std::optional<std::string> CheckNewFolderName(Prompter& prompter, const std::string& text);
OpResult MakePvrFolder(PvrSession& session, Prompter& prompter, const std::string& folder, const std::string& name);
OpResult MakePcFolder(Prompter& prompter, const std::string& folder, const std::string& name);

// Label edit of an existing row. Done: the label takes the new name and the pane is listed again.
OpResult RenamePvrRow(PvrSession& session, Prompter& prompter, const std::string& folder,
                      const std::vector<PaneRow>& paneRows, const PaneRow& row, const std::string& text);
OpResult RenamePcRow(Prompter& prompter, const std::string& folder, const PaneRow& row, const std::string& text);

// True, after the message, when one of the PVR paths is a system folder: then nothing moves.
bool RefuseSystemMove(Prompter& prompter, const std::vector<std::string>& paths);
// Paste of cut PVR paths into a PVR folder; the system folders stay where they are.
OpResult MovePvrPaths(PvrSession& session, Prompter& prompter, const std::vector<std::string>& cutPaths,
                      const std::string& folder);

struct PcClipItem {
    std::string relative;  // to the PC folder of the Copy or Cut
    std::string full;
    bool isFolder = false;
};
// Copy walks each folder's whole tree now; Cut takes the rows only.
std::optional<std::vector<PcClipItem>> CollectPcItems(Prompter& prompter, const std::string& folder,
                                                      const std::vector<PaneRow>& rows, bool wholeTrees);
// What a paste of copied items into folder copies, parents first; nothing (after the
// message) when folder lies inside a copied folder.
std::optional<std::vector<PcCopyItem>> PlanPcCopy(Prompter& prompter, const std::vector<PcClipItem>& items,
                                                  const std::string& folder);
OpResult PastePcMove(Prompter& prompter, const std::vector<PcClipItem>& items, const std::string& folder);

enum class PasteAction { Nothing, Refresh, StartSend, StartReceive, StartPcCopy };

// The four clipboard flags and their lists.
class ExplorerClipboard {
public:
    void Copy(PaneSide side, Prompter& prompter, const std::string& folder, const std::vector<PaneRow>& rows);
    void Cut(PaneSide side, Prompter& prompter, const std::string& folder, const std::vector<PaneRow>& rows);
    bool Empty() const { return !m_bCopiedPvr && !m_bCutPvr && !m_bCopiedPc && !m_bCutPc; }
    // Paste into the pane showing folder; copies come back as jobs to start (a PC copy's
    // items from TakePcCopyPlan).
    PasteAction Paste(PaneSide target, PvrSession& session, Prompter& prompter, const std::string& folder);
    std::vector<PcCopyItem> TakePcCopyPlan() { return std::move(m_PcCopyPlan); }

private:
    bool m_bCopiedPvr = false;
    bool m_bCutPvr = false;
    bool m_bCopiedPc = false;
    bool m_bCutPc = false;
    std::vector<std::string> m_PvrCut;
    std::vector<PcClipItem> m_PcItems;
    std::vector<PcCopyItem> m_PcCopyPlan;
};

// The turbo button: pressed while off it asks first; it only works while the line is idle.
// Returns whether the button is on afterwards. Jobs switch turbo itself on and off.
bool PressTurboButton(PvrSession& session, Prompter& prompter);

class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    virtual bool Open(const std::string& path, const std::string& workingFolder) = 0;
};
// The "open" action on the one selected PC file.
bool ExecutePcRow(ShellOpener& opener, const std::string& folder, const std::vector<PaneRow>& rows);

}  // namespace explorer
