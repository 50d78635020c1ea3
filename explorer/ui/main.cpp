// The explorer program: one instance, the profile, the window.
#include "explorer/ui/explorer_window.h"
#include "explorer/ui/single_instance.h"

#include <QApplication>
#include <QDir>
#include <QSettings>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("bexora");
    QApplication::setOrganizationName("Bexora");
    auto instance = explorer::AcquireSingleInstance(QDir::tempPath());
    if (!instance)
        return 0;
    QSettings profile(QSettings::IniFormat, QSettings::UserScope, "Bexora", "bexora");
    explorer::CExplorerWindow window(profile);
    window.show();
    window.Start();
    return app.exec();
}
