// The editor as a process, for what only its command line reaches.
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <chrono>
#include <sys/stat.h>

namespace {

// A FIFO named on the command line is refused with its reason instead of holding the
// program before its window ever shows.
TEST(EditorProgram, AFifoNamedAtStartIsRefusedNotWaitedOn)
{
    testing_support::TempFolder scratch{"orvanel-program"};
    const std::string fifo = (scratch / "settings.std").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ORVANEL_TRACE", "1");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(scratch.Path().string()));
    env.insert("XDG_STATE_HOME", QString::fromStdString(scratch.Path().string()));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(ORVANEL_BIN, {QString::fromStdString(fifo)});
    ASSERT_TRUE(program.waitForStarted());
    const std::string refusal = "input refused: \"" + fifo + "\": a FIFO, not a regular file";
    std::string trace;
    // The message box that follows waits for the user: the test ends the program itself.
    const bool refused = testing_support::PollUntil(
        [&] {
            program.waitForReadyRead(100);
            trace += program.readAllStandardError().toStdString();
            return trace.find(refusal) != std::string::npos;
        },
        std::chrono::seconds(30));
    program.kill();
    program.waitForFinished();
    EXPECT_TRUE(refused) << trace;
}

}  // namespace
