// A program's INI profile in the user's configuration folder, where QSettings keeps it. A
// FIFO or a device there would hold QSettings in its first read for ever, and an endless
// file would fill the memory: such a profile is ignored and left as it is, and the program
// runs on a stand-in that starts empty and is thrown away at exit.
#pragma once
#include <QSettings>
#include <QString>

#include <memory>

// Where QSettings keeps the profile (application empty: ORGANIZATION.ini), read or not.
QString UserProfilePath(const QString& organization, const QString& application = {});
// Why the profile at path cannot be read: empty when it is missing or a regular file of a
// profile's size.
QString ProfileRefusal(const QString& path);
// The profile, or the stand-in when it cannot be read; then ignoredNote says so and why.
std::unique_ptr<QSettings> OpenUserProfile(const QString& organization, const QString& application = {},
                                           QString* ignoredNote = nullptr);
