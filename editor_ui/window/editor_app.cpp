#include "editor_ui/window/editor_app.h"

#include "common/qt/user_profile.h"
#include "editor_ui/window/editor_profile.h"
#include "settings/backup_folder.h"
#include "settings/settings_file.h"

#include <QSettings>
#include <QStatusBar>

#include <cstdio>

std::filesystem::path EditorSideFolder()
{
    const QString chosen = EditorProfile()->value(kSideFolderSetting).toString();
    return chosen.isEmpty() ? DefaultSideFolder() : std::filesystem::path(chosen.toStdString());
}

LinkSessionParts EditorLinkParts()
{
    LinkSessionParts parts;
    parts.startDir = EditorSideFolder();
    parts.backupFolder = BackupFolderOf(parts.startDir);
    std::filesystem::path profile = UserProfilePath("Orvanel", "Orvanel").toStdU16String();
    parts.makeUsbBackend = [profile] { return MakeUsbBackend(UsbConfigFromProfile(profile)); };
    return parts;
}

COrvanelApp::COrvanelApp()
{
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = session.StartDir();
    session.LoadModeConfig();
    controller.SetRecovery(&recovery);
    controller.SetPrinter(&printer);
    prompter.SetParentWindow(&frame);
    dialogs.SetParentWindow(&frame);
    printer.SetParentWindow(&frame);
    dialogs.SetBackupFolder(session.BackupFolder());
    link.SetParentWindow(&frame);
    link.SetNoteSink([this](const std::string& note) { frame.statusBar()->showMessage(QString::fromStdString(note)); });
    frame.UpdateCommands();
    QString note;
    EditorProfile(&note);
    if (!note.isEmpty()) {
        std::fprintf(stderr, "orvanel: %s\n", note.toLocal8Bit().constData());
        frame.statusBar()->showMessage(note);
    }
}
