// orvanel [FILE.std]: the settings editor; a file named on the command line is opened at start,
// unless the unsaved edits of an editor that did not end cleanly are recovered instead.
#include "editor_ui/window/editor_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Orvanel");
    QApplication::setWindowIcon(QIcon(":/icons/orvanel.svg"));
    QCommandLineParser options;
    options.setApplicationDescription("Orvanel (KELU v2.32): edits the channel lists and settings of a satellite "
                                      "receiver, and moves them to and from it over USB or a serial cable.");
    options.addHelpOption();
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
