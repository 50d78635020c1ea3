#include "editing/dialog_rules.h"

#include "editing/edit_common.h"
#include "settings/service_purge.h"
#include "editing/svc_edit.h"

namespace {

bool NameTaken(const COrvanel1Doc& doc, const std::string& name, int ownSat)
{
    for (uint32_t s = 0; s < kMaxSat; ++s)
        if (static_cast<int>(s) != ownSat && doc.m_SatInfo[s].name[0] != '\0' && FieldText(doc.m_SatInfo[s].name) == name)
            return true;
    return false;
}

bool PositionIdxAllowed(int positionIdx)
{
    return (positionIdx >= 0 && positionIdx <= 60) || positionIdx == kDefaultPositionIndex;
}

bool Refuse(Prompter& prompter, const std::string& text)
{
    prompter.Notify(text, "Error", PromptIcon::Error);
    return false;
}

} // namespace

bool NewSatDlg_Check(const COrvanel1Doc& doc, std::string& name, int positionIdx, Prompter& prompter)
{
    const std::string trimmed = TrimBoth(name.substr(0, kSatNameChars));
    if (NameTaken(doc, trimmed, -1))
        return Refuse(prompter, "Same Satellite Name is exist!");
    if (trimmed.size() <= 1)
        return Refuse(prompter, "Satellite Name is too short!");
    if (!PositionIdxAllowed(positionIdx))
        return Refuse(prompter, "Please enter an integer default value or between 0 and 60");
    name = trimmed;
    return true;
}

bool EditSatDlg_Check(const COrvanel1Doc& doc, int sat, std::string& name, int positionIdx, Prompter& prompter)
{
    const std::string trimmed = TrimTrailing(name.substr(0, kSatNameChars));
    if (trimmed.size() <= 1)
        return Refuse(prompter, "Satellite Name is too short!");
    if (NameTaken(doc, trimmed, sat))
        return Refuse(prompter, "Same Satellite Name is exist!");
    if (!PositionIdxAllowed(positionIdx))
        return Refuse(prompter, "Please enter an integer between 0 and 60");
    name = trimmed;
    return true;
}

int SvcNameDlg_ClampIndex(int index, uint32_t count, Prompter& prompter)
{
    if (index > static_cast<int>(count)) {
        prompter.Notify("Service Index is too big!", "Error", PromptIcon::Error);
        return static_cast<int>(count);
    }
    if (index < 1) {
        prompter.Notify("Service Index is too small!", "Error", PromptIcon::Error);
        return 1;
    }
    return index;
}

std::string SvcNameDlg_LimitName(const std::string& typed, Prompter& prompter)
{
    if (typed.size() <= kNameMaxChars)
        return typed;
    prompter.Notify("Service Name is too long.", "Notice", PromptIcon::Warning);
    return typed.substr(0, kNameMaxChars);
}

std::string SvcNameDlg_InitialName(const std::string& shownName) { return TrimTrailing(shownName); }

int SvcNameDlg_Apply(COrvanel1Doc& doc, SvcKind kind, uint32_t pos, const std::string& name, int index)
{
    const uint32_t count = SvcCount(doc, kind);
    if (pos >= count || index < 1 || static_cast<uint32_t>(index) > count)
        return -1;
    Appl_ChangeSvcName(doc, kind, pos, name);
    SvcTable(doc, kind)[pos].renameFlag = 1;
    doc.m_Revision.Bump(ListTable(kind));
    const uint32_t to = static_cast<uint32_t>(index - 1);
    Appl_MoveSvc(doc, kind, pos, to);
    return static_cast<int>(to);
}
