// The satellite view (satellites, transponders, previews, LNB panel) and the favourite view.
#include "editor_ui/core/editor_controller.h"

#include "editing/edit_common.h"
#include "editing/fav_edit.h"
#include "editing/sat_edit.h"
#include "editor_ui/core/list_lines.h"
#include "editor_ui/core/tp_update.h"
#include "settings/service_purge.h"

#include <algorithm>

namespace {
constexpr uint32_t kMaxLowFreq = 0x3FFF;
constexpr uint8_t kLoopThrough = 1;
}

void CEditorController::SelectSat(int sat)
{
    m_CurSat = sat >= 0 && uint32_t(sat) < m_Doc.m_SatCnt ? sat : -1;
    m_bLnbUserChosen = false;
    m_TpSel.clear();
    m_TpCaret = -1;
    UpdatePreview();
    Changed(kRefreshSatList);
}

void CEditorController::SetTpSelection(std::vector<uint32_t> selection, int caret)
{
    uint32_t tpNum = m_CurSat >= 0 ? m_Doc.m_SatInfo[m_CurSat].tpNum : 0;
    m_TpSel = NormalizeSelection(std::move(selection), tpNum);
    m_TpCaret = caret >= 0 && uint32_t(caret) < tpNum ? caret : -1;
    UpdatePreview();
    Changed(kRefreshPreview);
}

void CEditorController::UpdatePreview()
{
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        std::vector<uint32_t>& rows = m_Preview[kind];
        rows.clear();
        if (!Held() || m_CurSat < 0)
            continue;
        const SvcRecord* table = SvcTable(m_Doc, kind);
        for (uint32_t i = 0; i < SvcCount(m_Doc, kind); ++i)
            if (table[i].satIdx == m_CurSat && (m_TpCaret < 0 || table[i].tpIdx == m_TpCaret))
                rows.push_back(i);
    }
}

void CEditorController::ClampSelections()
{
    if (m_CurSat >= int(m_Doc.m_SatCnt))
        m_CurSat = m_Doc.m_SatCnt > 0 ? int(m_Doc.m_SatCnt) - 1 : -1;
    uint32_t tpNum = m_CurSat >= 0 ? m_Doc.m_SatInfo[m_CurSat].tpNum : 0;
    m_TpSel = NormalizeSelection(m_TpSel, tpNum);
    if (m_TpCaret >= int(tpNum))
        m_TpCaret = -1;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        uint32_t count = SvcCount(m_Doc, kind);
        m_Svc[kind].selection = NormalizeSelection(m_Svc[kind].selection, count);
        if (m_Svc[kind].caret >= int(count))
            m_Svc[kind].caret = count > 0 ? int(count) - 1 : -1;
    }
    if (m_FavGroup >= int(m_Doc.m_FavCnt))
        m_FavGroup = m_Doc.m_FavCnt > 0 ? int(m_Doc.m_FavCnt) - 1 : -1;
}

LnbBlock* CEditorController::ChosenLnb()
{
    if (!Held() || m_CurSat < 0)
        return nullptr;
    SatInfo& sat = m_Doc.m_SatInfo[m_CurSat];
    if (m_Tuner == 1 && sat.lnb[1].tunerMode == kLoopThrough)
        return nullptr;   // tuner 2 follows tuner 1's block, shown disabled
    return &sat.lnb[m_Tuner];
}

LnbPanelState CEditorController::Lnb() const
{
    if (m_CurSat < 0)
        return {};
    LnbPanelState state = ReadLnbPanel(m_Doc.m_SatInfo[m_CurSat], m_Tuner);
    if (m_bLnbUserChosen && state.controlsEnabled) {
        state.type = kLnbTypeUser;
        state.lowEnabled = true;
        state.toneVisible = true;
    }
    return state;
}

void CEditorController::SetLnb(LnbField field, int value)
{
    static const char* const kLabels[] = {"LNB Power", "DiSEqC 1.0", "22 KHz", "Type", "DiSEqC 1.1", "Connection"};
    DescribeSat(m_CurSat, std::string("LNB Information : ") + kLabels[int(field)]);
    if (field == LnbField::Connection) {
        if (!Held() || m_CurSat < 0 || m_Tuner != 1)
            return;
        m_Doc.m_SatInfo[m_CurSat].lnb[1].tunerMode = uint8_t(value);
        m_Doc.m_Revision.Bump(DocTable::Satellites);
    } else {
        LnbBlock* block = ChosenLnb();
        if (!block)
            return;
        switch (field) {
        case LnbField::Power: block->lnbPower = block->lnbPower ? 0 : 1; break;
        case LnbField::Diseqc10: block->diseqc10 = uint8_t(value); break;
        case LnbField::Tone22k: block->tone22k = block->tone22k ? 0 : 1; break;
        case LnbField::Type:
            ApplyLnbType(*block, value);
            m_bLnbUserChosen = value == kLnbTypeUser;
            break;
        case LnbField::Diseqc11: block->diseqc11 = uint8_t(value); break;
        case LnbField::Connection: break;
        }
        m_Doc.m_Revision.Bump(DocTable::Satellites);
    }
    Changed(kRefreshLnb | kRefreshCommands);
}

