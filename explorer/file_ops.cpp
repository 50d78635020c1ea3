#include "explorer/file_ops.h"
#include "explorer/pc_files.h"
#include "explorer/pvr_protocol.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace explorer {

namespace fs = std::filesystem;

namespace {

const char* const kForbiddenChars = "\\/:*?\"<>|";
const std::string kForbiddenMessage =
    "A filename cannot contain any of the following characters:  \n\n\t        \\ / : * ? \"" " < > | ";

std::string Trim(const std::string& text, bool left, bool right)
{
    const char* space = " \t\r\n\f\v";
    size_t first = left ? text.find_first_not_of(space) : 0;
    if (first == std::string::npos)
        return "";
    size_t last = right ? text.find_last_not_of(space) : text.size() - 1;
    return text.substr(first, last - first + 1);
}

bool ConfirmDelete(Prompter& prompter, const std::vector<PaneRow>& rows);

}

bool IsPvrSystemFolder(const std::string& paneFolder, const PaneRow& row)
{
    if (paneFolder.empty())
        return row.IsFolder() && (row.name == "ProgramFiles" || row.name == "DataFiles" || row.name == "MP3");
    return (paneFolder == "\\ProgramFiles" || paneFolder == "\\ProgramFiles\\") && row.name == "Auto Start";
}

namespace {
bool ConfirmDelete(Prompter& prompter, const std::vector<PaneRow>& rows)
{
    if (rows.empty()) {
        prompter.Notify("Select a file in the list.", "NOTICE", PromptIcon::Warning);
        return false;
    }
    const char* text = rows.size() == 1 ? "Are you sure you want to       \n\ndelete the selected file?"
                                        : "Are you sure you want to       \n\ndelete selected files?";
    return prompter.Ask(text, "DELETE", PromptButtons::YesNo, PromptIcon::Warning) != PromptAnswer::No;
}
}

OpResult DeletePvrRows(PvrSession& session, Prompter& prompter, const std::string& folder,
                       const std::vector<PaneRow>& rows)
{
    if (!session.m_bUsbIdle)
        return OpResult::Busy;
    if (!ConfirmDelete(prompter, rows))
        return OpResult::Refused;
    for (const PaneRow& row : rows) {
        if (IsPvrSystemFolder(folder, row)) {
            prompter.Notify(
                " Cannot delete the system folder!   \n\n[ProgramFiles], [DataFiles], [MP3], [Auto Start]  ",
                "Deletion Failure", PromptIcon::Error);
            return OpResult::Refused;
        }
    }
    UsbLineHold hold(session);
    if (!hold.Held())
        return OpResult::Busy;
    OpResult result = OpResult::Done;
    for (const PaneRow& row : rows) {
        // ".." stands for the parent, which is not part of the selection.
        if (row.name == "..")
            continue;
        if (!PvrDeleteOnLine(PvrJoin(folder, row.name))) {
            prompter.Notify("Cannot delete the selected file.   \n\n\"" + row.name + "\" ", "Deletion Failure",
                            PromptIcon::Error);
            result = OpResult::Failed;
        }
    }
    return result;
}

std::optional<std::string> NewFolderName(const std::vector<PaneRow>& paneRows, const std::function<int()>& random)
{
    constexpr int kNumbers = 32767 / 100 + 1;
    auto nameOf = [](int number) {
        char name[16];
        std::snprintf(name, sizeof name, "new%04d", std::clamp(number, 0, kNumbers - 1));
        return std::string(name);
    };
    auto free = [&paneRows](const std::string& name) {
        return std::none_of(paneRows.begin(), paneRows.end(), [&name](const PaneRow& row) { return row.name == name; });
    };
    for (int draw = 0; draw < kNewFolderDraws; ++draw)
        if (std::string name = nameOf(random() / 100); free(name))
            return name;
    for (int number = 0; number < kNumbers; ++number)
        if (std::string name = nameOf(number); free(name))
            return name;
    return std::nullopt;
}

std::optional<std::string> CheckNewFolderName(Prompter& prompter, const std::string& text)
{
    std::string name = Trim(text, true, true);
    if (name.find_first_of(kForbiddenChars) != std::string::npos) {
        prompter.Notify(kForbiddenMessage, "Renaming Failure", PromptIcon::Error);
        return std::nullopt;
    }
    if (name.empty())
        return std::nullopt;
    if (name.size() > kPvrNameMax) {
        prompter.Notify("The filename is too long!!", "Copy Failure", PromptIcon::Error);
        return std::nullopt;
    }
    return name;
}

