#include "downloader/ui/qt_zbdn_adapters.h"

#include "common/qt/user_profile.h"

#include <QMetaObject>

void CQtZbdnPoster::Post(const ZbdnMessage& message)
{
    QMetaObject::invokeMethod(this, [this, message] { emit Posted(message); }, Qt::QueuedConnection);
}

CQtZbdnProfile::CQtZbdnProfile() : m_Settings(OpenUserProfile("ZBDN_USB", {}, &m_IgnoredNote)) {}

CQtZbdnProfile::CQtZbdnProfile(const QString& iniPath)
    : m_Settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

namespace {
QString ProfileKey(const std::string& section, const std::string& key)
{
    return QString::fromStdString(section + "/" + key);
}
}  // namespace

std::string CQtZbdnProfile::Read(const std::string& section, const std::string& key)
{
    return m_Settings->value(ProfileKey(section, key)).toString().toStdString();
}

void CQtZbdnProfile::Write(const std::string& section, const std::string& key, const std::string& value)
{
    m_Settings->setValue(ProfileKey(section, key), QString::fromStdString(value));
    m_Settings->sync();
}
