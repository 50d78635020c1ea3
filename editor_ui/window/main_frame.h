// CMainFrame: the editor's main window. Menus, toolbar and status bar over the form view;
// every command goes to the controller, which also decides its enabling.
#pragma once
#include "editor_ui/core/editor_controller.h"

#include <QMainWindow>
#include <QMap>

class CFindBar;
class CHistoryWindow;
class COrvanel1View;
class CStatusIndicators;
class QAction;
class QMenu;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 590;
    static constexpr int kMinHeight = 540;
    static constexpr int kPassingMessageMs = 4000;

    explicit CMainFrame(CEditorController& controller, QWidget* parent = nullptr);
    COrvanel1View* View() { return m_pView; }
    QAction* Action(Cmd cmd) { return m_Actions.value(cmd); }
    CFindBar* FindBar() { return m_pFindBar; }
    CHistoryWindow* HistoryWindow() { return m_pHistory; }
    // Enabling and check marks from the controller.
    void UpdateCommands();
    void CentreOnScreen();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* MakeAction(Cmd cmd);
    void BuildMenus();
    void BuildToolbar();
    void BuildStatusBar();
    void AddSortMenu(QMenu* parent, SvcKind kind, Cmd cmd);
    void RunCommand(Cmd cmd);

    CEditorController& m_Controller;
    COrvanel1View* m_pView = nullptr;
    CFindBar* m_pFindBar = nullptr;
    CHistoryWindow* m_pHistory = nullptr;
    QMap<Cmd, QAction*> m_Actions;
    QList<QMenu*> m_SortMenus;
};