OpResult MakePvrFolder(PvrSession& session, Prompter& prompter, const std::string& folder, const std::string& name)
{
    UsbLineHold hold(session);
    if (!hold.Held())
        return OpResult::Busy;
    if (PvrMakeFolderOnLine(PvrJoin(folder, name)))
        return OpResult::Done;
    prompter.Notify("Cannot make a folder.", "Creation Error", PromptIcon::Error);
    return OpResult::Failed;
}

OpResult RenamePvrRow(PvrSession& session, Prompter& prompter, const std::string& folder,
                      const std::vector<PaneRow>& paneRows, const PaneRow& row, const std::string& text)
{
    std::string name = Trim(text, true, true);
    if (name.empty() || row.name == ".." || name == "." || name == "..")
        return OpResult::Refused;
    if (IsPvrSystemFolder(folder, row) && name != row.name) {
        prompter.Notify(
            " Cannot change the name of system folder!   \n\n  [ProgramFiles],  [DataFiles],  [MP3],  [Auto Start] ",
            "Renaming Failure", PromptIcon::Error);
        return OpResult::Refused;
    }
    if (name.find_first_of(kForbiddenChars) != std::string::npos) {
        prompter.Notify(kForbiddenMessage, "Renaming Failure", PromptIcon::Error);
        return OpResult::Refused;
    }
    if (name.size() > kPvrNameMax) {
        prompter.Notify("The filename is too long!!", "Copy Failure", PromptIcon::Error);
        return OpResult::Refused;
    }
    if (name == row.name)
        return OpResult::Refused;
    for (const PaneRow& other : paneRows) {
        if (Trim(other.name, true, false) == name && other.typeText == row.typeText) {
            prompter.Notify("The same filename exists.", "NOTICE", PromptIcon::Warning);
            return OpResult::Refused;
        }
    }
    UsbLineHold hold(session);
    if (!hold.Held())
        return OpResult::Busy;
    return PvrRenameOnLine(PvrJoin(folder, row.name), PvrJoin(folder, name)) ? OpResult::Done : OpResult::Failed;
}

bool RefuseSystemMove(Prompter& prompter, const std::vector<std::string>& paths)
{
    // The system folders always exist, so no file of theirs can share a name with them.
    for (const std::string& path : paths) {
        PaneRow row;
        row.name = PvrBaseName(path);
        row.isFolder = true;
        if (IsPvrSystemFolder(PvrParent(path), row)) {
            prompter.Notify(" Cannot move the system folder!   \n\n[ProgramFiles], [DataFiles], [MP3], [Auto Start]  ",
                            "Moving Failure", PromptIcon::Error);
            return true;
        }
    }
    return false;
}

OpResult MovePvrPaths(PvrSession& session, Prompter& prompter, const std::vector<std::string>& cutPaths,
                      const std::string& folder)
{
    for (const std::string& path : cutPaths) {
        if (folder == path || folder.starts_with(path + "\\")) {
            prompter.Notify("Invalid moving command.   ", "Moving Failure", PromptIcon::Error);
            return OpResult::Refused;
        }
    }
    if (RefuseSystemMove(prompter, cutPaths))
        return OpResult::Refused;
    UsbLineHold hold(session);
    if (!hold.Held())
        return OpResult::Busy;
    OpResult result = OpResult::Done;
    for (const std::string& path : cutPaths) {
        std::string destination = PvrJoin(folder, PvrBaseName(path));
        if (destination == path)
            break;
        if (!PvrRenameOnLine(path, destination)) {
            prompter.Notify("Cannot move the selected file.", "Moving Failure", PromptIcon::Error);
            result = OpResult::Failed;
        }
    }
    return result;
}

