#include "editor_ui/dialogs/editor_dialogs.h"

#include "editing/dialog_rules.h"
#include "editing/fav_edit.h"
#include "editing/sat_edit.h"
#include "editor_ui/dialogs/fav_group_dialog.h"
#include "editor_ui/dialogs/sat_dialog.h"
#include "editor_ui/core/list_lines.h"
#include "editor_ui/dialogs/svc_name_dialog.h"
#include "editor_ui/dialogs/tp_dialog.h"
#include "settings/service_purge.h"
#include "settings/model_traits.h"

namespace {

bool OffersDvbS2(const COrvanel1Doc& doc) { return settings::TraitsOfModel(doc.m_ModelId).dvbS2; }

bool ValidSat(const COrvanel1Doc& doc, int sat) { return sat >= 0 && uint32_t(sat) < doc.m_SatCnt; }

} // namespace

bool RunNewSatelliteDialog(QWidget* parent, COrvanel1Doc& doc, Prompter& prompter)
{
    if (!Appl_CanAddSat(doc))
        return false;
    CSatDlg dialog(parent, doc, -1, prompter);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return Appl_AddSat(doc, dialog.m_Name, uint8_t(dialog.m_PositionIdx)) >= 0;
}

bool RunEditSatelliteDialog(QWidget* parent, COrvanel1Doc& doc, int sat, Prompter& prompter)
{
    if (!ValidSat(doc, sat))
        return false;
    CSatDlg dialog(parent, doc, sat, prompter);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return Appl_EditSat(doc, sat, dialog.m_Name, uint8_t(dialog.m_PositionIdx));
}

int RunAddTransponderDialog(QWidget* parent, COrvanel1Doc& doc, int sat, Prompter& prompter)
{
    CTpDlg dialog(parent, TpValues{}, DvbS2Choice{}, OffersDvbS2(doc), prompter);
    uint32_t at = 0;
    if (dialog.exec() != QDialog::Accepted ||
        Appl_AddTp(doc, sat, dialog.m_Values, dialog.m_Choice, &at) == FindTpResult::Invalid)
        return -1;
    return int(at - Appl_SatTpStart(doc, uint32_t(sat)));
}

bool RunEditTransponderDialog(QWidget* parent, COrvanel1Doc& doc, int sat, int tpIdx, Prompter& prompter)
{
    if (!ValidSat(doc, sat) || tpIdx < 0 || uint32_t(tpIdx) >= doc.m_SatInfo[sat].tpNum)
        return Appl_EditTp(doc, sat, tpIdx, {}, {});
    const uint32_t at = Appl_SatTpStart(doc, uint32_t(sat)) + uint32_t(tpIdx);
    const TpData& tp = doc.m_TpData[at];
    TpValues values;
    values.polar = tp.polar;
    values.tpMode = tp.tpMode;
    values.freq = tp.freq;
    values.sr = tp.sr;
    values.streamId = tp.tpWord1;
    CTpDlg dialog(parent, values, ChoiceFromDvbS2(doc.m_TpS2[at]), OffersDvbS2(doc), prompter);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return Appl_EditTp(doc, sat, tpIdx, dialog.m_Values, dialog.m_Choice);
}

int RunServiceNameDialog(QWidget* parent, COrvanel1Doc& doc, SvcKind kind, uint32_t pos, Prompter& prompter)
{
    const uint32_t count = SvcCount(doc, kind);
    if (pos >= count)
        return -1;
    const std::string name = SvcNameDlg_InitialName(SvcListName(doc, kind, pos));
    CSvcNameDlg dialog(parent, name, int(pos) + 1, int(count), prompter);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return SvcNameDlg_Apply(doc, kind, pos, dialog.m_Name, dialog.m_Index);
}

int RunAddFavGroupDialog(QWidget* parent, COrvanel1Doc& doc, Prompter& prompter)
{
    if (!Appl_CanAddFavGroup(doc))
        return -1;
    CFavGroupDlg dialog(parent, doc, FavCh{}, prompter);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return Appl_AddFavGroup(doc, dialog.m_Group);
}

bool RunEditFavGroupDialog(QWidget* parent, COrvanel1Doc& doc, int slot, Prompter& prompter)
{
    if (slot < 0 || uint32_t(slot) >= doc.m_FavCnt)
        return false;
    CFavGroupDlg dialog(parent, doc, doc.m_FavCh[slot], prompter);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return Appl_EditFavGroup(doc, slot, dialog.m_Group);
}
