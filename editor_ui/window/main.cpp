// orvanel [FILE.std]: the settings editor; a file named on the command line is opened at start,
// unless the unsaved edits of an editor that did not end cleanly are recovered instead.
#include "common/program_arguments.h"
#include "common/version.h"
#include "editor_ui/window/editor_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstdio>

namespace {

const char kUsage[] = R"(Usage: orvanel [FILE.std]
Orvanel (KELU v2.32): edits the channel lists and settings of a satellite receiver, and
moves them to and from it over USB or a serial cable.

FILE.std is the settings file to open at start; unsaved edits that a crash left behind
are offered first. The link settings are kept in mode.cfg in the current folder, the
profile in ~/.config/Orvanel/Orvanel.ini.

  --version  Print the version and exit.
)";

}  // namespace

int main(int argc, char* argv[])
{
    if (AskedForVersion(argc, argv))
        return PrintVersion("orvanel");
    if (AskedForHelp(argc, argv)) {
        std::fputs(kUsage, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName("Orvanel");
    QApplication::setWindowIcon(QIcon(":/icons/orvanel.svg"));
    QCommandLineParser options;  // --help is answered above, before the window system starts
    options.addPositionalArgument("FILE.std", "Settings file to open at start.");
    options.process(application);
    COrvanelApp app;
    const QStringList args = options.positionalArguments();
    // Unsaved edits that a crash left behind come first; the file named here opens only without them.
    if (!app.controller.OfferRecovery() && !args.isEmpty())
        app.controller.OpenAtStart(args.at(0).toStdString());
    app.frame.CentreOnScreen();
    app.frame.show();
    return QApplication::exec();
}
