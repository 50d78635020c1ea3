// The explorer program as a process: its one instance is per user, a lock it cannot have
// for another reason does not keep it from its window, nor does a profile or a device
// library that is a FIFO, and --help needs no display.
#include "common/qt/testing/program_output.h"
#include "common/version.h"
#include "common/testing/ordinary_user.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// The program's window has started once the emulated STB's disk it looks for is there.
bool WindowStarted(const fs::path& pvrRoot) { return fs::exists(pvrRoot / "ProgramFiles"); }

QProcessEnvironment Environment(const fs::path& home, const fs::path& sharedTemp)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", QString::fromStdString(home.string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(home.string()));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((home / "run").string()));
    env.insert("ZBDLL_SIM_ROOT", QString::fromStdString((home / "pvr").string()));
    env.insert("TMPDIR", QString::fromStdString(sharedTemp.string()));
    env.insert("ORVANEL_TRACE", "1");
    return env;
}

// The user's runtime folder and the empty disk of the emulated STB.
void MakeUserFolders(const fs::path& home)
{
    fs::create_directories(home / "run");
    fs::permissions(home / "run", fs::perms::owner_all);
    fs::create_directories(home / "pvr");
}

// Runs the program in this process's user with env; "" once its window started and it
// still runs after that, else what happened.
std::string RunUntilWindow(const QProcessEnvironment& env, const fs::path& pvrRoot)
{
    std::vector<std::string> texts;
    for (const QString& entry : env.toStringList())
        texts.push_back(entry.toStdString());
    std::vector<char*> envp;
    for (std::string& text : texts)
        envp.push_back(text.data());
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(BEXORA_BIN), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, BEXORA_BIN, nullptr, nullptr, argv, envp.data()) != 0)
        return "cannot start the program";
    int status = 0;
    bool exited = false;
    bool started = testing_support::PollUntil([&] {
        exited = exited || waitpid(pid, &status, WNOHANG) == pid;
        return exited || WindowStarted(pvrRoot);
    }, std::chrono::seconds(30));
    if (!exited)
        exited = waitpid(pid, &status, WNOHANG) == pid;
    if (!exited) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    if (exited)
        return "the program ended with " + std::to_string(WEXITSTATUS(status)) + " without its window";
    return started ? "" : "no window within 30 s";
}

// Reads the program's stderr until it holds text (true) or 30 s have passed, then ends it.
bool SaysBeforeTheEnd(QProcess& program, const QByteArray& text, QByteArray& said)
{
    const bool came = QTest::qWaitFor(
        [&] {
            said += program.readAllStandardError();
            return said.contains(text);
        },
        30000);
    program.kill();
    program.waitForFinished();
    return came;
}

}  // namespace

TEST(BexoraProgram, ASecondUserOpensItsWindowWhileTheFirstUsersRuns)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run the second instance as the user nobody";
    testing_support::TempFolder shared("bexora-tmp"), first("bexora-first"), second("bexora-second");
    fs::permissions(shared.Path(), fs::perms::all | fs::perms::sticky_bit);   // as /tmp
    MakeUserFolders(first.Path());
    QProcess running;
    running.setProcessEnvironment(Environment(first.Path(), shared.Path()));
    running.start(BEXORA_BIN, {});
    ASSERT_TRUE(running.waitForStarted());
    ASSERT_TRUE(testing_support::PollUntil([&] { return WindowStarted(first.Path() / "pvr"); },
                                           std::chrono::seconds(30)));

    MakeUserFolders(second.Path());
    QProcessEnvironment env = Environment(second.Path(), shared.Path());
    OrdinaryUserRun run = RunAsOrdinaryUser(second.Path(), [&] { return RunUntilWindow(env, second.Path() / "pvr"); },
                                            {{BEXORA_BIN, X_OK}, {ZBDLL_EMU_LIBRARY, R_OK}});
    EXPECT_EQ(running.state(), QProcess::Running);
    running.kill();
    running.waitForFinished();
    if (!run.ran)
        GTEST_SKIP() << run.failure;
    EXPECT_EQ(run.failure, "");
}

TEST(BexoraProgram, ALockThatCannotBeHadIsTracedAndTheWindowOpens)
{
    testing_support::TempFolder home("bexora-home");
    MakeUserFolders(home.Path());
    fs::create_symlink(home.Path() / "elsewhere", home.Path() / "run" / "PVR_EXPLORER.lock");
    QProcess program;
    program.setProcessEnvironment(Environment(home.Path(), home.Path()));
    program.start(BEXORA_BIN, {});
    ASSERT_TRUE(program.waitForStarted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return WindowStarted(home.Path() / "pvr"); }, 30000));
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
    EXPECT_TRUE(program.readAllStandardError().contains("no instance lock at"));
    EXPECT_FALSE(fs::exists(home.Path() / "elsewhere"));
}

TEST(BexoraProgram, HelpAndVersionAreAnsweredWithoutADisplay)
{
    EXPECT_TRUE(testing_support::OutputWithoutADisplay(BEXORA_BIN, {"--help"}).startsWith("Usage: bexora [--emulate FOLDER | --demo]"));
    EXPECT_EQ(testing_support::OutputWithoutADisplay(BEXORA_BIN, {"--version"}),
              QByteArray("bexora ") + OrvanelVersion() + "\n");
}

// A FIFO where the profile belongs is ignored, said and left as it is; the window opens.
TEST(BexoraProgram, AProfileThatIsAFifoIsIgnoredAndTheWindowOpens)
{
    testing_support::TempFolder home("bexora-home");
    MakeUserFolders(home.Path());
    const fs::path profile = home.Path() / "Bexora" / "bexora.ini";
    fs::create_directories(profile.parent_path());
    ASSERT_EQ(::mkfifo(profile.c_str(), 0600), 0);
    QProcess program;
    program.setProcessEnvironment(Environment(home.Path(), home.Path()));
    program.start(BEXORA_BIN, {});
    ASSERT_TRUE(program.waitForStarted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return WindowStarted(home.Path() / "pvr"); }, 30000));
    QByteArray said;
    EXPECT_TRUE(SaysBeforeTheEnd(program, "bexora: The profile " + QByteArray(profile.c_str()) +
                                              " is ignored (a FIFO, not a regular file)", said))
        << said.toStdString();
    EXPECT_TRUE(fs::is_fifo(profile));
}

// DeviceLibrary= naming a FIFO: the library is refused with the reason, not waited on.
TEST(BexoraProgram, ADeviceLibraryThatIsAFifoIsRefusedAtOnce)
{
    testing_support::TempFolder home("bexora-home");
    MakeUserFolders(home.Path());
    const fs::path fifo = home.Path() / "library.so";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(home.Path() / "Bexora");
    ASSERT_TRUE(testing_support::WriteFileText(home.Path() / "Bexora" / "bexora.ini",
                                               "[General]\nDeviceLibrary=" + fifo.string() + "\n"));
    QProcessEnvironment env = Environment(home.Path(), home.Path());
    env.remove("ZBDLL_SIM_ROOT");
    env.remove("BEXORA_DEVICE_LIBRARY");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(BEXORA_BIN, {});
    ASSERT_TRUE(program.waitForStarted());
    QByteArray said;
    EXPECT_TRUE(SaysBeforeTheEnd(program, "The device library " + QByteArray(fifo.c_str()) +
                                              " cannot be loaded: a FIFO, not a regular file", said))
        << said.toStdString();
}
