// Favourite groups: the group table operations with their name and member rules, and the
// member editing of the Favorite Group dialog. Messages go through doc.m_pPrompter (or the
// given prompter for the dialog's own rules).
#pragma once
#include "settings/document.h"
#include "common/prompter.h"

#include <cstdint>
#include <string>
#include <vector>

// "Cannot add more Favorite Group Information!" when 30 groups exist.
[[nodiscard]] bool Appl_CanAddFavGroup(COrvanel1Doc& doc);
// Appends the dialog's group (trailing blanks cut from its name). Returns its slot, or -1
// after "Favorite Group Name is needed!" / "Same Group Name exist!" (or a full table).
int Appl_AddFavGroup(COrvanel1Doc& doc, const FavCh& group);
// Replaces slot `slot` with the dialog's group (name as typed, favByte kept).
bool Appl_EditFavGroup(COrvanel1Doc& doc, int slot, const FavCh& group);
// Asks "Delete %s's group information?" and removes the slot on Yes.
bool Appl_DeleteFavGroup(COrvanel1Doc& doc, int slot);
// Removes one member; returns the member to put the caret on, -1 when none is left or
// nothing was removed.
int Appl_RemoveFavMember(COrvanel1Doc& doc, int slot, int member);
// "TV Group", "Radio Group" or "" (no members) for a slot.
std::string Appl_FavGroupKindText(const COrvanel1Doc& doc, int slot);

// The dialog's member rules. Appends the positions below listCount (in list order) with the
// kind, skipping those already in the group, and stops with "Cannot insert more service!"
// at 100. Returns the number appended.
uint32_t FavDlg_AddMembers(FavCh& group, const std::vector<uint32_t>& positions, uint32_t listCount, SvcKind kind,
                           Prompter& prompter);
// Removes the members at these indexes; the rest close up.
void FavDlg_RemoveMembers(FavCh& group, const std::vector<uint32_t>& memberIdxs);
// The kind the dialog shows after the user chose `wanted`: refused with "Cannot Change
// Service Type" while the members are of the other kind.
SvcKind FavDlg_SwitchKind(const FavCh& group, SvcKind current, SvcKind wanted, Prompter& prompter);
// The kind a group opens with: radio when its first member is radio, else TV.
SvcKind FavDlg_InitialKind(const FavCh& group);
// Takes the typed name into the group, at most 11 characters ("Favorite Group name is too Long!").
void FavDlg_SetName(FavCh& group, const std::string& typed, Prompter& prompter);
