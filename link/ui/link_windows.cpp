#include "link/ui/link_windows.h"

#include "link/transfer/link_session.h"
#include "link/transfer/uploaded_image.h"
#include "link/ui/download_window.h"
#include "link/ui/serial_port_dialog.h"
#include "link/ui/upload_window.h"

bool RunSerialPortDialog(QWidget* parent, CLinkSession& session)
{
    CSerialPortDlg dialog(parent, session.m_Settings.bCom2);
    const bool ok = dialog.exec() == QDialog::Accepted;
    session.SetSerialPort(ok ? dialog.Com2() : session.m_Settings.bCom2);
    return ok;
}

void RunStbRebootWindow(QWidget*, CLinkSession&) {}

int RunUploadWindow(QWidget* parent, CLinkSession& session, COrvanel1Doc& doc)
{
    CUploadWindow window(parent, session);
    if (window.exec() != QDialog::Accepted)
        return -1;
    return DecodeUploadedImage(window.Controller().Image(), doc, session.m_Prompter);
}

int RunDownloadWindow(QWidget* parent, CLinkSession& session, COrvanel1Doc& doc)
{
    CDownloadWindow window(parent, session, doc);
    return DownloadResult(window.exec() == QDialog::Accepted);
}
