// The Upload window over the upload controller.
#pragma once
#include "link/transfer/upload_controller.h"
#include "link/ui/transfer_window.h"

class CUploadWindow : public CTransferWindow {
    Q_OBJECT
public:
    CUploadWindow(QWidget* parent, CLinkSession& session)
        : CTransferWindow(parent, QStringLiteral("Upload")), m_Controller(session, *this)
    {
    }
    const CUploadController& UploadController() const { return m_Controller; }

protected:
    CTransferDialog& Controller() override { return m_Controller; }
    void OpenController() override { m_Controller.Open(); }
    void OnStart() override { m_Controller.OnUpload(); }

private:
    CUploadController m_Controller;
};
