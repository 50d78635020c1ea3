// The TV view or the radio view: the service list in its frame, the "Service Information"
// panel, the CAS and Lock boxes, the tuner buttons and the sort label.
#pragma once
#include "editor_ui/core/editor_controller.h"

#include <QWidget>

class CSvcListView;
class CSvcInfoPanel;
class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;

class CSvcView : public QWidget {
    Q_OBJECT
public:
    CSvcView(CEditorController& controller, SvcKind kind, QWidget* parent = nullptr);
    CSvcListView* List() { return m_pList; }
    void Refresh(unsigned parts);

private:
    void ShowPanel();

    CEditorController& m_Controller;
    SvcKind m_Kind;
    CSvcListView* m_pList = nullptr;
    CSvcInfoPanel* m_pPanel = nullptr;
    QCheckBox* m_pCas = nullptr;
    QCheckBox* m_pLock = nullptr;
    QRadioButton* m_pTuner[3] = {};
    QLabel* m_pSortLabel = nullptr;
};
