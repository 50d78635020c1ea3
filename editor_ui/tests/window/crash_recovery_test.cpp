// A real editor killed six seconds after an edit: the next start offers the edit back.
// The editor runs as a process of its own (this test program in its child role, built on
// the program's own start-up object) on the offscreen platform and dies by SIGKILL.
#include "common/qt/testing/message_box_answerer.h"
#include "common/testing/test_support.h"
#include "editing/edit_common.h"
#include "editor_ui/window/editor_app.h"
#include "settings/backup_folder.h"
#include "settings/demo_settings.h"
#include "settings/recovery_file.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using testing_support::PollUntil;

constexpr char kChildFile[] = "ORVANEL_CRASH_CHILD_FILE";
constexpr char kEditedName[] = "Edited Before Crash";

// The child's role: open the file, rename a service and wait to be killed.
TEST(CrashRecoveryChild, EditsAndWaits)
{
    const char* file = std::getenv(kChildFile);
    if (!file)
        GTEST_SKIP() << "the editor's role in CrashRecovery";
    COrvanelApp app;
    ASSERT_TRUE(app.controller.OpenAtStart(file));
    app.frame.show();
    app.controller.ShowView(kTvView);
    app.controller.SetSvcSelection(kTvKind, {0}, 0);
    app.controller.CommitRename(kTvKind, 0, kEditedName);
    ASSERT_TRUE(testing_support::WriteFileText(fs::path(file).parent_path() / "edited", "1"));
    QTimer::singleShot(std::chrono::minutes(2), qApp, &QApplication::quit);   // should the test die first
    QApplication::exec();
}

class CrashRecovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto demo = std::make_unique<COrvanel1Doc>();
        demo->m_SideFileFolder = temp.Path();
        BuildDemoSettings(*demo, {});
        ASSERT_EQ(SaveSettingsFile(*demo, file), SettingsFileResult::Ok);
        // This process's editors find the same side folder as the child's.
        setenv("XDG_STATE_HOME", (temp / "state").c_str(), 1);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(temp / "config"));
    }
    void TearDown() override { unsetenv("XDG_STATE_HOME"); }

    pid_t StartEditor()
    {
        std::vector<std::string> env{std::string(kChildFile) + "=" + file.string(),
                                     "XDG_STATE_HOME=" + (temp / "state").string(),
                                     "XDG_CONFIG_HOME=" + (temp / "config").string(), "QT_QPA_PLATFORM=offscreen"};
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("XDG_", 0) != 0 && std::string(*e).rfind("QT_QPA_PLATFORM=", 0) != 0)
                env.push_back(*e);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string self = fs::read_symlink("/proc/self/exe"), filter = "--gtest_filter=CrashRecoveryChild.*";
        char* argv[] = {self.data(), filter.data(), nullptr};
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);
        return pid;
    }

    testing_support::TempFolder temp{"crash"};
    fs::path file = temp / "demo.std";
    fs::path recovery = temp / "state" / "orvanel" / kRecoveryFileName;
};

TEST_F(CrashRecovery, AKilledEditorsEditIsOfferedBackAndNoKeepsItAside)
{
    const pid_t pid = StartEditor();
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(PollUntil([&] { return fs::exists(temp / "edited"); }, std::chrono::seconds(60)));
    const auto edited = std::chrono::steady_clock::now();
    EXPECT_TRUE(PollUntil(
        [&] { return fs::exists(recovery) && std::chrono::steady_clock::now() - edited >= std::chrono::seconds(6); },
        std::chrono::seconds(60), std::chrono::milliseconds(20)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(fs::exists(recovery));

    {
        COrvanelApp app;
        CMessageBoxAnswerer boxes({QMessageBox::Yes});
        ASSERT_TRUE(app.controller.OfferRecovery());
        ASSERT_EQ(boxes.Texts().size(), 1);
        EXPECT_TRUE(boxes.Texts()[0].startsWith("Recover the unsaved changes to " +
                                                QString::fromStdString(file.filename().string()) + " of "));
        EXPECT_TRUE(app.controller.Edited());
        EXPECT_EQ(app.controller.FileName(), file);
        EXPECT_EQ(SvcNameOf(*app.doc, app.doc->m_TvSvc[0]), kEditedName);
    }
    COrvanelApp app;
    CMessageBoxAnswerer boxes({QMessageBox::No});
    EXPECT_FALSE(app.controller.OfferRecovery());
    EXPECT_FALSE(app.controller.Held());
    EXPECT_FALSE(fs::exists(recovery));
    EXPECT_TRUE(app.frame.statusBar()->currentMessage().startsWith("The unsaved changes were kept as "))
        << app.frame.statusBar()->currentMessage().toStdString();
    int aside = 0;
    for (const auto& item : fs::directory_iterator(BackupFolderOf(recovery.parent_path()))) {
        auto kept = std::make_unique<COrvanel1Doc>();
        RecoveryInfo info;
        aside += ReadRecoveryFile(item.path(), *kept, info);
    }
    EXPECT_EQ(aside, 1) << "moved aside, not lost";
}

}  // namespace
