// orvanel [FILE.std]: the settings editor; a file named on the command line is opened at start.
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
    if (args.size() > 1)
        app.controller.OpenAtStart(args.at(1).toStdString());
    app.frame.CentreOnScreen();
    app.frame.show();
    return QApplication::exec();
}
