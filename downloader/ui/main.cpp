// zbdn-usb [FILE.zbd]: the firmware downloader. With a file it starts at once, ends when
// the worker ends, and exits 0 only when the STB took the whole image.
#include "common/instance_lock.h"
#include "common/qt/user_lock_path.h"
#include "downloader/ui/zbdn_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

namespace {

// The program's composition root: the process-wide pieces, the session and the window.
struct CZbdnProgram {
    CWorkerGuard guard;
    std::atomic<bool> abortFlag{false};
    CQtZbdnPoster poster;
    CQtZbdnProfile profile;
    CZbdnSession session{poster, MakeUsbBackend(UsbConfigFromProfile(profile.FileName())), guard, abortFlag};
    CZbdnWindow window{poster, profile, session};
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("ZBDN_USB");
    QGuiApplication::setDesktopFileName("zbdn-usb");
    QCommandLineParser options;
    options.setApplicationDescription("ZBDN_USB (ZBD USB Downloader 1.2): sends a firmware image to the STB's "
                                      "loader over USB. With FILE.zbd it starts at once and exits 0 after "
                                      "\"Completely Transfered!\", 1 after any other end, 3 when another "
                                      "instance runs.");
    options.addHelpOption();
    options.addPositionalArgument("FILE.zbd", "Firmware image to send at once.");
    options.process(app);
    auto instance = CInstanceLock::Acquire(QFile::encodeName(UserLockPath("ZB_DOWN_USB")).toStdString());
    if (!instance)
        return ZBDN_EXIT_ALREADY_RUNNING;
    CZbdnProgram program;
    program.window.show();
    program.window.Open(options.positionalArguments().value(0));
    if (program.window.isVisible())
        app.exec();
    return program.window.ExitCode();
}
