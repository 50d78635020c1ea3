// zbdn-usb [FILE.zbd]: the firmware downloader. With a file it starts at once, ends when
// the worker ends, and exits 0 only when the STB took the whole image.
#include "common/instance_lock.h"
#include "common/program_arguments.h"
#include "common/version.h"
#include "common/qt/user_lock_path.h"
#include "common/trace.h"
#include "downloader/ui/zbdn_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

#include <QTimer>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] = R"(Usage: zbdn-usb [FILE.zbd]
ZBD USB Downloader 1.2: sends a firmware image to the STB's loader over USB.

Without FILE the window opens; pick the image, press Download and switch the STB off
and on. With FILE the download starts at once and the program ends with it: exit 0
after "Completely Transfered!", 1 after any other end, 130 after Ctrl+C, the last
status on standard error either way; 3 when another instance runs. An empty image and
one over 16 MiB are refused before the loader is greeted.

ORVANEL_USB_SIM=PATH talks to a simulated STB (stb-sim --usb-socket PATH).

  --version  Print the version and exit.
)";

std::atomic<bool> g_bInterrupted{false};

void OnInterrupt(int)
{
    g_bInterrupted = true;
}

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
    if (AskedForVersion(argc, argv))
        return PrintVersion("zbdn-usb");
    if (AskedForHelp(argc, argv)) {
        std::fputs(kUsage, stdout);
        return std::fflush(stdout) == 0 ? 0 : ZBDN_EXIT_FAILED;
    }
    // Ctrl+C stops the way "Stop and Exit" does, without the question, so the last status
    // is still told.
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    QApplication app(argc, argv);
    QApplication::setApplicationName("ZBDN_USB");
    QGuiApplication::setDesktopFileName("zbdn-usb");
    QCommandLineParser options;  // --help is answered above, before the window system starts
    options.addPositionalArgument("FILE.zbd", "Firmware image to send at once.");
    options.process(app);
    // Only another running instance keeps a second one out; a lock that cannot be had for
    // another reason must not keep the user from the program.
    const std::string lockPath = QFile::encodeName(UserLockPath("ZB_DOWN_USB")).toStdString();
    int error = 0;
    auto instance = CInstanceLock::Acquire(lockPath, &error);
    if (!instance && error == EWOULDBLOCK) {
        std::fprintf(stderr, "zbdn-usb: %s\n", kZbdnAlreadyRunningText);
        return ZBDN_EXIT_ALREADY_RUNNING;
    }
    if (!instance)
        Trace("zbdn-usb: no instance lock at %s (%s); starting without it", lockPath.c_str(), std::strerror(error));
    CZbdnProgram program;
    if (!program.profile.IgnoredNote().isEmpty())
        std::fprintf(stderr, "zbdn-usb: %s\n", program.profile.IgnoredNote().toLocal8Bit().constData());
    QTimer interrupts;
    QObject::connect(&interrupts, &QTimer::timeout, [&program] {
        if (g_bInterrupted.exchange(false))
            program.window.Controller().OnInterrupt();
    });
    interrupts.start(100);
    program.window.show();
    program.window.Open(options.positionalArguments().value(0));
    if (program.window.isVisible())
        app.exec();
    const CZbdnController& controller = program.window.Controller();
    if (controller.CommandLineMode())
        std::fprintf(stderr, "zbdn-usb: %s\n", controller.EndText().c_str());
    return program.window.ExitCode();
}
