#include "editing/fav_edit.h"

#include "editing/edit_common.h"

#include <algorithm>

namespace {

constexpr uint32_t kFavNameChars = kFavNameSize - 1;

bool ValidSlot(const COrvanel1Doc& doc, int slot) { return slot >= 0 && static_cast<uint32_t>(slot) < doc.m_FavCnt; }

uint32_t MemberCount(const FavCh& group) { return std::min<uint32_t>(group.numOfFavCh, kMaxFavMember); }

// Shows the name rules' message and returns false when `name` may not be used by `slot`.
bool NameAllowed(COrvanel1Doc& doc, const std::string& name, int slot)
{
    if (name.empty()) {
        DocNotify(doc, "Favorite Group Name is needed!", "Error", PromptIcon::Error);
        return false;
    }
    for (uint32_t g = 0; g < doc.m_FavCnt; ++g)
        if (static_cast<int>(g) != slot && FieldText(doc.m_FavCh[g].favName) == name) {
            DocNotify(doc, "Same Group Name exist!", "Error", PromptIcon::Error);
            return false;
        }
    return true;
}

void RemoveMemberAt(FavCh& group, uint32_t member)
{
    const uint32_t count = MemberCount(group);
    std::move(group.chNum.begin() + member + 1, group.chNum.begin() + count, group.chNum.begin() + member);
    std::move(group.svcType.begin() + member + 1, group.svcType.begin() + count, group.svcType.begin() + member);
    group.chNum[count - 1] = 0;
    group.svcType[count - 1] = 0;
    group.numOfFavCh = static_cast<uint8_t>(count - 1);
}

} // namespace

bool Appl_CanAddFavGroup(COrvanel1Doc& doc)
{
    if (doc.m_FavCnt < kMaxFavGroup)
        return true;
    DocNotify(doc, "Cannot add more Favorite Group Information!", "Error", PromptIcon::Error);
    return false;
}

int Appl_AddFavGroup(COrvanel1Doc& doc, const FavCh& group)
{
    if (!Appl_CanAddFavGroup(doc))
        return -1;
    const std::string name = TrimTrailing(FieldText(group.favName));
    if (!NameAllowed(doc, name, -1))
        return -1;
    const uint32_t slot = doc.m_FavCnt;
    FavCh& added = doc.m_FavCh[slot];
    added = group;
    SetFieldText(added.favName, name);
    added.numOfFavCh = static_cast<uint8_t>(MemberCount(group));
    added.favByte = 0;
    ++doc.m_FavCnt;
    doc.m_Revision.Bump(DocTable::Favourites);
    return static_cast<int>(slot);
}

bool Appl_EditFavGroup(COrvanel1Doc& doc, int slot, const FavCh& group)
{
    if (!ValidSlot(doc, slot) || !NameAllowed(doc, FieldText(group.favName), slot))
        return false;
    FavCh& edited = doc.m_FavCh[slot];
    const uint8_t favByte = edited.favByte;
    edited = group;
    edited.numOfFavCh = static_cast<uint8_t>(MemberCount(group));
    edited.favByte = favByte;
    doc.m_Revision.Bump(DocTable::Favourites);
    return true;
}

bool Appl_DeleteFavGroup(COrvanel1Doc& doc, int slot)
{
    if (!ValidSlot(doc, slot))
        return false;
    const std::string question = "Delete " + FieldText(doc.m_FavCh[slot].favName) + "'s group information?";
    if (!DocAskYes(doc, question, "Warnning"))
        return false;
    std::move(doc.m_FavCh.begin() + slot + 1, doc.m_FavCh.end(), doc.m_FavCh.begin() + slot);
    doc.m_FavCh.back() = FavCh{};
    --doc.m_FavCnt;
    // The current group keeps naming the same group, or none when it was the deleted one.
    uint8_t& current = doc.m_EtcInfo.curFavGroup;
    if (current != 0xFF && current == slot)
        current = 0xFF;
    else if (current != 0xFF && current > slot)
        --current;
    doc.m_Revision.Bump(DocTable::Favourites);
    return true;
}

int Appl_RemoveFavMember(COrvanel1Doc& doc, int slot, int member)
{
    if (!ValidSlot(doc, slot) || member < 0 || static_cast<uint32_t>(member) >= MemberCount(doc.m_FavCh[slot]))
        return -1;
    FavCh& group = doc.m_FavCh[slot];
    RemoveMemberAt(group, static_cast<uint32_t>(member));
    doc.m_Revision.Bump(DocTable::Favourites);
    return group.numOfFavCh == 0 ? -1 : std::min(member, group.numOfFavCh - 1);
}

std::string Appl_FavGroupKindText(const COrvanel1Doc& doc, int slot)
{
    if (!ValidSlot(doc, slot) || MemberCount(doc.m_FavCh[slot]) == 0)
        return {};
    return doc.m_FavCh[slot].svcType[0] == kRadioKind ? "Radio Group" : "TV Group";
}

uint32_t FavDlg_AddMembers(FavCh& group, const std::vector<uint32_t>& positions, uint32_t listCount, SvcKind kind,
                           Prompter& prompter)
{
    std::vector<uint32_t> ordered = positions;
    std::sort(ordered.begin(), ordered.end());
    ordered.erase(std::lower_bound(ordered.begin(), ordered.end(), listCount), ordered.end());
    uint32_t added = 0;
    for (uint32_t pos : ordered) {
        const uint32_t count = MemberCount(group);
        bool present = false;
        for (uint32_t m = 0; m < count && !present; ++m)
            present = group.chNum[m] == pos && group.svcType[m] == kind;
        if (present)
            continue;
        if (count >= kMaxFavMember) {
            prompter.Notify("Cannot insert more service!", "Error", PromptIcon::Error);
            break;
        }
        group.chNum[count] = static_cast<uint16_t>(pos);
        group.svcType[count] = kind;
        group.numOfFavCh = static_cast<uint8_t>(count + 1);
        ++added;
    }
    return added;
}

void FavDlg_RemoveMembers(FavCh& group, const std::vector<uint32_t>& memberIdxs)
{
    const std::vector<uint32_t> chosen = NormalizeSelection(memberIdxs, MemberCount(group));
    for (auto it = chosen.rbegin(); it != chosen.rend(); ++it)
        RemoveMemberAt(group, *it);
}

SvcKind FavDlg_InitialKind(const FavCh& group)
{
    return MemberCount(group) > 0 && group.svcType[0] == kRadioKind ? kRadioKind : kTvKind;
}

SvcKind FavDlg_SwitchKind(const FavCh& group, SvcKind current, SvcKind wanted, Prompter& prompter)
{
    if (MemberCount(group) > 0 && FavDlg_InitialKind(group) != wanted) {
        prompter.Notify("Cannot Change Service Type", "Error", PromptIcon::Error);
        return current;
    }
    return wanted;
}

void FavDlg_SetName(FavCh& group, const std::string& typed, Prompter& prompter)
{
    if (typed.size() > kFavNameChars)
        prompter.Notify("Favorite Group name is too Long!", "Warning", PromptIcon::Error);
    SetFieldText(group.favName, typed.substr(0, kFavNameChars));
}