OpResult DeletePcRows(Prompter& prompter, const std::string& folder, const std::vector<PaneRow>& rows)
{
    if (!ConfirmDelete(prompter, rows))
        return OpResult::Refused;
    OpResult result = OpResult::Done;
    for (const PaneRow& row : rows) {
        std::error_code ec;
        if (row.name == ".." || fs::remove_all(PcFsChild(folder, row.name), ec) == static_cast<std::uintmax_t>(-1)
            || ec) {
            prompter.Notify("Cannot delete the selected file.   \n\n\"" + row.name + "\" ", "Deletion Failure",
                            PromptIcon::Error);
            result = OpResult::Failed;
        }
    }
    return result;
}

OpResult MakePcFolder(Prompter& prompter, const std::string& folder, const std::string& name)
{
    std::error_code ec;
    if (fs::create_directory(PcFsChild(folder, name), ec) && !ec)
        return OpResult::Done;
    prompter.Notify("Cannot make a folder.", "Creation Error", PromptIcon::Error);
    return OpResult::Failed;
}

OpResult RenamePcRow(Prompter& prompter, const std::string& folder, const PaneRow& row, const std::string& text)
{
    if (text == row.name)
        return OpResult::Refused;
    if (text.find_first_of(kForbiddenChars) != std::string::npos) {
        prompter.Notify(kForbiddenMessage, "Renaming Failure", PromptIcon::Error);
        return OpResult::Refused;
    }
    std::error_code ec;
    fs::path to = PcFsChild(folder, text);
    // rename() would silently replace an existing file.
    if (text.empty() || fs::exists(to, ec) || (fs::rename(PcFsChild(folder, row.name), to, ec), ec)) {
        prompter.Notify("Cannot modify the filename.", "Renaming Failure", PromptIcon::Error);
        return OpResult::Failed;
    }
    return OpResult::Done;
}

namespace {

void CollectTree(const fs::path& base, const fs::path& folder, std::vector<PcClipItem>& items)
{
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end());
    for (const fs::directory_entry& entry : entries) {
        if (items.size() > kClipboardLimit)
            return;
        bool isFolder = entry.is_directory(ec) && !entry.is_symlink(ec);
        items.push_back({PcPathString(entry.path().lexically_relative(base)), PcPathString(entry.path()), isFolder});
        if (isFolder)
            CollectTree(base, entry.path(), items);
    }
}

// The PC folder lies in or is the folder at path.
bool IsInside(const std::string& folder, const std::string& path)
{
    std::error_code ec;
    fs::path inner = fs::weakly_canonical(PcFsPath(folder), ec), outer = fs::weakly_canonical(PcFsPath(path), ec);
    auto [o, i] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return o == outer.end();
}

}

std::optional<std::vector<PcClipItem>> CollectPcItems(Prompter& prompter, const std::string& folder,
                                                      const std::vector<PaneRow>& rows, bool wholeTrees)
{
    std::vector<PcClipItem> items;
    for (const PaneRow& row : rows) {
        if (row.name == "..")
            continue;
        fs::path full = PcFsChild(folder, row.name);
        items.push_back({row.name, PcPathString(full), row.IsFolder()});
        if (wholeTrees && row.IsFolder())
            CollectTree(PcFsPath(folder), full, items);
        if (items.size() > kClipboardLimit) {
            prompter.Notify("Too many file(folder) number!!", "Copy Failure", PromptIcon::Error);
            return std::nullopt;
        }
    }
    return items;
}

std::optional<std::vector<PcCopyItem>> PlanPcCopy(Prompter& prompter, const std::vector<PcClipItem>& items,
                                                  const std::string& folder)
{
    std::vector<PcCopyItem> plan;
    for (const PcClipItem& item : items) {
        if (item.isFolder && IsInside(folder, item.full)) {
            prompter.Notify("Invalid copy command.   ", "Copy Failure", PromptIcon::Error);
            return std::nullopt;
        }
        plan.push_back({item.full, PcPathString(PcFsChild(folder, item.relative)), item.isFolder});
    }
    return plan;
}

OpResult PastePcMove(Prompter& prompter, const std::vector<PcClipItem>& items, const std::string& folder)
{
    for (const PcClipItem& item : items) {
        if (item.isFolder && IsInside(folder, item.full)) {
            prompter.Notify("Invalid moving command.   ", "Moving Failure", PromptIcon::Error);
            return OpResult::Refused;
        }
    }
    OpResult result = OpResult::Done;
    for (const PcClipItem& item : items) {
        std::error_code ec;
        fs::path from = PcFsPath(item.full);
        fs::path to = PcFsPath(folder) / from.filename();
        if (to == from)
            continue;
        if (fs::exists(to, ec) || (fs::rename(from, to, ec), ec)) {
            prompter.Notify("Cannot move the selected file.", "Moving Failure", PromptIcon::Error);
            result = OpResult::Failed;
        }
    }
    return result;
}

