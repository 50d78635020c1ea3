// The "ZBD-USB-DOWNLOAD" window: the file name with "Find", "Download" and "Stop and
// Exit", the progress bar and the "Message" box. It draws what the controller says and
// hands it every click, drop, timer tick and posted message.
#pragma once
#include "downloader/ui/qt_zbdn_adapters.h"
#include "downloader/zbdn_controller.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class CZbdnWindow : public QDialog, public ZbdnView {
    Q_OBJECT
public:
    CZbdnWindow(CQtZbdnPoster& poster, ZbdnProfile& profile, CZbdnSession& session, QWidget* parent = nullptr);
    // Discovery and, with a path, the download of command-line mode.
    void Open(const QString& commandLinePath);
    int ExitCode() const { return m_ExitCode; }
    CZbdnController& Controller() { return m_Controller; }

    void SetFileName(const std::string& path) override;
    void SetStatus(const std::string& text) override;
    void SetProgress(int position) override;
    void EnableInput(bool enable) override;
    void SetRetryTimer(bool running) override;
    void SetClosePoll(bool running) override;
    void EndWindow(int exitCode) override;
    void AskStop(const std::string& text) override;
    void EndStopQuestion() override;

    QLineEdit* FileNameEdit() const { return m_pFileName; }
    QPushButton* FindButton() const { return m_pFind; }
    QPushButton* DownloadButton() const { return m_pDownload; }
    QPushButton* StopButton() const { return m_pStop; }
    QProgressBar* Progress() const { return m_pProgress; }
    QPlainTextEdit* Message() const { return m_pMessage; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    void OnFind();
    void OnAbout();

    CZbdnController m_Controller;
    QLineEdit* m_pFileName = nullptr;
    QPushButton* m_pFind = nullptr;
    QPushButton* m_pDownload = nullptr;
    QPushButton* m_pStop = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QPlainTextEdit* m_pMessage = nullptr;
    QPointer<QMessageBox> m_pStopQuestion;
    QTimer m_RetryTimer;
    QTimer m_ClosePoll;
    bool m_bMayClose = false;
    int m_ExitCode = 0;
};
