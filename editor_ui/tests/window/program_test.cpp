// The editor as a process, for what only its command line and its start reach.
#include "common/qt/testing/program_output.h"
#include "common/version.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <chrono>
#include <sys/stat.h>

namespace {

// The editor traced, offscreen, with its profile and side folder in folder.
QProcessEnvironment EditorEnvironment(const std::filesystem::path& folder)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ORVANEL_TRACE", "1");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(folder.string()));
    env.insert("XDG_STATE_HOME", QString::fromStdString(folder.string()));
    return env;
}

// A FIFO named on the command line is refused with its reason instead of holding the
// program before its window ever shows.
TEST(EditorProgram, AFifoNamedAtStartIsRefusedNotWaitedOn)
{
    testing_support::TempFolder scratch{"orvanel-program"};
    const std::string fifo = (scratch / "settings.std").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    QProcess program;
    program.setProcessEnvironment(EditorEnvironment(scratch.Path()));
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

TEST(EditorProgram, HelpAndVersionAreAnsweredWithoutADisplay)
{
    EXPECT_TRUE(testing_support::OutputWithoutADisplay(ORVANEL_BIN, {"--help"}).startsWith("Usage: orvanel [FILE.std]"));
    EXPECT_EQ(testing_support::OutputWithoutADisplay(ORVANEL_BIN, {"--version"}),
              QByteArray("orvanel ") + OrvanelVersion() + "\n");
}

// mode.cfg in the current folder and the profile are read at start, before the window: as
// FIFOs they are refused and said, never waited on, and stay as they are.
TEST(EditorProgram, AModeFileAndAProfileThatAreFifosAreRefusedNotWaitedOn)
{
    testing_support::TempFolder scratch{"orvanel-program"};
    const std::filesystem::path profile = scratch / "Orvanel" / "Orvanel.ini";
    std::filesystem::create_directories(profile.parent_path());
    ASSERT_EQ(::mkfifo(profile.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((scratch / "mode.cfg").c_str(), 0600), 0);
    QProcess program;
    program.setProcessEnvironment(EditorEnvironment(scratch.Path()));
    program.setWorkingDirectory(QString::fromStdString(scratch.Path().string()));
    program.start(ORVANEL_BIN, {});
    ASSERT_TRUE(program.waitForStarted());
    const std::string modeRefused = "input refused: \"./mode.cfg\": a FIFO, not a regular file";
    const std::string profileIgnored = "orvanel: The profile " + profile.string() + " is ignored (a FIFO, not a regular file)";
    std::string trace;
    const bool said = testing_support::PollUntil(
        [&] {
            program.waitForReadyRead(100);
            trace += program.readAllStandardError().toStdString();
            return trace.find(modeRefused) != std::string::npos && trace.find(profileIgnored) != std::string::npos;
        },
        std::chrono::seconds(30));
    program.kill();
    program.waitForFinished();
    EXPECT_TRUE(said) << trace;
    EXPECT_TRUE(std::filesystem::is_fifo(profile));
    EXPECT_TRUE(std::filesystem::is_fifo(scratch / "mode.cfg"));
}

}  // namespace
