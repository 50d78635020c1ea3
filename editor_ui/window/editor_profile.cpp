#include "editor_ui/window/editor_profile.h"

#include "common/qt/user_profile.h"

namespace {
const QString kLastFolderSetting = QStringLiteral("LastFolder");
}

std::unique_ptr<QSettings> EditorProfile(QString* ignoredNote)
{
    return OpenUserProfile("Orvanel", "Orvanel", ignoredNote);
}

QString LastFileFolder()
{
    return EditorProfile()->value(kLastFolderSetting).toString();
}

void RememberFileFolder(const std::filesystem::path& file)
{
    EditorProfile()->setValue(kLastFolderSetting, QString::fromStdString(file.parent_path().string()));
}
