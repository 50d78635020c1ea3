// The backups of transfers: written as settings files that load, named by time, kind and
// model, listed newest first, and held to the folder's limits.
#include "common/system_paths.h"
#include "common/testing/scripted_prompter.h"
#include "common/testing/test_support.h"
#include "settings/backup_folder.h"
#include "settings/demo_settings.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <memory>

namespace fs = std::filesystem;

namespace {

using testing_support::WriteFileText;

class BackupFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        source->m_SideFileFolder = temp / "side";
        BuildDemoSettings(*source, {.modelId = 10, .systemId = 0x1234});
        ASSERT_TRUE(SavePvrFileSubFunc(*source));
    }
    BackupImage Image() const
    {
        return {source->m_ExpectedSystemId, source->m_RePackedFlash, std::span(source->m_Eeprom).first(kEepromSize)};
    }
    // A backup by name only, of size bytes, `age` seconds before the written ones.
    fs::path Planted(int age, size_t bytes = 10)
    {
        std::tm t{};
        t.tm_year = 120, t.tm_mon = 0, t.tm_mday = 1 + age / 86400, t.tm_hour = (age / 3600) % 24;
        t.tm_min = (age / 60) % 60, t.tm_sec = age % 60;
        char name[64];
        std::strftime(name, sizeof name, "%Y-%m-%d_%H-%M-%S_to-STB_model-0.std", &t);
        fs::path path = folder / name;
        EXPECT_TRUE(WriteFileText(path, std::string(bytes, 'x')));
        return path;
    }

    testing_support::TempFolder temp{"backups"};
    fs::path folder = temp / "backups";
    std::unique_ptr<COrvanel1Doc> source = std::make_unique<COrvanel1Doc>();
    std::time_t when = 1796730612;   // a Tuesday afternoon in December 2026
};

TEST_F(BackupFolder, ABackupIsASettingsFileOfTheTransferNamedByTimeKindAndModel)
{
    FileFailure failure;
    auto first = WriteBackup(folder, BackupKind::FromStb, Image(), when, &failure);
    ASSERT_TRUE(first) << failure.Describe();
    auto second = WriteBackup(folder, BackupKind::ToStb, Image(), when);
    auto third = WriteBackup(folder, BackupKind::FromStb, Image(), when);
    ASSERT_TRUE(second && third);
    EXPECT_NE(*first, *third) << "a backup never replaces another";
    EXPECT_NE(first->filename().string().find("_from-STB_model-10"), std::string::npos);

    auto loaded = std::make_unique<COrvanel1Doc>();
    loaded->m_SideFileFolder = temp / "side";
    ASSERT_EQ(LoadSettingsFile(*loaded, *first), SettingsFileResult::Ok);
    EXPECT_EQ(loaded->m_ExpectedSystemId, 0x1234);
    EXPECT_EQ(loaded->m_TvSvcCnt, source->m_TvSvcCnt);

    const auto listed = ListBackups(folder);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].path, *third) << "newest first; the same second in writing order";
    EXPECT_EQ(listed[1].kind, BackupKind::ToStb);
    EXPECT_EQ(listed[2].modelId, 10);
    EXPECT_EQ(BackupTimeText(listed[0].time), BackupTimeText(LocalTime(when)));

    ASSERT_TRUE(NewestBackupOf(folder, 0x1234));
    EXPECT_EQ(NewestBackupOf(folder, 0x1234)->path, *third);
    EXPECT_FALSE(NewestBackupOf(folder, 0x1235)) << "another STB's backups restore nothing here";
}

TEST_F(BackupFolder, TheNewestHundredStayAndOtherFilesAreNeverTouched)
{
    ASSERT_TRUE(fs::create_directories(folder));
    const fs::path oldest = Planted(0);
    for (int age = 1; age < 100; ++age)
        Planted(age);
    const fs::path users = folder / "my notes.std";
    ASSERT_TRUE(WriteFileText(users, "mine"));
    auto written = WriteBackup(folder, BackupKind::FromStb, Image(), when);
    ASSERT_TRUE(written);
    EXPECT_EQ(ListBackups(folder).size(), 100u);
    EXPECT_FALSE(fs::exists(oldest)) << "the 101st backup pushes the oldest out";
    EXPECT_TRUE(fs::exists(*written));
    EXPECT_TRUE(fs::exists(users));
}

TEST_F(BackupFolder, TheByteLimitRemovesTheOldestFirstButNeverTheNewest)
{
    ASSERT_TRUE(fs::create_directories(folder));
    const fs::path a = Planted(0, 50), b = Planted(1, 100), c = Planted(2, 300), d = Planted(3, 300);
    PruneBackups(folder, {.count = 100, .bytes = 650});
    EXPECT_TRUE(fs::exists(d) && fs::exists(c));
    EXPECT_FALSE(fs::exists(b));
    EXPECT_FALSE(fs::exists(a)) << "older than the first over the limit, though it would still fit";

    PruneBackups(folder, {.count = 100, .bytes = 10});
    EXPECT_TRUE(fs::exists(d)) << "the newest stays even alone over the limit";
    EXPECT_FALSE(fs::exists(c));
}

TEST_F(BackupFolder, AFailedWriteSaysWhereAndWhy)
{
    ASSERT_TRUE(WriteFileText(folder, "a file where the folder should be"));
    FileFailure failure;
    EXPECT_FALSE(WriteBackup(folder, BackupKind::FromStb, Image(), when, &failure));
    EXPECT_EQ(failure.path, folder);
    EXPECT_FALSE(failure.reason.empty());
}

}  // namespace
