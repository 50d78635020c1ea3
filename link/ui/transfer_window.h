// The window the upload and the download share: a read-only status line, our progress bar,
// the link problem under it, the start button ("Upload" or "Download"), "Stop && Exit" and
// the hidden "stop".
#pragma once
#include "link/ui/link_window.h"

class CTransferProgressBar;
class QLabel;
class QLineEdit;
class QPushButton;

class CTransferWindow : public CLinkWindow {
    Q_OBJECT
public:
    CTransferWindow(QWidget* parent, const QString& startText);
    QString Status() const;
    int Progress() const;

protected:
    // The start button was pressed.
    virtual void OnStart() = 0;
    // A line under the status line (hidden while empty).
    void SetNote(const QString& text, const QString& tip = {});
    void OnStatus(const QString& text) override;
    void OnProgress(int position) override;
    void OnState(const TransferState& state) override;

private:
    QLineEdit* m_pStatus = nullptr;
    QLabel* m_pNote = nullptr;
    CTransferProgressBar* m_pProgress = nullptr;
    QPushButton* m_pStart = nullptr;
};
