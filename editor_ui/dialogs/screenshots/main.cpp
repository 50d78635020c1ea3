// Renders every dialog and link window of the editor, with values from the demo settings,
// into the folder given as the argument.
#include "common/qt/qt_prompter.h"
#include "editing/dialog_rules.h"
#include "editing/sat_edit.h"
#include "editor_ui/dialogs/fav_group_dialog.h"
#include "editor_ui/dialogs/sat_dialog.h"
#include "editor_ui/core/list_lines.h"
#include "editor_ui/dialogs/svc_name_dialog.h"
#include "editor_ui/core/tp_update.h"
#include "editor_ui/dialogs/tp_dialog.h"
#include "editor_ui/dialogs/tp_update_dialog.h"
#include "link/transfer/link_session.h"
#include "link/transfer/serial_port_setup.h"
#include "link/ui/download_window.h"
#include "link/ui/reboot_window.h"
#include "link/ui/serial_port_dialog.h"
#include "link/ui/upload_window.h"
#include "settings/backup_folder.h"
#include "settings/demo_settings.h"
#include "settings/settings_file.h"
#include "usb/sim_usb_backend.h"

#include <QApplication>
#include <QListView>
#include <QTreeWidget>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

QString g_OutDir;

void Save(QWidget& widget, const char* file)
{
    widget.show();
    widget.adjustSize();
    QApplication::processEvents();
    const QString path = g_OutDir + QLatin1Char('/') + QString::fromLatin1(file);
    if (!widget.grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    widget.hide();
}

TpValues ValuesOf(const TpData& tp)
{
    TpValues values;
    values.polar = tp.polar;
    values.freq = tp.freq;
    values.sr = tp.sr;
    values.streamId = tp.tpWord1;
    return values;
}

void RenderEditingDialogs(COrvanel1Doc& doc, COrvanel1Doc& st71xx, Prompter& prompter)
{
    CSatDlg newSat(nullptr, doc, -1, prompter);
    Save(newSat, "dialog-new-satellite.png");
    CSatDlg editSat(nullptr, doc, 1, prompter);
    Save(editSat, "dialog-edit-satellite.png");

    const uint32_t tp = Appl_SatTpStart(doc, 1);
    CTpDlg tpDlg(nullptr, ValuesOf(doc.m_TpData[tp]), ChoiceFromDvbS2(doc.m_TpS2[tp]), false, prompter);
    Save(tpDlg, "dialog-transponder.png");
    const uint32_t s2 = Appl_SatTpStart(st71xx, 0) + st71xx.m_SatInfo[0].tpNum - 1;
    CTpDlg tpS2(nullptr, ValuesOf(st71xx.m_TpData[s2]), ChoiceFromDvbS2(st71xx.m_TpS2[s2]), true, prompter);
    Save(tpS2, "dialog-transponder-dvbs2.png");

    // The demo's Hotbird 13E against a satellites.xml written from a scan table's values.
    tables::TableFile table;
    std::string error;
    if (tables::LoadTableFile(std::filesystem::path(ORVANEL_SOURCE_DIR) / "tables/tests/data/satellites.xml", table, error)) {
        CTpTableUpdate update(st71xx, 1, std::move(table));
        CTpUpdateDlg updateDlg(nullptr, update);
        // The additions folded, so that the other parts of the plan show too.
        if (auto* plan = updateDlg.findChild<QTreeWidget*>(QStringLiteral("plan")); plan && plan->topLevelItemCount() > 0)
            plan->topLevelItem(0)->setExpanded(false);
        Save(updateDlg, "dialog-update-transponders.png");
    } else {
        std::fprintf(stderr, "%s\n", error.c_str());
    }

    CSvcNameDlg svcName(nullptr, SvcNameDlg_InitialName(SvcListName(doc, kTvKind, 6)), 7, int(doc.m_TvSvcCnt), prompter);
    Save(svcName, "dialog-service-name.png");

    CFavGroupDlg fav(nullptr, doc, doc.m_FavCh[1], prompter);
    fav.resize(620, 400);
    auto* all = fav.findChild<QListView*>(QStringLiteral("allService"));
    all->selectionModel()->select(all->model()->index(2, 0), QItemSelectionModel::Select);
    Save(fav, "dialog-favorite-group.png");
}

// The link windows in the middle of a serial transfer (nothing is opened: the windows are
// only told what a worker would report).
void RenderLinkWindows(COrvanel1Doc& doc, Prompter& prompter)
{
    // A machine with one legacy port and a USB serial adapter, chosen by its stable name.
    const std::vector<SerialDeviceEntry> devices = {
        {"/dev/ttyS0", "/dev/ttyS0"},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
         "/dev/ttyUSB0  (usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0)"}};
    // COM1 and COM2 as the system names them.
    ::unsetenv("ORVANEL_COM1");
    ::unsetenv("ORVANEL_COM2");
    CLinkSession portSession(prompter);
    LinkSettings chosen{.bUsb = false};
    if (!chosen.SetPort(devices[1].path))
        std::fprintf(stderr, "cannot choose %s\n", devices[1].path.c_str());
    portSession.UseSettings(chosen);
    CSerialPortSetup setup(portSession, devices, [](const std::string&) { return 0; });
    CSerialPortDlg port(nullptr, setup);
    Save(port, "window-serial-port.png");
    // A machine with one legacy port that the user may not open yet.
    CSerialPortSetup refused(portSession, devices,
                             [](const std::string& path) { return path == "/dev/ttyS0" ? EACCES : ENOENT; });
    CSerialPortDlg refusedPort(nullptr, refused);
    Save(refusedPort, "window-serial-port-denied.png");

    // An upload of these settings kept earlier: the download window names it as the way back.
    QTemporaryDir backups;
    LinkSessionParts kept;
    kept.backupFolder = backups.path().toStdString();
    const BackupImage image{doc.m_ExpectedSystemId, doc.m_PackedFlash, std::span(doc.m_Eeprom).first(kEepromSize)};
    if (!WriteBackup(kept.backupFolder, BackupKind::FromStb, image, 1796730612))
        std::fprintf(stderr, "cannot write a backup into %s\n", kept.backupFolder.c_str());
    CLinkSession session(prompter, std::move(kept));
    session.UseSettings({.bUsb = false, .bCom2 = false});
    CUploadWindow upload(nullptr, session);
    upload.show();
    QApplication::processEvents();
    upload.ShowStatus(" Flash Uploading...65280/131072");
    upload.SetProgress(49);
    Save(upload, "window-upload.png");
    // The serial port refused for lack of permission, and a USB device refused likewise.
    CUploadWindow serialDenied(nullptr, session);
    serialDenied.show();
    QApplication::processEvents();
    serialDenied.ShowStatus("Port Open Fail");
    serialDenied.ShowLinkProblem(SerialOpenFailReason("/dev/ttyS0", EACCES));
    Save(serialDenied, "window-upload-serial-denied.png");
    LinkSessionParts deniedParts;
    deniedParts.makeUsbBackend = [] { return MakeSimUsbBackend("/nonexistent/stb.sock"); };
    CLinkSession deniedSession(prompter, std::move(deniedParts));
    deniedSession.UseSettings({.bUsb = true});
    CUploadWindow usbDenied(nullptr, deniedSession);
    usbDenied.show();
    QApplication::processEvents();
    usbDenied.ShowStatus("Waiting For Request. Reboot SetTop Box.");
    usbDenied.ShowLinkProblem(UsbAccessDeniedText("usb:001:005", 0x1209, 0x0001));
    Save(usbDenied, "window-upload-usb-denied.png");

    CDownloadWindow download(nullptr, session, doc);
    download.show();
    QApplication::processEvents();
    download.ShowStatus("Downloading Processing..");
    download.SetProgress(73);
    Save(download, "window-download.png");

    // No simulated STB listens on this socket: the window shows it off.
    LinkSessionParts parts;
    parts.makeUsbBackend = [] { return MakeSimUsbBackend("/nonexistent/stb.sock"); };
    CLinkSession usbSession(prompter, std::move(parts));
    CRebootWindow reboot(nullptr, usbSession);
    Save(reboot, "window-stb-reboot.png");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    g_OutDir = QString::fromLocal8Bit(argv[1]);
    SilentPrompter silent;
    CQtPrompter prompter;
    COrvanel1Doc doc;
    doc.m_pPrompter = &silent;
    doc.m_SideFileFolder = std::filesystem::temp_directory_path();
    if (!Appl_OpenSettingsFile(doc, std::filesystem::path(ORVANEL_SOURCE_DIR) / "demo" / "demo.std")) {
        std::fprintf(stderr, "cannot open the demo settings\n");
        return 1;
    }
    COrvanel1Doc st71xx;
    st71xx.m_pPrompter = &silent;
    BuildDemoSettings(st71xx, DemoOptions{13, 0x25, 0x2203, 40, 10});
    RenderEditingDialogs(doc, st71xx, prompter);
    RenderLinkWindows(doc, prompter);
    return 0;
}
