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
    // A backup written `age` seconds after the first, with limits that keep everything.
    fs::path Written(int age, BackupLimits limits = {.count = 1000, .bytes = UINTMAX_MAX})
    {
        auto path = WriteBackup(folder, BackupKind::ToStb, Image(), when + age, nullptr, limits);
        EXPECT_TRUE(path);
        return path.value_or(fs::path());
    }
    // A recovery file moved aside, of size bytes, named by the time in `name`.
    fs::path Aside(const std::string& name, size_t bytes, BackupLimits limits)
    {
        fs::path path = folder / ("recovery_" + name + ".dat");
        EXPECT_TRUE(WriteFileText(path, std::string(bytes, 'x')));
        KeepInBackups(folder, path, limits);
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
    const fs::path oldest = Written(0);
    for (int age = 1; age < 100; ++age)
        Written(age);
    const fs::path users = folder / "my notes.std";
    ASSERT_TRUE(WriteFileText(users, "mine"));
    auto written = WriteBackup(folder, BackupKind::FromStb, Image(), when + 100);
    ASSERT_TRUE(written);
    EXPECT_EQ(ListBackups(folder).size(), 100u);
    EXPECT_FALSE(fs::exists(oldest)) << "the 101st backup pushes the oldest out";
    EXPECT_TRUE(fs::exists(*written));
    EXPECT_TRUE(fs::exists(users));
}

TEST_F(BackupFolder, AClockThatWentBackNeverCostsTheBackupJustWritten)
{
    const fs::path first = Written(0);
    for (int age = 1; age < 100; ++age)
        Written(age);
    auto written = WriteBackup(folder, BackupKind::FromStb, Image(), when - 365 * 86400);
    ASSERT_TRUE(written);
    EXPECT_TRUE(fs::exists(*written)) << "the path reported is there";
    const auto listed = ListBackups(folder);
    ASSERT_EQ(listed.size(), 100u);
    EXPECT_EQ(listed[0].path, *written) << "newest written first, whatever its name says";
    EXPECT_FALSE(fs::exists(first)) << "the first written goes, not the one named oldest";
    EXPECT_EQ(NewestBackupOf(folder, 0x1234)->path, *written);
}

TEST_F(BackupFolder, AFileWeDidNotWriteIsNeitherCountedNorRemoved)
{
    const BackupLimits limits{.count = 3, .bytes = 4 * kSettingsFileSize};
    const fs::path first = Written(0, limits);
    const fs::path foreign = folder / "2031-01-01_00-00-00_from-STB_model-0.std";
    ASSERT_TRUE(WriteFileText(foreign, std::string(5 * kSettingsFileSize, 'x')));
    const fs::path copy = folder / "2030-01-01_00-00-00_from-STB_model-0.std";
    fs::copy_file(first, copy);
    Written(1, limits);
    Written(2, limits);
    const fs::path last = Written(3, limits);

    EXPECT_TRUE(fs::exists(last)) << "a later name of another's does not push out what we wrote";
    EXPECT_TRUE(fs::exists(foreign) && fs::exists(copy));
    EXPECT_FALSE(fs::exists(first)) << "three of ours stay";
    const auto listed = ListBackups(folder);
    ASSERT_EQ(listed.size(), 5u) << "all are listed to open";
    EXPECT_EQ(listed[0].path, last);
    EXPECT_EQ(listed[3].path, foreign) << "those we did not write come last";
}

TEST_F(BackupFolder, RecoveryFilesMovedAsideAreHeldToTheLimitsByTheirOwnCount)
{
    const fs::path backup = Written(0);
    const BackupLimits limits{.count = 100, .bytes = 650};
    // The names' clock went back between the second and the third.
    const fs::path a = Aside("2026-12-08_10-00-00", 50, limits), b = Aside("2026-12-08_11-00-00", 100, limits);
    const fs::path c = Aside("2026-01-01_09-00-00", 300, limits), d = Aside("2026-01-01_08-00-00", 300, limits);
    EXPECT_TRUE(fs::exists(d) && fs::exists(c));
    EXPECT_FALSE(fs::exists(b));
    EXPECT_FALSE(fs::exists(a)) << "older than the first over the limit, though it would still fit";
    EXPECT_TRUE(fs::exists(backup)) << "a backup is no recovery file to count";

    PruneBackups(folder, {.count = 100, .bytes = 10});
    EXPECT_TRUE(fs::exists(d)) << "the newest stays even alone over the limit";
    EXPECT_FALSE(fs::exists(c));
    EXPECT_TRUE(fs::exists(backup));

    for (int n = 0; n < 3; ++n)
        Aside("2026-01-01_07-00-0" + std::to_string(n), 10, {.count = 2});
    EXPECT_FALSE(fs::exists(d));
    EXPECT_TRUE(fs::exists(folder / "recovery_2026-01-01_07-00-02.dat"));
    EXPECT_TRUE(fs::exists(backup));
}

TEST_F(BackupFolder, AFolderFromBeforeTheWritingOrderKeepsItsBackupsInTheOrderOfTheirNames)
{
    const fs::path model = Written(0);
    const fs::path older = folder / "2025-01-01_00-00-00_to-STB_model-0.std";
    const fs::path newer = folder / "2025-01-02_00-00-00_to-STB_model-0.std";
    const fs::path stub = folder / "2025-01-03_00-00-00_to-STB_model-0.std";
    fs::copy_file(model, older);
    fs::copy_file(model, newer);
    ASSERT_TRUE(WriteFileText(stub, "not a backup by its size"));
    fs::remove(model);
    fs::remove(folder / "written-order.txt");

    PruneBackups(folder, {.count = 1});
    EXPECT_FALSE(fs::exists(older));
    EXPECT_TRUE(fs::exists(newer));
    EXPECT_TRUE(fs::exists(stub));
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
