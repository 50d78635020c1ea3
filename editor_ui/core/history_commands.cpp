// The history of every change: each change the controller sees after a command becomes a
// step named after that command; Undo Change, Redo Change and the History window step
// through them, and the edited flag follows the saved step.
#include "editor_ui/core/editor_controller.h"

#include "editor_ui/core/list_lines.h"
#include "settings/service_purge.h"

namespace {
const std::string kSatStep = "Satellite Information : ";
const std::string kFavStep = "Favorite Group : ";

std::string SatSubject(const COrvanel1Doc& doc, int sat)
{
    return sat >= 0 && uint32_t(sat) < doc.m_SatCnt ? SatName(doc, uint32_t(sat)) : std::string();
}

std::string TpSubject(const COrvanel1Doc& doc, int sat, const std::vector<uint32_t>& tps)
{
    const std::string satName = SatSubject(doc, sat);
    if (satName.empty() || tps.empty() || doc.m_SatInfo[sat].firstTp + tps.front() >= kMaxTp)
        return satName;
    const std::string first = satName + " " + std::to_string(doc.m_TpData[doc.m_SatInfo[sat].firstTp + tps.front()].freq) + " MHz";
    return tps.size() == 1 ? first : first + " and " + std::to_string(tps.size() - 1) + " more";
}

std::string FavSubject(const COrvanel1Doc& doc, int group)
{
    return group >= 0 && uint32_t(group) < doc.m_FavCnt ? FieldText(doc.m_FavCh[group].favName) : std::string();
}
}

std::string WithSubject(const std::string& step, const std::string& subject)
{
    return subject.empty() ? step : step + " (" + subject + ")";
}

std::string SvcSubject(const COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& positions)
{
    if (positions.empty() || positions.front() >= SvcCount(doc, kind))
        return {};
    const std::string first = SvcListName(doc, kind, positions.front());
    return positions.size() == 1 ? first : first + " and " + std::to_string(positions.size() - 1) + " more";
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
    case Cmd::UpdateTps: return kSatStep + "Update Transponders from Table";
    case Cmd::AddFavGroup: return kFavStep + "Add New Fav Group";
    case Cmd::DeleteFavGroup: return kFavStep + "Delete Current Fav Group";
    case Cmd::EditFavGroup: return kFavStep + "Edit Current Fav Group";
    case Cmd::ApplyReference: return "Apply Reference List";
    case Cmd::ImportList: return "Import List";
    default: return {};
    }
}

// The service, satellite, TP or group a menu command is about to change.
std::string CEditorController::Subject(Cmd cmd, SvcKind kind) const
{
    switch (cmd) {
    case Cmd::Cut: case Cmd::Delete: return SvcSubject(m_Doc, kind, m_Svc[kind].selection);
    case Cmd::TvDeleteSvc: return SvcSubject(m_Doc, kTvKind, m_Svc[kTvKind].selection);
    case Cmd::RadioDeleteSvc: return SvcSubject(m_Doc, kRadioKind, m_Svc[kRadioKind].selection);
    case Cmd::DeleteSat: case Cmd::EditSat: case Cmd::AddTp: case Cmd::UpdateTps: return SatSubject(m_Doc, m_CurSat);
    case Cmd::DeleteTp: case Cmd::EditTp: return TpSubject(m_Doc, m_CurSat, m_TpSel);
    case Cmd::DeleteFavGroup: case Cmd::EditFavGroup: return FavSubject(m_Doc, m_FavGroup);
    default: return {};
    }
}

void CEditorController::DescribeSvc(SvcKind kind, const std::string& action, std::string mergeKey)
{
    Describe(WithSubject(SvcStepText(kind, action), SvcSubject(m_Doc, kind, m_Svc[kind].selection)), std::move(mergeKey));
}

void CEditorController::DescribeSat(int sat, const std::string& step, std::string mergeKey)
{
    Describe(WithSubject(step, SatSubject(m_Doc, sat)), std::move(mergeKey));
}

void CEditorController::DescribeFav(int group, const std::string& step)
{
    Describe(WithSubject(step, FavSubject(m_Doc, group)));
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
    Describe(WithSubject(SvcStepText(kind, std::string(kLabels[int(field)]) + " " + std::to_string(value)),
                         SvcSubject(m_Doc, kind, {pos})),
             key);
}

void CEditorController::FollowSortsToStep()
{
    const uint64_t step = m_History.StepNumber();
    while (m_Undo.Available() && m_Undo.LastMark() >= step)
        m_SortsAhead.push_back(m_Undo.TakeLast());
    for (; !m_SortsAhead.empty() && m_SortsAhead.back().mark < step; m_SortsAhead.pop_back())
        m_Undo.PutBack(std::move(m_SortsAhead.back()));
    m_SortLabel = m_Undo.LastDescription();
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
    if (m_History.Record(m_Doc, m_StepText.empty() ? "Change" : m_StepText, m_StepKey))
        m_SortsAhead.clear();   // the steps that held them went
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
    FollowSortsToStep();
    ClampSelections();
    Refilter();
    UpdatePreview();
    Changed(kRefreshAll);
    if (m_pListener)
        m_pListener->ShowPassing("Returned to \"" + m_History.Entry(index).description + "\"");
}
