// Saving never destroys what it does not own: odd targets, planted links, shared names,
// permissions and the side folder.
#include "common/testing/ordinary_user.h"
#include "common/testing/scripted_prompter.h"
#include "settings/demo_settings.h"
#include "settings/settings_file.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char kNoFile[] = "Cannot Create or Open File!";

using testing_support::ReadFileText;
using testing_support::WriteFileText;

class SettingsFileSafety : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir / "side");
        doc = std::make_unique<COrvanel1Doc>();
        doc->m_pPrompter = &prompter;
        doc->m_SideFileFolder = dir / "side";
        BuildDemoSettings(*doc, {});
    }

    // Saves to target and expects the refusal, with the target's bytes as they were.
    void ExpectRefused(const fs::path& target, const std::string& why)
    {
        const bool regular = fs::is_regular_file(target);
        const std::string before = regular ? ReadFileText(target) : "";
        prompter.shown.clear();
        FileFailure failure;
        EXPECT_EQ(SaveSettingsFile(*doc, target, &failure), SettingsFileResult::Fail) << why;
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kNoFile}) << why;
        EXPECT_TRUE(failure) << why;
        if (regular) {
            EXPECT_EQ(ReadFileText(target), before) << why;
        }
    }
    bool Loads(const fs::path& path)
    {
        COrvanel1Doc loaded;
        loaded.m_SideFileFolder = dir / "side";
        return LoadSettingsFile(loaded, path) == SettingsFileResult::Ok;
    }

    testing_support::TempFolder temp{"settings_safety"};
    fs::path dir = temp.Path();
    ScriptedPrompter prompter;
    std::unique_ptr<COrvanel1Doc> doc;
};

TEST_F(SettingsFileSafety, AnOutputThatIsOneOfTheSideFilesIsRefused)
{
    for (const char* name : {kFlashSideFile, kEepromSideFile, kDiagnosticSideFile}) {
        WriteFileText(dir / "side" / name, "kept");
        ExpectRefused(dir / "side" / name, name);
    }
    fs::create_symlink(dir / "side" / kEepromSideFile, dir / "link.std");
    ExpectRefused(dir / "link.std", "a link to a side file");
    EXPECT_EQ(ReadFileText(dir / "side" / kEepromSideFile), "kept");
}

TEST_F(SettingsFileSafety, OnlyRegularFilesAreReplacedAndLinksAreWrittenThrough)
{
    ASSERT_EQ(::mkfifo((dir / "fifo.std").c_str(), 0600), 0);
    ExpectRefused(dir / "fifo.std", "a FIFO");
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.std"));
    fs::create_directory(dir / "folder.std");
    ExpectRefused(dir / "folder.std", "a folder");
    EXPECT_TRUE(fs::is_directory(dir / "folder.std"));

    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    WriteFileText(dir / "b" / "real.std", "old");
    fs::create_symlink(dir / "b" / "real.std", dir / "a" / "link.std");
    ASSERT_EQ(SaveSettingsFile(*doc, dir / "a" / "link.std"), SettingsFileResult::Ok);
    EXPECT_TRUE(fs::is_symlink(dir / "a" / "link.std"));
    EXPECT_TRUE(Loads(dir / "b" / "real.std"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "a"), {}), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "b"), {}), 1);
}

TEST_F(SettingsFileSafety, LinksPlantedUnderFixedNamesAreReplacedNotFollowed)
{
    const fs::path victim = dir / "victim";
    WriteFileText(victim, "precious");
    for (const char* name : {kFlashSideFile, kEepromSideFile, kDiagnosticSideFile})
        fs::create_symlink(victim, dir / "side" / name);
    fs::create_symlink(victim, dir / "out.std.part");
    ASSERT_EQ(SaveSettingsFile(*doc, dir / "out.std"), SettingsFileResult::Ok);
    EXPECT_EQ(ReadFileText(victim), "precious");
    EXPECT_EQ(fs::file_size(dir / "side" / kFlashSideFile), kPackedFlashSize);
    EXPECT_EQ(fs::file_size(dir / "side" / kEepromSideFile), kEepromSize);
    EXPECT_FALSE(fs::is_symlink(dir / "side" / kDiagnosticSideFile));
    EXPECT_TRUE(Loads(dir / "out.std"));
}

