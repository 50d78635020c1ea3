// What every window of the STB link shares: it is its controller's view. Workers report
// from their threads and the window shows the reports on its own; a link problem stays in
// sight, whole and wrapped, with the window grown to hold it; the workers' message boxes open
// without blocking the window; the controller's timer and delayed commands run on Qt
// timers; the window goes away only when the controller says it is ready to close.
#pragma once
#include "link/transfer/transfer_dialog.h"
#include "link/transfer/transfer_view.h"

#include <QDialog>

class QLabel;
class QTimer;

class CLinkWindow : public QDialog, public TransferView {
    Q_OBJECT
public:
    explicit CLinkWindow(QWidget* parent);

    void ShowStatus(const std::string& text) override;
    void ShowLinkProblem(const std::string& text) override;
    void SetProgress(int position) override;
    void Post(std::function<void()> command) override;
    void ShowMessage(const PromptMessage& message, std::function<void(PromptAnswer)> answered) override;
    void StateChanged(const TransferState& state) override;
    void ReadyToClose() override;
    void StartTimer(std::chrono::milliseconds period, std::function<void()> tick) override;
    void StopTimer() override;
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> command) override;

protected:
    virtual CTransferDialog& Controller() = 0;
    // Opens the controller once the window is on the screen.
    virtual void OpenController() = 0;
    virtual void OnStatus(const QString& text) = 0;
    virtual void OnProgress(int) {}
    virtual void OnState(const TransferState& state) = 0;
    // Where the link problem shows; the window places it in its layout.
    QLabel* LinkProblemLabel() const { return m_pProblem; }

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Escape and the frame's close ask the controller to close; it says when.
    void reject() override;

private:
    // On the window's thread: the box opens and the window goes on.
    void OpenMessageBox(const PromptMessage& message, const std::function<void(PromptAnswer)>& answered);
    void OnLinkProblem(const QString& text);

    QLabel* m_pProblem = nullptr;
    QTimer* m_pTimer = nullptr;
    std::function<void()> m_Tick;
    bool m_bOpened = false;
    bool m_bReady = false;
};
