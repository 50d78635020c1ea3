// The explorer program: one instance per user, the profile, the window.
#include "common/instance_lock.h"
#include "common/qt/user_lock_path.h"
#include "common/trace.h"
#include "explorer/ui/explorer_window.h"

#include <QApplication>
#include <QFile>
#include <QSettings>

#include <cerrno>
#include <cstring>

namespace {
constexpr int kExitAlreadyRunning = 3;
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("bexora");
    QApplication::setOrganizationName("Bexora");
    // One running explorer per user: the lock "PVR_EXPLORER". A lock that cannot be had
    // for another reason must not keep the user from the program.
    std::string lockPath = QFile::encodeName(UserLockPath("PVR_EXPLORER")).toStdString();
    int error = 0;
    auto instance = CInstanceLock::Acquire(lockPath, &error);
    if (!instance && error == EWOULDBLOCK) {
        Trace("bexora: another instance holds %s", lockPath.c_str());
        return kExitAlreadyRunning;
    }
    if (!instance)
        Trace("bexora: no instance lock at %s (%s); starting without it", lockPath.c_str(), std::strerror(error));
    QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Bexora", "bexora");
    explorer::CExplorerWindow window(profile);
    window.show();
    window.Start();
    return app.exec();
}
