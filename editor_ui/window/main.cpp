// orvanel [FILE.std]: the settings editor; a file named on the command line is opened at start,
// unless the unsaved edits of an editor that did not end cleanly are recovered instead.
#include "editor_ui/window/editor_app.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Orvanel");
    QApplication::setWindowIcon(QIcon(":/icons/orvanel.svg"));
    COrvanelApp app;
    const QStringList args = QApplication::arguments();
    // Unsaved edits that a crash left behind come first; the file named here opens only without them.
    if (!app.controller.OfferRecovery() && args.size() > 1)
        app.controller.OpenAtStart(args.at(1).toStdString());
    app.frame.CentreOnScreen();
    app.frame.show();
    return QApplication::exec();
}
