// The explorer program: one instance per user, the profile, the device library, the window.
// bexora [--emulate FOLDER | --demo]: FOLDER, or the demo disk in the user's state folder,
// plays the PVR's disk through the emulator library.
#include "common/instance_lock.h"
#include "common/program_arguments.h"
#include "common/version.h"
#include "common/qt/user_lock_path.h"
#include "common/qt/user_profile.h"
#include "common/system_paths.h"
#include "common/trace.h"
#include "explorer/loader/zbdll_loader.h"
#include "explorer/ui/explorer_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QProcess>
#include <QSettings>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

constexpr int kExitAlreadyRunning = 3;

const char kUsage[] = R"(Usage: bexora [--emulate FOLDER | --demo]
Bexora: copies recordings and files between the STB's PVR disk and the PC.

  --emulate FOLDER  Reach an emulated STB whose PVR disk is FOLDER.
  --demo            Reach an emulated STB whose PVR disk is the demo disk,
                    ~/.local/state/bexora/demo-disk (under $XDG_STATE_HOME when set).
  --version         Print the version and exit.

The device library comes from BEXORA_DEVICE_LIBRARY, else the emulator when
ZBDLL_SIM_ROOT is set, else DeviceLibrary= in ~/.config/Bexora/bexora.ini.
Exit 3 when another instance runs.
)";

// The emulator's disk for trying the program without an STB; made on first use.
QString DemoDiskFolder()
{
    std::filesystem::path folder = UserStateFolder() / "bexora" / "demo-disk";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return QString::fromStdString(folder.string());
}

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
    options.addOption({"demo", "Reach an emulated STB whose PVR disk is the demo disk."});
    options.process(app);
    const bool demo = options.isSet("demo");
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
        {QFile::encodeName(demo ? DemoDiskFolder() : options.value("emulate")).toStdString(),
         QFile::encodeName(profile->value("DeviceLibrary").toString()).toStdString(),
         QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString()});
    if (!ignoredNote.isEmpty())
        std::fprintf(stderr, "bexora: %s\n", ignoredNote.toLocal8Bit().constData());
    explorer::CExplorerWindow window(*profile);
    if (demo && library.loaded)
        window.setWindowTitle(window.windowTitle() + " - Demo Disk (Emulator)");
    bool demoAsked = false;
    QObject::connect(&window, &explorer::CExplorerWindow::DemoDiskAsked, [&] {
        demoAsked = true;
        window.close();
    });
    const bool emulatorThere = !explorer::EmulatorLibraryPath(QFile::encodeName(
        QCoreApplication::applicationDirPath()).toStdString()).empty();
    window.ShowDeviceLibraryNote((ignoredNote + "\n" + QString::fromStdString(library.message)).trimmed(),
                                 !library.loaded && emulatorThere);
    window.show();
    window.Start();
    int status = app.exec();
    if (demoAsked) {
        instance.reset();   // the program's next start takes the lock
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {"--demo"});
    }
    return status;
}
