// Where a program keeps its single-instance lock: a folder of the user's own, so that the
// users of one machine neither share nor block one another's lock.
#pragma once
#include <QDir>
#include <QStandardPaths>
#include <QString>

inline QString UserLockPath(const QString& name)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QDir().mkpath(dir);
    }
    return dir + "/" + name + ".lock";
}
