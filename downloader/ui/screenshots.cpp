// zbdn-usb-screenshots OUTDIR: renders the downloader's window idle, waiting for the
// loader, with a device that does not answer, and in the middle of a transfer, offscreen
// in the Fusion style.
#include "downloader/ui/zbdn_window.h"
#include "usb/sim_usb_backend.h"

#include <QApplication>
#include <QDir>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdio>

namespace {
bool Save(QWidget& window, const QString& path)
{
    bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "cannot write", qPrintable(path));
    return saved;
}
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QDir out(argc > 1 ? argv[1] : "docs/screenshots");
    QTemporaryDir scratch;
    CWorkerGuard guard;
    std::atomic<bool> abortFlag{false};
    CQtZbdnPoster poster;
    CQtZbdnProfile profile(scratch.filePath("ZBDN_USB.ini"));
    CZbdnSession session(poster, MakeSimUsbBackend(scratch.filePath("no-stb").toStdString()), guard, abortFlag);
    CZbdnWindow window(poster, profile, session);
    window.setFixedSize(480, 230);
    window.show();
    window.Open("");
    window.SetFileName("/home/user/firmware/M700RX_V214.ZBD");
    bool ok = Save(window, out.filePath("zbdn-usb-idle.png"));
    window.EnableInput(false);
    window.SetStatus(ZbdnWaitingText(ZbdnLoader::Absent));
    ok = Save(window, out.filePath("zbdn-usb-waiting.png")) && ok;
    window.SetStatus(ZbdnWaitingText(ZbdnLoader::Silent));
    ok = Save(window, out.filePath("zbdn-usb-no-answer.png")) && ok;
    window.SetStatus("Downloading Processing..");
    window.SetProgress(42);
    ok = Save(window, out.filePath("zbdn-usb-transfer.png")) && ok;
    window.EndWindow(0);
    return ok ? 0 : 1;
}
