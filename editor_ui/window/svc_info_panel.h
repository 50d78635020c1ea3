// The "Service Information" panel: the satellite and transponder of a service and its
// five number edits. Each edit writes at once when its text is valid; an invalid text is
// refused with the framework's message when the user leaves the edit.
#pragma once
#include "editor_ui/core/editor_controller.h"
#include "editor_ui/core/list_lines.h"

#include <QGroupBox>

class QLabel;
class QLineEdit;

class CSvcInfoPanel : public QGroupBox {
    Q_OBJECT
public:
    // kind: the list the edits write to; readOnly for the favourite view.
    CSvcInfoPanel(CEditorController& controller, SvcKind kind, bool readOnly, QWidget* parent = nullptr);
    // Shows a service's data; null shows nothing.
    void Show(const SvcPanelText* panel, bool videoShown, bool editable);

private:
    QLineEdit* AddEdit(class QGridLayout* grid, int row, const char* label, SvcPidField field);

    CEditorController& m_Controller;
    SvcKind m_Kind;
    bool m_bReadOnly;
    QLabel* m_pSatName = nullptr;
    QLabel* m_pTpText = nullptr;
    QLineEdit* m_pEdits[5] = {};
    QLabel* m_pVideoLabel = nullptr;
};
