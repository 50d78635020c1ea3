// The recovery file: the document as the editor held it comes back whole, re-packed against
// the same image, and damaged bytes are refused.
#include "common/testing/test_support.h"
#include "settings/checksum.h"
#include "settings/demo_settings.h"
#include "settings/recovery_file.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <memory>

namespace fs = std::filesystem;

namespace {

class RecoveryFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto built = std::make_unique<COrvanel1Doc>();
        built->m_SideFileFolder = temp.Path();
        BuildDemoSettings(*built, {.modelId = 12});
        ASSERT_EQ(SaveSettingsFile(*built, temp / "demo.std"), SettingsFileResult::Ok);
        doc->m_SideFileFolder = temp.Path();
        ASSERT_EQ(LoadSettingsFile(*doc, temp / "demo.std"), SettingsFileResult::Ok);
        doc->m_TvSvc[3].svcId ^= 0x55;   // an unsaved edit
        doc->m_RadioSvc[5].pmtPid ^= 0x11;
    }
    std::vector<uint8_t> Build() { return BuildRecoveryFile(*doc, {temp / "demo.std", 1796730612, {}}); }

    testing_support::TempFolder temp{"recovery"};
    std::unique_ptr<COrvanel1Doc> doc = std::make_unique<COrvanel1Doc>();
};

TEST_F(RecoveryFile, TheEditsComeBackWithTheirFileAndSaveAsTheyWouldHave)
{
    const std::vector<uint8_t> bytes = Build();
    ASSERT_FALSE(bytes.empty());
    auto back = std::make_unique<COrvanel1Doc>();
    back->m_SideFileFolder = temp.Path();
    RecoveryInfo info;
    ASSERT_TRUE(DecodeRecoveryFile(bytes, *back, info));
    EXPECT_TRUE(back->m_bLoaded);
    EXPECT_EQ(info.fileName, temp / "demo.std");
    EXPECT_EQ(info.written, 1796730612);
    EXPECT_EQ(back->m_TvSvc[3].svcId, doc->m_TvSvc[3].svcId);
    EXPECT_EQ(back->m_RadioSvc[5].pmtPid, doc->m_RadioSvc[5].pmtPid);
    EXPECT_EQ(back->m_ModelId, 12);

    ASSERT_EQ(SaveSettingsFile(*doc, temp / "edited.std"), SettingsFileResult::Ok);
    ASSERT_EQ(SaveSettingsFile(*back, temp / "recovered.std"), SettingsFileResult::Ok);
    EXPECT_EQ(testing_support::ReadFileBytes(temp / "recovered.std"), testing_support::ReadFileBytes(temp / "edited.std"))
        << "the same blocks re-packed against the same image";
}

TEST_F(RecoveryFile, DamagedOrCutBytesAreRefused)
{
    std::vector<uint8_t> bytes = Build();
    auto back = std::make_unique<COrvanel1Doc>();
    RecoveryInfo info;
    std::vector<uint8_t> flipped = bytes;
    flipped[100000] ^= 1;
    EXPECT_FALSE(DecodeRecoveryFile(flipped, *back, info));
    EXPECT_FALSE(DecodeRecoveryFile(std::span(bytes).first(bytes.size() - 1), *back, info));
    EXPECT_FALSE(DecodeRecoveryFile(std::span(bytes).first(10), *back, info));
    std::vector<uint8_t> longName = bytes;
    longName[20] = 0xFF;   // a name longer than the file
    EXPECT_FALSE(DecodeRecoveryFile(longName, *back, info));
    EXPECT_FALSE(back->m_bLoaded);
    EXPECT_FALSE(ReadRecoveryFile(temp / "missing.dat", *back, info));
}

TEST_F(RecoveryFile, TheFilesSizeAndTimeComeBackAndAnEarlierVersionStillReads)
{
    const FileStamp stamp = StampOf(temp / "demo.std").value();
    EXPECT_EQ(stamp.size, kSettingsFileSize);
    std::vector<uint8_t> bytes = BuildRecoveryFile(*doc, {temp / "demo.std", 1796730612, stamp});
    auto back = std::make_unique<COrvanel1Doc>();
    RecoveryInfo info;
    ASSERT_TRUE(DecodeRecoveryFile(bytes, *back, info));
    EXPECT_EQ(info.fileStamp, stamp);

    // The same without the size and time, as the first version wrote it.
    bytes.erase(bytes.begin() + 22, bytes.begin() + 38);
    bytes[9] = 1;
    bytes.resize(bytes.size() - 2);
    const uint16_t crc = Crc16(bytes.data(), bytes.size());
    bytes.push_back(uint8_t(crc >> 8));
    bytes.push_back(uint8_t(crc));
    ASSERT_TRUE(DecodeRecoveryFile(bytes, *back, info));
    EXPECT_EQ(info.fileName, temp / "demo.std");
    EXPECT_FALSE(info.fileStamp) << "not known";
    EXPECT_EQ(back->m_TvSvc[3].svcId, doc->m_TvSvc[3].svcId);
}

TEST_F(RecoveryFile, AStoredTimeThisSystemsClockCannotHoldIsNotTakenForAnother)
{
    std::vector<uint8_t> bytes = Build();
    auto back = std::make_unique<COrvanel1Doc>();
    back->m_SideFileFolder = temp.Path();
    RecoveryInfo info;
    // Far beyond 9999, and 2163, which a 32-bit clock would read as 1970 and as the time Build wrote.
    for (uint64_t stored : {uint64_t(1) << 52, (uint64_t(1) << 32) + 1796730612}) {
        for (int i = 0; i < 8; ++i)
            bytes[12 + i] = uint8_t(stored >> (56 - 8 * i));
        PutBe16(&bytes[bytes.size() - 2], Crc16(bytes.data(), bytes.size() - 2));
        ASSERT_TRUE(DecodeRecoveryFile(bytes, *back, info));
        EXPECT_NE(RecoveryTimeText(info.written), RecoveryTimeText(0)) << stored;
        EXPECT_NE(RecoveryTimeText(info.written), RecoveryTimeText(1796730612)) << stored;
    }
    EXPECT_EQ(RecoveryTimeText(info.written) == "an unknown time", sizeof(std::time_t) == 4);
}

TEST(RecoveryTime, ATimeNoClockOfOursWroteReadsAsUnknown)
{
    if constexpr (sizeof(std::time_t) == 8) {
        EXPECT_EQ(RecoveryTimeText(std::time_t(1) << 52), "an unknown time");
    }
    EXPECT_EQ(RecoveryTimeText(-1), "an unknown time");
    EXPECT_EQ(RecoveryTimeText(1796730612).size(), 19u);
}

}  // namespace
