// The Download window over the download controller, with timer 1 for the serial watchdog.
#pragma once
#include "link/transfer/download_controller.h"
#include "link/ui/transfer_window.h"

class CDownloadWindow : public CTransferWindow {
    Q_OBJECT
public:
    CDownloadWindow(QWidget* parent, CLinkSession& session, COrvanel1Doc& doc);
    const CDownloadController& Controller() const { return m_Controller; }

protected:
    void OnStart() override { m_Controller.OnDownload(); }
    bool CloseController(bool stopPressed) override { return m_Controller.Close(stopPressed); }
    bool CanStart() const override { return m_Controller.CanStart(); }

private:
    CDownloadController m_Controller;
};
