// The form view: shows one of the four views over the document (none without settings)
// and passes the controller's changes to them.
#pragma once
#include "editor_ui/core/editor_controller.h"

#include <QStackedWidget>

class CSatView;
class CSvcView;
class CFavView;

class COrvanel1View : public QStackedWidget, public EditorListener {
    Q_OBJECT
public:
    explicit COrvanel1View(CEditorController& controller, QWidget* parent = nullptr);

    void Refresh(unsigned parts) override;
    void BeginRename(SvcKind kind, uint32_t pos) override;
    void WakeAfter(std::chrono::milliseconds delay) override;
    void ShowPassing(const std::string& text) override { emit PassingMessage(QString::fromStdString(text)); }

    CSatView* SatView() { return m_pSat; }
    CSvcView* SvcView(SvcKind kind) { return m_pSvc[kind]; }
    CFavView* FavView() { return m_pFav; }

signals:
    // Enabling, checks or the sort label may have changed.
    void CommandsChanged();
    void PassingMessage(const QString& text);

private:
    CEditorController& m_Controller;
    QWidget* m_pEmpty = nullptr;
    CSatView* m_pSat = nullptr;
    CSvcView* m_pSvc[2] = {};
    CFavView* m_pFav = nullptr;
};