TEST_F(SettingsFileSafety, ASideFileThatCannotBeWrittenLeavesTheOldTarget)
{
    WriteFileText(dir / "old.std", "the old file");
    fs::create_directory(dir / "side" / kEepromSideFile);
    ExpectRefused(dir / "old.std", "eeprom.dat is a folder");

    // The same with a side folder that the user may not write.
    fs::remove(dir / "side" / kEepromSideFile);
    fs::permissions(dir / "side", fs::perms::owner_read | fs::perms::owner_exec);
    OrdinaryUserRun run = RunAsOrdinaryUser(dir, [&] {
        std::string before = ReadFileText(dir / "old.std");
        bool saved = SaveSettingsFile(*doc, dir / "old.std") == SettingsFileResult::Ok;
        return saved || ReadFileText(dir / "old.std") != before ? "the old file was replaced" : "";
    });
    if (!run.ran)
        GTEST_SKIP() << "no ordinary user: " << run.failure;
    EXPECT_EQ(run.failure, "");
}

TEST_F(SettingsFileSafety, ReplacingKeepsModeAndOwnerAndReadOnlyTargetsAreRefused)
{
    WriteFileText(dir / "private.std", "old");
    fs::permissions(dir / "private.std", fs::perms::owner_read | fs::perms::owner_write);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((dir / "private.std").c_str(), 65534, 65534), 0);
    }
    struct stat before {};
    ::stat((dir / "private.std").c_str(), &before);
    ASSERT_EQ(SaveSettingsFile(*doc, dir / "private.std"), SettingsFileResult::Ok);
    struct stat after {};
    ::stat((dir / "private.std").c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);

    WriteFileText(dir / "readonly.std", "old");
    fs::permissions(dir / "readonly.std", fs::perms::owner_read);
    OrdinaryUserRun run = RunAsOrdinaryUser(dir, [&] {
        prompter.shown.clear();
        bool saved = SaveSettingsFile(*doc, dir / "readonly.std") == SettingsFileResult::Ok;
        if (saved || ReadFileText(dir / "readonly.std") != "old")
            return "a read-only file was replaced";
        return prompter.Texts() == std::vector<std::string>{kNoFile} ? "" : "no message";
    });
    if (!run.ran)
        GTEST_SKIP() << "no ordinary user: " << run.failure;
    EXPECT_EQ(run.failure, "");
}

TEST_F(SettingsFileSafety, SideFilesGoToTheUsersStateFolderByDefault)
{
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string keepState = oldState ? oldState : "", keepHome = oldHome ? oldHome : "";
    ::setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    EXPECT_EQ(DefaultSideFolder(), dir / "state" / "orvanel");
    ::setenv("XDG_STATE_HOME", "relative", 1);
    ::setenv("HOME", (dir / "home").c_str(), 1);
    EXPECT_EQ(DefaultSideFolder(), dir / "home" / ".local" / "state" / "orvanel");

    const fs::path start = fs::current_path();
    fs::create_directory(dir / "cwd");
    fs::current_path(dir / "cwd");
    doc->m_SideFileFolder.clear();
    EXPECT_EQ(SaveSettingsFile(*doc, dir / "out.std"), SettingsFileResult::Ok);
    fs::current_path(start);
    oldState ? ::setenv("XDG_STATE_HOME", keepState.c_str(), 1) : ::unsetenv("XDG_STATE_HOME");
    oldHome ? ::setenv("HOME", keepHome.c_str(), 1) : ::unsetenv("HOME");

    EXPECT_TRUE(fs::is_empty(dir / "cwd"));
    const fs::path side = dir / "home" / ".local" / "state" / "orvanel";
    EXPECT_EQ(fs::status(side).permissions() & fs::perms::all, fs::perms::owner_all);
    for (const char* name : {kFlashSideFile, kEepromSideFile, kDiagnosticSideFile})
        EXPECT_TRUE(fs::is_regular_file(side / name)) << name;
}

}  // namespace
