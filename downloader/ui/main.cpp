// zbdn-usb [FILE.zbd]: the firmware downloader. With a file it starts at once, ends when
// the worker ends, and exits 0 only when the STB took the whole image.
#include "common/instance_lock.h"
#include "downloader/ui/zbdn_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

// The program's composition root: the process-wide pieces, the session and the window.
struct CZbdnProgram {
    CWorkerGuard guard;
    std::atomic<bool> abortFlag{false};
    CQtZbdnPoster poster;
    CQtZbdnProfile profile;
    CZbdnSession session{poster, MakeUsbBackend({}), guard, abortFlag};
    CZbdnWindow window{poster, profile, session};
};

// The named mutex "ZB_DOWN_USB".
QString SingleInstancePath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + "/ZB_DOWN_USB.lock";
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("ZBDN_USB");
    QGuiApplication::setDesktopFileName("zbdn-usb");
    auto instance = CInstanceLock::Acquire(QFile::encodeName(SingleInstancePath()).toStdString());
    if (!instance)
        return ZBDN_EXIT_ALREADY_RUNNING;
    CZbdnProgram program;
    program.window.show();
    program.window.Open(QCoreApplication::arguments().value(1));
    if (program.window.isVisible())
        app.exec();
    return program.window.ExitCode();
}
