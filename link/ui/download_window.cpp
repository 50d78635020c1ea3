#include "link/ui/download_window.h"

#include <QTimer>

CDownloadWindow::CDownloadWindow(QWidget* parent, CLinkSession& session, COrvanel1Doc& doc)
    : CTransferWindow(parent, QStringLiteral("Download")), m_Controller(session, doc, *this)
{
    auto* watchdog = new QTimer(this);
    watchdog->setInterval(int(CDownloadController::kWatchdogPeriod.count()));
    connect(watchdog, &QTimer::timeout, this, [this] { m_Controller.OnTimer(); });
    watchdog->start();
    m_Controller.Open();
    RefreshStart();
}
