// The "OK" and "Cancel" row at the foot of a modal dialog.
#pragma once
#include <functional>

class QBoxLayout;
class QDialog;
class QPushButton;

// OK (the default button, object name "ok") runs onOk, or accepts when none is given;
// Cancel (object name "cancel") rejects. Returns OK.
QPushButton* AddOkCancelRow(QDialog* dialog, QBoxLayout* layout, std::function<void()> onOk = {});
