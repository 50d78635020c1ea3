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

#include <QLabel>
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
    // Wide enough for the columns to show names, sizes and dates whole.
    static constexpr QSize kDefaultSize{1240, 620};
    // profile: the program's settings, read by Start and written when the window closes.
    explicit CExplorerWindow(QSettings& profile, QWidget* parent = nullptr);
    ~CExplorerWindow() override;
    // Reads the saved paths, looks for the STB and lists the PC pane.
    void Start();
    // Why no STB can ever arrive (no device library), shown over the empty PVR list; with
    // offerDemo a button under it asks for the emulator's demo disk (DemoDiskAsked).
    void ShowDeviceLibraryNote(const QString& text, bool offerDemo = false);
    QLabel* DeviceLibraryNote() const { return m_LibraryNote; }
    QPushButton* DemoDiskButton() const { return m_DemoDisk; }

    CExplorerController& Controller() { return *m_Controller; }
    CPaneWidget* Pane(PaneSide side) const { return m_Panes[side == PaneSide::Pvr ? 0 : 1]; }
    QPushButton* CopyButton(Direction direction) const;
    QPushButton* TurboButton() const { return m_Turbo; }
    CProgressWindow* ProgressWindow() const { return m_ProgressWindow; }
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

signals:
    // The user asked to try the emulator's demo disk instead (the program starts again on it).
    void DemoDiskAsked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ShowPopup(CPaneWidget* pane, QPoint globalPos);
    bool ListKey(CPaneWidget* pane, QKeyEvent* key);
    CPaneWidget* PaneOf(QObject* object) const;
    PaneSide FocusedSide() const { return m_Focused; }

    QSettings& m_Profile;
    CQtPrompter m_Prompter;
    CQtEventQueue m_Queue;
    CProgressWindow* m_ProgressWindow;
    CQtProgressView m_ProgressView;
    CQtConflictAsker m_Asker;
    CDesktopOpener m_Opener;
    std::unique_ptr<CExplorerController> m_Controller;
    CPaneWidget* m_Panes[2] = {};
    QPushButton* m_CopyToPvr = nullptr;
    QPushButton* m_CopyToPc = nullptr;
    QPushButton* m_Turbo = nullptr;
    QLabel* m_LibraryNote = nullptr;
    QPushButton* m_DemoDisk = nullptr;
    QTimer m_PollTimer;
    PaneSide m_Focused = PaneSide::Pc;
    bool m_bClosed = false;
};

}  // namespace explorer
