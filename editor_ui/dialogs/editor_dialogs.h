// The editor's modal editing dialogs, one entry point each. Every entry point runs its
// dialog on the given parent, validates with the editing rules (messages through the
// prompter; the document's own operations speak through doc.m_pPrompter), and applies
// the result to the document only on OK. Cancel never changes the document.
#pragma once
#include "settings/document.h"

#include <cstdint>

class Prompter;
class QWidget;

// Add Satellite: "Cannot add more satellite!" when the tables are full, else the New
// Satellite dialog; OK appends the satellite, which becomes the last one. True when added.
bool RunNewSatelliteDialog(QWidget* parent, COrvanel1Doc& doc, Prompter& prompter);
// Edit Satellite for satellite `sat`: OK writes the name and the position index into both
// LNB blocks. True when written.
bool RunEditSatelliteDialog(QWidget* parent, COrvanel1Doc& doc, int sat, Prompter& prompter);

// Add Transponder to satellite `sat`: the Edit Transponder Information dialog with the
// starting values of a new transponder; OK adds it or updates its near-identical twin.
// Returns that transponder (counted within the satellite), or -1 when nothing changed.
int RunAddTransponderDialog(QWidget* parent, COrvanel1Doc& doc, int sat, Prompter& prompter);
// Edit Transponder for transponder `tpIdx` (counted within the satellite): "First, Select
// TP !" without one, else the dialog with its values; OK writes them. True when written.
bool RunEditTransponderDialog(QWidget* parent, COrvanel1Doc& doc, int sat, int tpIdx, Prompter& prompter);

// Service Name for the service at `pos` of the list: OK renames it (renameFlag set) and
// moves it when the index changed. Returns its new position, or -1 when cancelled.
int RunServiceNameDialog(QWidget* parent, COrvanel1Doc& doc, SvcKind kind, uint32_t pos, Prompter& prompter);

// Add New Fav Group: "Cannot add more Favorite Group Information!" when full, else the
// Favorite Group dialog on an empty group; OK appends it. Returns its slot, or -1.
int RunAddFavGroupDialog(QWidget* parent, COrvanel1Doc& doc, Prompter& prompter);
// Edit Current Fav Group `slot`: the dialog on a copy of the group; OK replaces the slot.
// True when replaced.
bool RunEditFavGroupDialog(QWidget* parent, COrvanel1Doc& doc, int slot, Prompter& prompter);
