// The validation rules of the editing dialogs, without windows: the dialogs hand their
// fields to these functions and stay open while one returns false. Messages go through
// the given prompter.
#pragma once
#include "settings/document.h"
#include "common/prompter.h"

#include <cstdint>
#include <string>

constexpr uint32_t kSatNameChars = kSatNameSize - 1;
constexpr int kDefaultPositionIndex = 127;

// New Satellite OK: trims the name at both ends, then refuses a name of an existing
// satellite, a name of at most one character, and a position index outside 0 to 60 other
// than 127. On success `name` holds the trimmed name.
[[nodiscard]] bool NewSatDlg_Check(const COrvanel1Doc& doc, std::string& name, int positionIdx, Prompter& prompter);
// Edit Satellite OK for satellite `sat`: trims trailing blanks only; its own name is allowed.
[[nodiscard]] bool EditSatDlg_Check(const COrvanel1Doc& doc, int sat, std::string& name, int positionIdx, Prompter& prompter);

// Service Name dialog: the index typed (1-based) brought into 1 .. count, with
// "Service Index is too big!" / "Service Index is too small!".
int SvcNameDlg_ClampIndex(int index, uint32_t count, Prompter& prompter);
// The name as typed, at most 23 characters ("Service Name is too long.").
std::string SvcNameDlg_LimitName(const std::string& typed, Prompter& prompter);
// The dialog's starting name: the shown name without trailing blanks.
std::string SvcNameDlg_InitialName(const std::string& shownName);
// OK: renames the service (renameFlag set even for an unchanged name) and moves it to the
// 1-based index when that changed. Returns the service's new position, or -1.
int SvcNameDlg_Apply(COrvanel1Doc& doc, SvcKind kind, uint32_t pos, const std::string& name, int index);
