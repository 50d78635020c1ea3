#include "editor_ui/window/editor_app.h"

#include "settings/settings_file.h"

#include <QSettings>

std::filesystem::path EditorSideFolder()
{
    QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Orvanel", "Orvanel");
    const QString chosen = profile.value(kSideFolderSetting).toString();
    return chosen.isEmpty() ? DefaultSideFolder() : std::filesystem::path(chosen.toStdString());
}

LinkSessionParts EditorLinkParts()
{
    LinkSessionParts parts;
    parts.startDir = EditorSideFolder();
    return parts;
}

COrvanelApp::COrvanelApp()
{
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = session.StartDir();
    session.LoadModeConfig();
    prompter.SetParentWindow(&frame);
    dialogs.SetParentWindow(&frame);
    link.SetParentWindow(&frame);
    frame.UpdateCommands();
}
