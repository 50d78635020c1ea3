#include "common/qt/testing/program_output.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace testing_support {

QByteArray OutputWithoutADisplay(const QString& program, const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    QProcess run;
    run.setProcessEnvironment(env);
    run.start(program, args);
    bool ended = run.waitForFinished(10000);
    EXPECT_TRUE(ended && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0)
        << program.toStdString() << " " << args.join(' ').toStdString() << ": " << run.readAllStandardError().toStdString();
    if (!ended)
        run.kill();
    return ended ? run.readAllStandardOutput() : QByteArray();
}

}  // namespace testing_support
