// The window the upload and the download share: a read-only status line, our progress bar,
// the start button ("Upload" or "Download"), "Stop && Exit" and the hidden "stop". It is the
// controller's view: workers report from their threads and the window shows the reports on
// its own thread, so it keeps painting during a transfer.
#pragma once
#include "link/transfer/transfer_view.h"

#include <QDialog>

class CTransferProgressBar;
class QLineEdit;
class QPushButton;

class CTransferWindow : public QDialog, public TransferView {
    Q_OBJECT
public:
    CTransferWindow(QWidget* parent, const QString& startText);

    void ShowStatus(const std::string& text) override;
    void SetProgress(int position) override;
    void RequestClose() override;
    void Post(std::function<void()> command) override;

    QString Status() const;
    int Progress() const;

protected:
    // The start button was pressed.
    virtual void OnStart() = 0;
    // Ends the controller's dialog ("Stop && Exit" when stopPressed); its transfer result.
    virtual bool CloseController(bool stopPressed) = 0;
    // The start button may be pressed (refreshed after every report).
    virtual bool CanStart() const = 0;
    // The frame's close button and Escape leave as "Stop && Exit" does.
    void reject() override;
    void RefreshStart();

private:
    void Leave(bool stopPressed);

    QLineEdit* m_pStatus = nullptr;
    CTransferProgressBar* m_pProgress = nullptr;
    QPushButton* m_pStart = nullptr;
    bool m_bLeaving = false;
};
