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
    int Position() const { return m_position; }
    QString PercentText() const;
    QSize sizeHint() const override { return {300, 18}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int m_low = 0;
    int m_high = 100;
    int m_position = 0;
    bool m_bYellow = false;
};

class CProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit CProgressWindow(QWidget* parent = nullptr);
    void SetEngine(CopyEngine* engine) { m_pEngine = engine; }

    // ProgressView's calls, on the GUI thread.
    void ShowCentred();
    void CloseWindow();
    void SetPathLine(const QString& text) { m_path->setText(text); }
    void ResetProgress();
    void SetFolderBar(size_t position, size_t count, const QString& text, bool yellow);
    // One 55 ms update from the engine's counters and the library's percentage.
    void Update(const ProgressCounters& counters, uint16_t percent);

    CProgressFace* FileBar() const { return m_fileBar; }
    CProgressFace* JobBar() const { return m_jobBar; }
    QLabel* FileText() const { return m_fileText; }
    QLabel* JobText() const { return m_jobText; }
    QLabel* FileTime() const { return m_fileTime; }
    QLabel* JobTime() const { return m_jobTime; }
    QLabel* PathLine() const { return m_path; }
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Cancel();
    void Tick();

    CopyEngine* m_pEngine = nullptr;
    ProgressTracker m_tracker;
    QTimer m_updateTimer;
    QTimer m_iconTimer;
    bool m_bIconPhase = false;
    QLabel* m_icon;
    QLabel* m_path;
    CProgressFace* m_fileBar;
    CProgressFace* m_jobBar;
    QLabel* m_fileText;
    QLabel* m_fileTime;
    QLabel* m_jobText;
    QLabel* m_jobTime;
    QPushButton* m_cancel;
};

// ProgressView for the engine: calls from the preparation thread are queued to the GUI
// thread; calls on the GUI thread act at once, in order.
class CQtProgressView : public ProgressView {
public:
    explicit CQtProgressView(CProgressWindow& window) : m_window(window) {}
    void Show() override;
    void Hide() override;
    void Close() override;
    void SetTitle(const std::string& title) override;
    void SetPathLine(const std::string& text) override;
    void ResetProgress() override;
    void SetFolderBar(size_t position, size_t count, const std::string& text, bool yellow) override;

private:
    void OnGui(std::function<void()> fn);
    CProgressWindow& m_window;
};

}  // namespace explorer
