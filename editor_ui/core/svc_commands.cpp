// The TV and radio views: the service list's own commands and the "Service Information" panel.
#include "editor_ui/core/editor_controller.h"

#include "editing/edit_common.h"
#include "settings/service_purge.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr uint32_t kMaxPid = 8191;
constexpr uint32_t kMaxSvcId = 65535;

bool Contiguous(const std::vector<uint32_t>& sel)
{
    return !sel.empty() && sel.back() - sel.front() + 1 == sel.size();
}

// The framework's check of an integer edit: digits only, within 0 .. max.
bool ParseField(const std::string& text, uint32_t max, uint32_t& value, std::string& message)
{
    bool digits = !text.empty() && text.size() <= 9 &&
                  std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
        message = "Please enter a positive integer.";
        return false;
    }
    value = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
    if (value > max) {
        message = "Please enter an integer between 0 and " + std::to_string(max) + ".";
        return false;
    }
    return true;
}
}

FieldResult CheckIntegerField(Prompter& prompter, const std::string& text, uint32_t max, uint32_t& value, bool report)
{
    std::string message;
    if (ParseField(text, max, value, message))
        return FieldResult::Written;
    if (report)
        prompter.Notify(message, kProgramTitle, PromptIcon::Warning);
    return FieldResult::Invalid;
}

void CEditorController::SetSvcSelection(SvcKind kind, std::vector<uint32_t> selection, int caret)
{
    uint32_t count = SvcCount(m_Doc, kind);
    SvcListState chosen{NormalizeSelection(std::move(selection), count), caret >= 0 && uint32_t(caret) < count ? caret : -1};
    if (chosen.selection != m_Svc[kind].selection || chosen.caret != m_Svc[kind].caret)
        ++m_MoveGesture;
    m_Svc[kind] = std::move(chosen);
    KeepSelectionShown(kind);
    Changed(kRefreshSvcPanel);
}

std::string CEditorController::EmptyText(SvcKind kind) const
{
    if (kind == kTvKind)
        return "No TV Service";
    return m_bRadioEmptiedByDelete ? "No Radio Service" : "No Ridio Service";
}

bool CEditorController::CanRename(SvcKind kind) const
{
    return m_Svc[kind].selection.size() == 1;
}

bool CEditorController::CanCut(SvcKind kind) const
{
    return !m_Svc[kind].selection.empty();
}

bool CEditorController::CanPaste(SvcKind kind) const
{
    return m_Clip.Holds(kind);
}

void CEditorController::Rename(SvcKind kind)
{
    if (CanRename(kind) && m_pListener)
        m_pListener->BeginRename(kind, m_Svc[kind].selection.front());
}

void CEditorController::CommitRename(SvcKind kind, uint32_t pos, const std::string& text)
{
    if (pos >= SvcCount(m_Doc, kind))
        return;
    Describe(WithSubject(SvcStepText(kind, "Rename"), SvcSubject(m_Doc, kind, {pos})));
    Appl_ChangeSvcName(m_Doc, kind, pos, text.substr(0, kRenameChars));
    SvcTable(m_Doc, kind)[pos].renameFlag = 1;
    Changed(kRefreshSvcLines | kRefreshCommands);
}

void CEditorController::DeleteAsked(SvcKind kind)
{
    if (m_Svc[kind].selection.empty())
        return;
    if (m_Prompter.Ask("Delete This Service?", "Warnning", PromptButtons::YesNo, PromptIcon::Question) ==
        PromptAnswer::Yes) {
        DescribeSvc(kind, "Delete");
        DeleteSelection(kind, true);
    }
}

void CEditorController::DeleteSelection(SvcKind kind, bool clearClip)
{
    const std::vector<uint32_t> sel = m_Svc[kind].selection;
    if (sel.empty())
        return;
    if (clearClip ? Appl_DeleteSvcClearClip(m_Doc, m_Clip, kind, sel) : Appl_DeleteSvc(m_Doc, kind, sel))
        AfterDelete(kind, sel.front());
}

void CEditorController::AfterDelete(SvcKind kind, uint32_t firstRemoved)
{
    uint32_t count = SvcCount(m_Doc, kind);
    SvcListState& state = m_Svc[kind];
    state.selection.clear();
    state.caret = -1;
    if (count > 0) {
        state.caret = int(std::min(firstRemoved, count - 1));
        state.selection = {uint32_t(state.caret)};
    } else if (kind == kRadioKind) {
        m_bRadioEmptiedByDelete = true;
    }
    Changed(kRefreshSvcList | kRefreshSvcSelection | kRefreshSvcPanel | kRefreshCommands);
}

void CEditorController::Copy(SvcKind kind)
{
    if (Appl_CopySvc(m_Doc, m_Clip, kind, m_Svc[kind].selection)) {
        m_bEdited = true;
        Changed(kRefreshCommands);
    }
}

void CEditorController::Cut(SvcKind kind)
{
    const std::vector<uint32_t> sel = m_Svc[kind].selection;
    if (Appl_CutSvc(m_Doc, m_Clip, kind, sel))
        AfterDelete(kind, sel.front());
}

