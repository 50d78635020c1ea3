// The explorer program: one instance per user, the profile, the device library, the window.
// bexora [--emulate FOLDER]: FOLDER plays the PVR's disk through the emulator library.
#include "common/instance_lock.h"
#include "common/program_arguments.h"
#include "common/version.h"
#include "common/qt/user_lock_path.h"
#include "common/qt/user_profile.h"
#include "common/trace.h"
#include "explorer/loader/zbdll_loader.h"
#include "explorer/ui/explorer_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QSettings>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kExitAlreadyRunning = 3;

const char kUsage[] = R"(Usage: bexora [--emulate FOLDER]
Bexora: copies recordings and files between the STB's PVR disk and the PC.

  --emulate FOLDER  Reach an emulated STB whose PVR disk is FOLDER.
  --version         Print the version and exit.

The device library comes from BEXORA_DEVICE_LIBRARY, else the emulator when
ZBDLL_SIM_ROOT is set, else DeviceLibrary= in ~/.config/Bexora/bexora.ini.
Exit 3 when another instance runs.
)";

}  // namespace

int main(int argc, char* argv[])
{
    if (AskedForVersion(argc, argv))
        return PrintVersion("bexora");
    if (AskedForHelp(argc, argv)) {
        std::fputs(kUsage, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("bexora");
    QApplication::setOrganizationName("Bexora");
    QCommandLineParser options;  // --help is answered above, before the window system starts
    options.addOption({"emulate", "Reach an emulated STB whose PVR disk is FOLDER.", "FOLDER"});
    options.process(app);
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
    QString ignoredNote;
    std::unique_ptr<QSettings> profile = OpenUserProfile("Bexora", "bexora", &ignoredNote);
    explorer::DeviceLibraryResult library = explorer::LoadDeviceLibrary(
        {QFile::encodeName(options.value("emulate")).toStdString(),
         QFile::encodeName(profile->value("DeviceLibrary").toString()).toStdString(),
         QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString()});
    if (!ignoredNote.isEmpty())
        std::fprintf(stderr, "bexora: %s\n", ignoredNote.toLocal8Bit().constData());
    explorer::CExplorerWindow window(*profile);
    window.ShowDeviceLibraryNote((ignoredNote + "\n" + QString::fromStdString(library.message)).trimmed());
    window.show();
    window.Start();
    return app.exec();
}
