// The satellite view: the satellite box, the "TP List", the "Preview Service" lists and the
// LNB panel.
#pragma once
#include "editor_ui/core/editor_controller.h"

#include <QWidget>

class CLineModel;
class CLnbPanelWidget;
class QComboBox;
class QListView;

class CSatView : public QWidget {
    Q_OBJECT
public:
    explicit CSatView(CEditorController& controller, QWidget* parent = nullptr);
    void Refresh(unsigned parts);
    QListView* TpList() { return m_pTpList; }
    QComboBox* SatBox() { return m_pSatBox; }
    CLnbPanelWidget* LnbPanel() { return m_pLnb; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListView* MakePreview(SvcKind kind);
    void FillSatBox();

    CEditorController& m_Controller;
    QComboBox* m_pSatBox = nullptr;
    QListView* m_pTpList = nullptr;
    CLineModel* m_pTpModel = nullptr;
    CLineModel* m_pPreviewModel[2] = {};
    CLnbPanelWidget* m_pLnb = nullptr;
};