void ExplorerClipboard::Copy(PaneSide side, Prompter& prompter, const std::string& folder,
                             const std::vector<PaneRow>& rows)
{
    if (side == PaneSide::Pvr) {
        m_bCopiedPvr = !rows.empty();
        m_bCutPvr = false;
        m_PvrCut.clear();
        return;
    }
    m_bCutPc = false;
    std::optional<std::vector<PcClipItem>> items = CollectPcItems(prompter, folder, rows, true);
    m_bCopiedPc = items && !items->empty();
    m_PcItems = items ? std::move(*items) : std::vector<PcClipItem>{};
}

void ExplorerClipboard::Cut(PaneSide side, Prompter& prompter, const std::string& folder,
                            const std::vector<PaneRow>& rows)
{
    if (side == PaneSide::Pvr) {
        m_bCopiedPvr = false;
        m_PvrCut.clear();
        for (const PaneRow& row : rows)
            if (row.name != "..")
                m_PvrCut.push_back(PvrJoin(folder, row.name));
        if (m_PvrCut.size() > kClipboardLimit) {
            prompter.Notify("Too many file(folder) number!!", "Copy Failure", PromptIcon::Error);
            m_PvrCut.clear();
        }
        m_bCutPvr = !m_PvrCut.empty();
        return;
    }
    m_bCopiedPc = false;
    std::optional<std::vector<PcClipItem>> items = CollectPcItems(prompter, folder, rows, false);
    m_bCutPc = items && !items->empty();
    m_PcItems = items ? std::move(*items) : std::vector<PcClipItem>{};
}

PasteAction ExplorerClipboard::Paste(PaneSide target, PvrSession& session, Prompter& prompter,
                                     const std::string& folder)
{
    if (!session.m_bUsbIdle)
        return PasteAction::Nothing;
    if (target == PaneSide::Pvr) {
        if (m_bCopiedPc)
            return PasteAction::StartSend;
        if (m_bCutPvr) {
            MovePvrPaths(session, prompter, m_PvrCut, folder);
            m_bCutPvr = false;
            m_PvrCut.clear();
            return PasteAction::Refresh;
        }
        if (m_bCopiedPvr) {
            prompter.Notify("The Bexora does not support the copy command   \n\n  from PVR to PVR.", "Copy Failure",
                            PromptIcon::Error);
            m_bCopiedPvr = false;
        }
        return PasteAction::Nothing;
    }
    if (m_bCopiedPvr)
        return PasteAction::StartReceive;
    if (m_bCopiedPc) {
        std::optional<std::vector<PcCopyItem>> plan = PlanPcCopy(prompter, m_PcItems, folder);
        m_PcCopyPlan = plan ? std::move(*plan) : std::vector<PcCopyItem>{};
        return plan ? PasteAction::StartPcCopy : PasteAction::Nothing;
    }
    if (m_bCutPc) {
        PastePcMove(prompter, m_PcItems, folder);
        m_bCutPc = false;
        m_PcItems.clear();
        return PasteAction::Refresh;
    }
    return PasteAction::Nothing;
}

bool ExecutePcRow(ShellOpener& opener, const std::string& folder, const std::vector<PaneRow>& rows)
{
    if (rows.size() != 1 || rows[0].IsFolder())
        return false;
    return opener.Open(PcPathString(PcFsChild(folder, rows[0].name)), folder);
}

bool PressTurboButton(PvrSession& session, Prompter& prompter)
{
    if (!session.m_bUsbIdle)
        return session.m_bTurboButton;
    if (session.m_bTurboButton) {
        session.m_bTurboButton = false;
    } else {
        PromptAnswer answer = prompter.Ask(
            " In the turbo mode,\n\n any remote control key will not work.     \n\n Turn on the turbo mode?", "WARNING",
            PromptButtons::YesNo, PromptIcon::Warning);
        session.m_bTurboButton = answer != PromptAnswer::No;
    }
    return session.m_bTurboButton;
}

}  // namespace explorer
