// The Upload window over the upload controller.
#pragma once
#include "link/transfer/upload_controller.h"
#include "link/ui/transfer_window.h"

class CUploadWindow : public CTransferWindow {
    Q_OBJECT
public:
    CUploadWindow(QWidget* parent, CLinkSession& session);
    const CUploadController& Controller() const { return m_Controller; }

protected:
    void OnStart() override { m_Controller.OnUpload(); }
    bool CloseController(bool) override { return m_Controller.Close(); }
    bool CanStart() const override { return m_Controller.CanStart(); }

private:
    CUploadController m_Controller;
};
