#include "editor_ui/dialogs/editor_dialogs.h"

// The dialogs are being built; until then every entry point changes nothing.
bool RunNewSatelliteDialog(QWidget*, COrvanel1Doc&, Prompter&) { return false; }
bool RunEditSatelliteDialog(QWidget*, COrvanel1Doc&, int, Prompter&) { return false; }
bool RunAddTransponderDialog(QWidget*, COrvanel1Doc&, int, Prompter&) { return false; }
bool RunEditTransponderDialog(QWidget*, COrvanel1Doc&, int, int, Prompter&) { return false; }
int RunServiceNameDialog(QWidget*, COrvanel1Doc&, SvcKind, uint32_t, Prompter&) { return -1; }
int RunAddFavGroupDialog(QWidget*, COrvanel1Doc&, Prompter&) { return -1; }
bool RunEditFavGroupDialog(QWidget*, COrvanel1Doc&, int, Prompter&) { return false; }
