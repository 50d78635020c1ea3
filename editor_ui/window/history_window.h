// The History window: every step of the change history with its time, the current one in
// bold and those ahead of it (Redo Change) in grey. Choosing a step (double-click, Enter or
// "Go To") returns the settings to the state after it.
#pragma once
#include "editor_ui/core/editor_controller.h"

#include <QDialog>

class QAbstractTableModel;
class QTableView;

class CHistoryWindow : public QDialog {
    Q_OBJECT
public:
    explicit CHistoryWindow(CEditorController& controller, QWidget* parent = nullptr);
    // The steps again, the current one in view.
    void Refresh();
    QTableView* Steps() { return m_pSteps; }

private:
    void GoToChosen();

    CEditorController& m_Controller;
    QAbstractTableModel* m_pModel = nullptr;
    QTableView* m_pSteps = nullptr;
};
