// The copy progress window: the animated icon, the path line, the per-file and job bars
// (drawn here) with their amounts and remaining times, and Cancel. It polls the running
// copy every 55 ms; the engine sets the rest through ProgressView, from either thread.
#pragma once
#include "explorer/copy_engine.h"
#include "explorer/progress_tracker.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace explorer {

// A bar drawn by the program: a blue to dark-blue gradient up to the position with the
// percentage centred on it; at the lowest or highest position the plain face colour.
class CProgressFace : public QWidget {
public:
    explicit CProgressFace(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetRange(int low, int high);
    void SetPosition(int position);
    void SetYellowText(bool yellow);
    int Position() const { return m_Position; }
    QString PercentText() const;
    QSize sizeHint() const override { return {300, 18}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_Low = 0;
    int m_High = 100;
    int m_Position = 0;
    bool m_bYellow = false;
};

class CProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit CProgressWindow(QWidget* parent = nullptr);
    void SetEngine(CopyEngine* engine) { m_pEngine = engine; }

    // ProgressView's calls, on the GUI thread.
    void ShowWindow();
    void CloseWindow();
    void SetPathLine(const QString& text) { m_Path->setText(text); }
    void ResetProgress();
    void SetFolderBar(size_t position, size_t count, const QString& text, bool yellow);
    // One 55 ms update from the engine's counters and the library's percentage.
    void Update(const ProgressCounters& counters, uint16_t percent);

    CProgressFace* FileBar() const { return m_FileBar; }
    CProgressFace* JobBar() const { return m_JobBar; }
    QLabel* FileText() const { return m_FileText; }
    QLabel* JobText() const { return m_JobText; }
    QLabel* FileTime() const { return m_FileTime; }
    QLabel* JobTime() const { return m_JobTime; }
    QLabel* PathLine() const { return m_Path; }
    QPushButton* CancelButton() const { return m_Cancel; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Cancel();
    void Tick();

    CopyEngine* m_pEngine = nullptr;
    ProgressTracker m_Tracker;
    QTimer m_UpdateTimer;
    QTimer m_IconTimer;
    bool m_bIconPhase = false;
    bool m_bPlaced = false;
    QLabel* m_Icon;
    QLabel* m_Path;
    CProgressFace* m_FileBar;
    CProgressFace* m_JobBar;
    QLabel* m_FileText;
    QLabel* m_FileTime;
    QLabel* m_JobText;
    QLabel* m_JobTime;
    QPushButton* m_Cancel;
};

// ProgressView for the engine: calls from the preparation thread are queued to the GUI
// thread; calls on the GUI thread act at once, in order.
class CQtProgressView : public ProgressView {
public:
    explicit CQtProgressView(CProgressWindow& window) : m_Window(window) {}
    void Show() override;
    void Hide() override;
    void Close() override;
    void SetTitle(const std::string& title) override;
    void SetPathLine(const std::string& text) override;
    void ResetProgress() override;
    void SetFolderBar(size_t position, size_t count, const std::string& text, bool yellow) override;

private:
    void OnGui(std::function<void()> fn);
    CProgressWindow& m_Window;
};

}  // namespace explorer
