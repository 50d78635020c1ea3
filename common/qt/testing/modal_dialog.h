// Drives a dialog that a test opens modal: the callback runs on it once it is open.
#pragma once
#include <QDialog>

#include <functional>

// Runs `act` on the next modal dialog (not a message box) as soon as it is open; call it
// before the call that opens the dialog.
void OnModalDialog(std::function<void(QDialog*)> act);
