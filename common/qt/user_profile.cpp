#include "common/qt/user_profile.h"

#include "common/input_file.h"
#include "common/trace.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

// A profile holds a few settings; anything larger is not one.
constexpr uint64_t kProfileLimit = 1 << 20;
constexpr char kProbeExtension[] = "orvanel-profile-path";

bool ReadNothing(QIODevice&, QSettings::SettingsMap&) { return true; }
bool WriteNothing(QIODevice&, const QSettings::SettingsMap&) { return false; }

QString StandInPath()
{
    static QTemporaryDir folder;
    return folder.filePath("ignored-profile.ini");
}

}  // namespace

QString UserProfilePath(const QString& organization, const QString& application)
{
    // A format of its own names the path as QSettings would (QSettings::setPath included)
    // without opening the profile itself, whose first read may never end.
    static const QSettings::Format probe = QSettings::registerFormat(kProbeExtension, ReadNothing, WriteNothing);
    QString path = QSettings(probe, QSettings::UserScope, organization, application).fileName();
    path.chop(int(sizeof kProbeExtension) - 1);
    return path + "ini";
}

QString ProfileRefusal(const QString& path)
{
    const std::filesystem::path file(path.toStdU16String());
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, error)))
        return {};
    CInputFile input;
    FileFailure failure;
    if (!input.Open(file, &failure))
        return QString::fromStdString(failure.reason);
    if (input.Size() > kProfileLimit)
        return QStringLiteral("larger than %1 bytes").arg(kProfileLimit);
    return {};
}

std::unique_ptr<QSettings> OpenUserProfile(const QString& organization, const QString& application,
                                           QString* ignoredNote)
{
    const QString path = UserProfilePath(organization, application);
    const QString refusal = ProfileRefusal(path);
    if (refusal.isEmpty())
        return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, organization, application);
    const QString note = QStringLiteral("The profile %1 is ignored (%2): nothing is read from it or kept in it.")
                             .arg(path, refusal);
    Trace("%s", note.toStdString().c_str());
    if (ignoredNote)
        *ignoredNote = note;
    return std::make_unique<QSettings>(StandInPath(), QSettings::IniFormat);
}
