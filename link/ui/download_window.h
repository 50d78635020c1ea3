// The Download window over the download controller (its watchdog runs on the window's timer).
#pragma once
#include "link/transfer/download_controller.h"
#include "link/ui/transfer_window.h"

class CDownloadWindow : public CTransferWindow {
    Q_OBJECT
public:
    CDownloadWindow(QWidget* parent, CLinkSession& session, COrvanel1Doc& doc)
        : CTransferWindow(parent, QStringLiteral("Download")), m_Controller(session, doc, *this)
    {
    }
    const CDownloadController& DownloadController() const { return m_Controller; }

protected:
    CTransferDialog& Controller() override { return m_Controller; }
    void OpenController() override
    {
        m_Controller.Open();
        const auto& point = m_Controller.RestorePoint();
        SetNote(QString::fromStdString(m_Controller.RestoreText()),
                point ? QString::fromStdString(point->path.string()) : QString());
    }
    void OnStart() override { m_Controller.OnDownload(); }

private:
    CDownloadController m_Controller;
};