FieldResult CEditorController::SetLnbLow(const std::string& text, bool report)
{
    LnbBlock* block = ChosenLnb();
    uint32_t value = 0;
    if (!block || CheckIntegerField(m_Prompter, text, kMaxLowFreq, value, report) != FieldResult::Written)
        return FieldResult::Invalid;
    LnbBlock before = *block;
    DescribeSat(m_CurSat, "LNB Information : Low " + std::to_string(value), "low " + std::to_string(m_CurSat) + " " + std::to_string(m_Tuner));
    ApplyLowFreq(*block, value);
    if (!(before == *block)) {
        m_Doc.m_Revision.Bump(DocTable::Satellites);
        Changed(kRefreshCommands);
    }
    return FieldResult::Written;
}

void CEditorController::AddSat()
{
    if (!m_Dialogs.AddSatellite())
        return;
    DescribeSat(int(m_Doc.m_SatCnt) - 1, m_StepText);
    SelectSat(int(m_Doc.m_SatCnt) - 1);
    Changed(kRefreshCommands);
}

void CEditorController::DeleteSat()
{
    if (!Appl_DeleteSat(m_Doc, m_CurSat))
        return;
    int sat = std::min(m_CurSat, int(m_Doc.m_SatCnt) - 1);
    ClampSelections();
    SelectSat(sat);
    Changed(kRefreshSvcList | kRefreshCommands);
}

void CEditorController::EditSat()
{
    if (m_CurSat >= 0 && m_Dialogs.EditSatellite(m_CurSat)) {
        Changed(kRefreshSatList | kRefreshCommands);
    }
}

void CEditorController::AddTp()
{
    const int tp = m_CurSat >= 0 ? m_Dialogs.AddTransponder(m_CurSat) : -1;
    if (tp < 0)
        return;
    m_TpSel = {uint32_t(tp)};
    m_TpCaret = tp;
    UpdatePreview();
    Changed(kRefreshSatList | kRefreshCommands);
}

void CEditorController::EditTp()
{
    if (m_Dialogs.EditTransponder(m_CurSat, m_TpCaret)) {
        Changed(kRefreshSatList | kRefreshCommands);
    }
}

void CEditorController::DeleteTp()
{
    uint32_t tpsBefore = m_Doc.m_TpCnt;
    bool done = Appl_DeleteTps(m_Doc, m_CurSat, m_TpSel);
    if (!done && m_Doc.m_TpCnt == tpsBefore)
        return;
    ClampSelections();
    SelectSat(m_CurSat);
    Changed(kRefreshSvcList | kRefreshCommands);
}

// The plan is shown before anything changes; carried out, it is one step of the history.
void CEditorController::UpdateTps()
{
    static const std::string kTitle = "Update Transponders from Table";
    const std::optional<std::filesystem::path> path = m_Dialogs.ChooseTableFile();
    if (!path)
        return;
    tables::TableFile table;
    std::string error;
    if (!tables::LoadTableFile(*path, table, error)) {
        m_Prompter.Notify("Cannot take the transponder table " + error + ".", kTitle, PromptIcon::Warning);
        return;
    }
    CTpTableUpdate update(m_Doc, m_CurSat, std::move(table));
    if (!m_Dialogs.UpdateTransponders(update))
        return;
    tables::TpUpdateResult result;
    if (!update.Apply(m_Doc, result)) {
        const bool lastTp = result.error == "Cannot delete all TP..";
        if (!result.error.empty())
            m_Prompter.Notify(result.error, lastTp ? kProgramTitle : kTitle, lastTp ? PromptIcon::None : PromptIcon::Warning);
        return;
    }
    const int sat = m_CurSat;
    ClampSelections();
    SelectSat(sat);
    Changed(kRefreshSvcList | kRefreshCommands);
    Say(tables::DescribeTpUpdate(update.Plan(), result));
}

void CEditorController::SelectFavGroup(int slot)
{
    m_FavGroup = slot >= 0 && uint32_t(slot) < m_Doc.m_FavCnt ? slot : -1;
    m_FavMember = m_FavGroup >= 0 && m_Doc.m_FavCh[m_FavGroup].numOfFavCh > 0 ? 0 : -1;
    Changed(kRefreshFav);
}

void CEditorController::SetFavMember(int member)
{
    bool valid = m_FavGroup >= 0 && member >= 0 && member < m_Doc.m_FavCh[m_FavGroup].numOfFavCh;
    m_FavMember = valid ? member : -1;
    Changed(kRefreshSvcPanel);
}

void CEditorController::DeleteFavMemberAsked()
{
    if (m_FavGroup < 0 || m_FavMember < 0)
        return;
    if (m_Prompter.Ask("Delete This Favorite Item?", "Warnning", PromptButtons::YesNo, PromptIcon::Question) !=
        PromptAnswer::Yes)
        return;
    DescribeFav(m_FavGroup, "Favorite Group : Delete Favorite Item");
    m_FavMember = Appl_RemoveFavMember(m_Doc, m_FavGroup, m_FavMember);
    Changed(kRefreshFav | kRefreshCommands);
}

void CEditorController::AddFavGroup()
{
    int slot = m_Dialogs.AddFavGroup();
    if (slot < 0)
        return;
    DescribeFav(slot, m_StepText);
    SelectFavGroup(slot);
    Changed(kRefreshCommands);
}

void CEditorController::EditFavGroup()
{
    if (m_FavGroup >= 0 && m_Dialogs.EditFavGroup(m_FavGroup)) {
        SelectFavGroup(m_FavGroup);
        Changed(kRefreshCommands);
    }
}

void CEditorController::DeleteFavGroup()
{
    if (m_FavGroup < 0 || !Appl_DeleteFavGroup(m_Doc, m_FavGroup))
        return;
    SelectFavGroup(int(m_Doc.m_FavCnt) - 1);
    Changed(kRefreshCommands);
}
