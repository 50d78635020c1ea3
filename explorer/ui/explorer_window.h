// The explorer window "Bexora 1.250": the PVR pane left, the PC pane right, the two copy
// buttons between them and the turbo button. It wires widgets to CExplorerController,
// places them as the window's layout rules say, and offers the controller its port.
#pragma once
#include "common/qt/qt_prompter.h"
#include "explorer/explorer_controller.h"
#include "explorer/ui/pane_widget.h"
#include "explorer/ui/progress_window.h"
#include "explorer/ui/qt_event_queue.h"
#include "explorer/ui/question_windows.h"

#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace explorer {

class CDesktopOpener : public ShellOpener {
public:
    bool Open(const std::string& path, const std::string& workingFolder) override;
};

class CExplorerWindow : public QWidget, public ExplorerWindowPort {
    Q_OBJECT
public:
    // profile: the program's settings, read by Start and written when the window closes.
    explicit CExplorerWindow(QSettings& profile, QWidget* parent = nullptr);
    ~CExplorerWindow() override;
    // Reads the saved paths, looks for the STB and lists the PC pane.
    void Start();

    CExplorerController& Controller() { return *m_controller; }
    CPaneWidget* Pane(PaneSide side) const { return m_panes[side == PaneSide::Pvr ? 0 : 1]; }
    QPushButton* CopyButton(Direction direction) const;
    QPushButton* TurboButton() const { return m_turbo; }
    CProgressWindow* ProgressWindow() const { return m_progressWindow; }
    // The popup menu of a pane as it would open now (for the pointer at globalPos).
    QMenu* BuildPopup(CPaneWidget* pane);

    // ExplorerWindowPort
    std::vector<size_t> SelectedIndexes(PaneSide side) override;
    void RowsChanged(PaneSide side) override;
    void TextsChanged(PaneSide side) override;
    void EnablingChanged() override;
    void FocusList(PaneSide side) override;
    void SetPolling(bool on) override;
    void EditLabel(PaneSide side, size_t row) override;
    void RunOnUi(std::function<void()> fn) override;
    void RunLater(unsigned ms, std::function<void()> fn) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ShowPopup(CPaneWidget* pane, QPoint globalPos);
    bool ListKey(CPaneWidget* pane, QKeyEvent* key);
    CPaneWidget* PaneOf(QObject* object) const;
    PaneSide FocusedSide() const { return m_focused; }

    QSettings& m_profile;
    CQtPrompter m_prompter;
    CQtEventQueue m_queue;
    CProgressWindow* m_progressWindow;
    CQtProgressView m_progressView;
    CQtConflictAsker m_asker;
    CDesktopOpener m_opener;
    std::unique_ptr<CExplorerController> m_controller;
    CPaneWidget* m_panes[2] = {};
    QPushButton* m_copyToPvr = nullptr;
    QPushButton* m_copyToPc = nullptr;
    QPushButton* m_turbo = nullptr;
    QTimer m_pollTimer;
    PaneSide m_focused = PaneSide::Pc;
    bool m_bClosed = false;
};

}  // namespace explorer
