#include "link/ui/upload_window.h"

CUploadWindow::CUploadWindow(QWidget* parent, CLinkSession& session)
    : CTransferWindow(parent, QStringLiteral("Upload")), m_Controller(session, *this)
{
    m_Controller.Open();
    RefreshStart();
}