void CEditorController::Paste(SvcKind kind)
{
    SvcListState& state = m_Svc[kind];
    if (state.caret < 0 || state.selection.empty())
        return;
    uint32_t at = uint32_t(state.caret);
    uint32_t pasted = Appl_PasteSvc(m_Doc, m_Clip, kind, at, state.selection);
    if (pasted == 0)
        return;
    state.selection.clear();
    for (uint32_t i = 0; i < pasted; ++i)
        state.selection.push_back(at + i);
    Changed(kRefreshSvcList | kRefreshSvcSelection | kRefreshSvcPanel | kRefreshCommands);
}

// Rows of the list as shown: in a filtered list the block need only be contiguous there.
bool CEditorController::MoveBlock(SvcKind kind, int step)
{
    SvcListState& state = m_Svc[kind];
    std::vector<uint32_t> rows;
    for (uint32_t pos : state.selection)
        rows.push_back(uint32_t(ShownRow(kind, pos)));
    const int caret = state.caret >= 0 ? ShownRow(kind, uint32_t(state.caret)) : -1;
    if (!Contiguous(rows) || caret < int(rows.front()) || caret > int(rows.back()))
        return false;
    int first = int(rows.front()) + step;
    if (first < 0 || uint32_t(first) + rows.size() > ShownCount(kind))
        return false;
    DescribeSvc(kind, "Move", "move " + std::to_string(kind) + " " + std::to_string(m_MoveGesture));
    const uint32_t length = uint32_t(rows.size());
    bool moved = Filter(kind).Active()
                     ? Appl_MoveShownSvcBlock(m_Doc, kind, m_Shown[kind], rows.front(), length, uint32_t(first))
                     : Appl_MoveSvcBlock(m_Doc, kind, rows.front(), length, uint32_t(first));
    if (!moved)
        return false;
    for (size_t i = 0; i < rows.size(); ++i)
        state.selection[i] = ShownPos(kind, rows[i] + step);
    state.caret = int(ShownPos(kind, uint32_t(caret + step)));
    Changed(kRefreshSvcLines | kRefreshSvcSelection | kRefreshSvcPanel | kRefreshCommands);
    return true;
}

void CEditorController::OpenServiceName(SvcKind kind)
{
    SvcListState& state = m_Svc[kind];
    if (state.selection.size() != 1)
        return;
    DescribeSvc(kind, "Service Name");
    int moved = m_Dialogs.ServiceName(kind, state.selection.front());
    if (moved < 0)
        return;
    state.selection = {uint32_t(moved)};
    state.caret = moved;
    Changed(kRefreshSvcLines | kRefreshSvcSelection | kRefreshSvcPanel | kRefreshCommands);
}

void CEditorController::ToggleCas(SvcKind kind)
{
    const SvcListState& state = m_Svc[kind];
    DescribeSvc(kind, "CAS");
    if (state.caret >= 0 && Appl_ToggleCas(m_Doc, kind, state.selection, uint32_t(state.caret))) {
        Changed(kRefreshSvcPanel | kRefreshCommands);
    }
}

void CEditorController::ToggleLock(SvcKind kind)
{
    const SvcListState& state = m_Svc[kind];
    DescribeSvc(kind, "Lock");
    if (state.caret >= 0 && Appl_ToggleLock(m_Doc, kind, state.selection, uint32_t(state.caret))) {
        Changed(kRefreshSvcPanel | kRefreshCommands);
    }
}

void CEditorController::SetTunerNum(SvcKind kind, uint8_t tunerNum)
{
    DescribeSvc(kind, tunerNum == 1 ? "Tuner 1" : tunerNum == 2 ? "Tuner 2" : "Tuner All");
    if (Appl_SetTuner(m_Doc, kind, m_Svc[kind].selection, tunerNum)) {
        Changed(kRefreshSvcPanel | kRefreshCommands);
    }
}

bool CEditorController::PanelEditable(SvcKind kind) const
{
    const SvcListState& state = m_Svc[kind];
    return Held() && state.selection.size() == 1 && int(state.selection.front()) == state.caret;
}

FieldResult CEditorController::SetPid(SvcKind kind, SvcPidField field, const std::string& text, bool report)
{
    if (!PanelEditable(kind) || (kind == kRadioKind && field == SvcPidField::VideoPid))
        return FieldResult::Invalid;
    uint32_t value = 0;
    uint32_t max = field == SvcPidField::SvcId ? kMaxSvcId : kMaxPid;
    if (CheckIntegerField(m_Prompter, text, max, value, report) != FieldResult::Written)
        return FieldResult::Invalid;
    uint32_t pos = uint32_t(m_Svc[kind].caret);
    DescribePid(kind, pos, field, value);
    SvcRecord before = SvcTable(m_Doc, kind)[pos];
    Appl_SetSvcPid(m_Doc, kind, pos, field, value);
    if (!(before == SvcTable(m_Doc, kind)[pos])) {
        Changed(kRefreshCommands);
    }
    return FieldResult::Written;
}
