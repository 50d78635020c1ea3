// The favourite view: the group box, the "Fav Service List" of the group's members drawn
// by their flags, the kind label, the three group buttons and the read-only
// "Service Information" panel.
#pragma once
#include "editor_ui/core/editor_controller.h"

#include <QWidget>

class CLineModel;
class CSvcInfoPanel;
class QComboBox;
class QLabel;
class QListView;

class CFavView : public QWidget {
    Q_OBJECT
public:
    explicit CFavView(CEditorController& controller, QWidget* parent = nullptr);
    void Refresh(unsigned parts);
    QListView* MemberList() { return m_pMembers; }
    QComboBox* GroupBox() { return m_pGroups; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const FavCh* Group() const;
    void ShowPanel();

    CEditorController& m_Controller;
    QComboBox* m_pGroups = nullptr;
    QListView* m_pMembers = nullptr;
    CLineModel* m_pModel = nullptr;
    QLabel* m_pKind = nullptr;
    CSvcInfoPanel* m_pPanel = nullptr;
};
