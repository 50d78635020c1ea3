#include "link/ui/link_windows.h"

#include "link/transfer/link_session.h"
#include "link/transfer/uploaded_image.h"
#include "link/ui/download_window.h"
#include "link/ui/reboot_window.h"
#include "link/ui/serial_port_dialog.h"
#include "link/ui/upload_window.h"

bool RunSerialPortDialog(QWidget* parent, CLinkSession& session)
{
    CSerialPortSetup setup(session, ListSerialDevices());
    CSerialPortDlg dialog(parent, setup);
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (!ok)
        setup.Cancel();
    return ok;
}

void RunStbRebootWindow(QWidget* parent, CLinkSession& session)
{
    CRebootWindow window(parent, session);
    window.exec();
}

TransferCommandResult RunUploadWindow(QWidget* parent, CLinkSession& session, COrvanel1Doc& doc, std::string* note)
{
    CUploadWindow window(parent, session);
    window.exec();
    if (note)
        *note = ClosingNote(window.UploadController());
    if (!window.UploadController().Success())
        return TransferCommandResult::Fail;
    return DecodeUploadedImage(window.UploadController().Image(), doc, session.Messages());
}

TransferCommandResult RunDownloadWindow(QWidget* parent, CLinkSession& session, COrvanel1Doc& doc,
                                        std::string* note)
{
    CDownloadWindow window(parent, session, doc);
    window.exec();
    if (note)
        *note = ClosingNote(window.DownloadController());
    return DownloadResult(window.DownloadController().Success());
}
