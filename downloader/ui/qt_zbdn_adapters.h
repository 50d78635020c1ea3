// The Qt side of the downloader's seams: messages from any thread queued onto the GUI
// thread, and the program's INI profile.
#pragma once
#include "downloader/zbdn_controller.h"

#include <QObject>
#include <QSettings>

#include <memory>

// Post may be called from any thread; Posted is emitted on the poster's thread. Messages
// still queued when the poster is destroyed are dropped.
class CQtZbdnPoster : public QObject, public ZbdnPoster {
    Q_OBJECT
public:
    using QObject::QObject;
    void Post(const ZbdnMessage& message) override;

signals:
    void Posted(const ZbdnMessage& message);
};

// The profile "named after the program" in INI format; tests pass a file of their own. One
// that cannot be read is ignored (see OpenUserProfile), and IgnoredNote says why.
class CQtZbdnProfile : public ZbdnProfile {
public:
    CQtZbdnProfile();
    explicit CQtZbdnProfile(const QString& iniPath);
    std::string Read(const std::string& section, const std::string& key) override;
    void Write(const std::string& section, const std::string& key, const std::string& value) override;
    std::string FileName() const { return m_Settings->fileName().toStdString(); }
    const QString& IgnoredNote() const { return m_IgnoredNote; }

private:
    QString m_IgnoredNote;
    std::unique_ptr<QSettings> m_Settings;
};
