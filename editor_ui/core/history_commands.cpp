// The history of every change: each change the controller sees after a command becomes a
// step named after that command; Undo Change, Redo Change and the History window step
// through them, and the edited flag follows the saved step.
#include "editor_ui/core/editor_controller.h"

namespace {
const std::string kSatStep = "Satellite Information : ";
const std::string kFavStep = "Favorite Group : ";
}

std::string SvcStepText(SvcKind kind, const std::string& action)
{
    return (kind == kTvKind ? "TV Service : " : "Radio Service : ") + action;
}

std::string StepText(Cmd cmd, SvcKind kind)
{
    switch (cmd) {
    case Cmd::UndoSort: return "Undo Sorting";
    case Cmd::Cut: return SvcStepText(kind, "Cut");
    case Cmd::Paste: return SvcStepText(kind, "Paste");
    case Cmd::Delete: return SvcStepText(kind, "Delete");
    case Cmd::TvDeleteSvc: return SvcStepText(kTvKind, "Delete Service");
    case Cmd::RadioDeleteSvc: return SvcStepText(kRadioKind, "Delete Service");
    case Cmd::AddSat: return kSatStep + "Add Satellite";
    case Cmd::DeleteSat: return kSatStep + "Delete Satellite";
    case Cmd::EditSat: return kSatStep + "Edit Satellite";
    case Cmd::AddTp: return kSatStep + "Add Transponder";
    case Cmd::DeleteTp: return kSatStep + "Delete Transponder";
    case Cmd::EditTp: return kSatStep + "Edit Transponder";
    case Cmd::AddFavGroup: return kFavStep + "Add New Fav Group";
    case Cmd::DeleteFavGroup: return kFavStep + "Delete Current Fav Group";
    case Cmd::EditFavGroup: return kFavStep + "Edit Current Fav Group";
    case Cmd::ApplyReference: return "Apply Reference List";
    default: return {};
    }
}

void CEditorController::Describe(std::string text, std::string mergeKey)
{
    m_StepText = std::move(text);
    m_StepKey = std::move(mergeKey);
}

void CEditorController::DescribePid(SvcKind kind, uint32_t pos, SvcPidField field, uint32_t value)
{
    static const char* const kLabels[] = {"Service ID :", "PMT :", "PCR :", "VID :", "AID :"};
    const std::string key = "pid " + std::to_string(kind) + " " + std::to_string(pos) + " " + std::to_string(int(field));
    Describe(SvcStepText(kind, std::string(kLabels[int(field)]) + " " + std::to_string(value)), key);
}

// Edited settings arrived by an upload, or from the recovery file (which knows their file).
void CEditorController::StartHistory(bool edited, const std::string& start)
{
    m_History.Reset(m_Doc, !start.empty() ? start : !edited ? "Open" : "Upload FROM STB", !edited);
    m_SeenRevision = m_Doc.m_Revision.Current();
    m_Filter[kTvKind] = m_Filter[kRadioKind] = {};
}

// The document changed since the history last looked: a step, and the filtered lists again.
unsigned CEditorController::AfterDocChange()
{
    m_SeenRevision = m_Doc.m_Revision.Current();
    if (!Held())
        return 0;
    m_History.Record(m_Doc, m_StepText.empty() ? "Change" : m_StepText, m_StepKey);
    Describe({});
    const bool shownChanged = Refilter();
    return kRefreshHistory | kRefreshCommands | (shownChanged ? kRefreshSvcList | kRefreshSvcSelection : 0u);
}

void CEditorController::GoToChange(size_t index)
{
    if (!Held() || index == m_History.Position() || !m_History.GoTo(m_Doc, index))
        return;
    m_SeenRevision = m_Doc.m_Revision.Current();
    if (m_History.AtSaved()) {
        m_Doc.m_Revision.MarkSaved();
        m_bEdited = false;
    }
    ClampSelections();
    Refilter();
    UpdatePreview();
    Changed(kRefreshAll);
}
