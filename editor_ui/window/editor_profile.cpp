#include "editor_ui/window/editor_profile.h"

#include <QSettings>

namespace {
const QString kLastFolderSetting = QStringLiteral("LastFolder");
}

std::unique_ptr<QSettings> EditorProfile()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Orvanel", "Orvanel");
}

QString LastFileFolder()
{
    return EditorProfile()->value(kLastFolderSetting).toString();
}

void RememberFileFolder(const std::filesystem::path& file)
{
    EditorProfile()->setValue(kLastFolderSetting, QString::fromStdString(file.parent_path().string()));
}
