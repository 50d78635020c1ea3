// The explorer program: one instance, the profile, the window.
#include "common/instance_lock.h"
#include "explorer/ui/explorer_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("bexora");
    QApplication::setOrganizationName("Bexora");
    // One running explorer at a time: the lock "PVR_EXPLORER" in the temporary folder.
    auto instance = CInstanceLock::Acquire(QFile::encodeName(QDir::temp().filePath("PVR_EXPLORER.lock")).toStdString());
    if (!instance)
        return 0;
    QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Bexora", "bexora");
    explorer::CExplorerWindow window(profile);
    window.show();
    window.Start();
    return app.exec();
}
