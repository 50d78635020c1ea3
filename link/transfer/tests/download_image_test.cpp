#include "settings/checksum.h"
#include "settings/document.h"
#include "link/transfer/download_image.h"
#include "common/testing/scripted_prompter.h"
#include "link/transfer/testing/transfer_testing.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using testing_support::ReadFileBytes;

class DownloadImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc = MakeDemoDocument();
        doc->m_pPrompter = &prompter;
        doc->m_SideFileFolder = dir.Path();
    }
    testing_support::TempFolder dir;
    ScriptedPrompter prompter;
    std::unique_ptr<COrvanel1Doc> doc;
};

TEST_F(DownloadImageTest, HoldsFiveFlashChunksAndOneEepromChunkBehindTheHeader)
{
    std::vector<uint8_t> image = BuildDownloadImage(doc->m_RePackedFlash.data(), doc->m_Eeprom.data(), 0x2203);
    ASSERT_GE(image.size(), 10u);
    EXPECT_EQ(GetBe16(&image[0]), 8);
    EXPECT_EQ(GetBe16(&image[2]), Crc16(&image[4], 6));
    EXPECT_EQ(GetBe16(&image[4]), 0x2203);
    EXPECT_EQ(GetBe16(&image[6]), 1);
    EXPECT_EQ(GetBe16(&image[8]), 6);
    // Walk the chunks: four full flash pieces, the 24-byte rest, then the EEPROM block.
    std::vector<std::pair<uint16_t, uint16_t>> chunks;
    for (size_t pos = 10; pos < image.size();) {
        chunks.emplace_back(GetBe16(&image[pos + 4]), GetBe16(&image[pos + 6]));
        pos += 8 + GetBe16(&image[pos]) - 6;
    }
    std::vector<std::pair<uint16_t, uint16_t>> expected = {{2, 32762}, {2, 32762}, {2, 32762},
                                                           {2, 32762}, {2, 24},    {3, 256}};
    EXPECT_EQ(chunks, expected);

    DownloadImageContents contents;
    ASSERT_TRUE(DecodeDownloadImage(image.data(), image.size(), contents));
    EXPECT_EQ(contents.flash, doc->m_RePackedFlash);
    EXPECT_TRUE(std::equal(contents.eeprom.begin(), contents.eeprom.end(), doc->m_Eeprom.begin()));
}

TEST_F(DownloadImageTest, DecodeRefusesDamageTruncationAndLeftovers)
{
    std::vector<uint8_t> image = BuildDownloadImage(doc->m_RePackedFlash.data(), doc->m_Eeprom.data(), 1);
    DownloadImageContents contents;
    std::vector<uint8_t> damaged = image;
    damaged[image.size() / 2] ^= 0x40;
    EXPECT_FALSE(DecodeDownloadImage(damaged.data(), damaged.size(), contents));
    EXPECT_FALSE(DecodeDownloadImage(image.data(), image.size() - 1, contents));
    std::vector<uint8_t> longer = image;
    longer.push_back(0);
    EXPECT_FALSE(DecodeDownloadImage(longer.data(), longer.size(), contents));
    // One chunk fewer in the header: the EEPROM block is missing.
    std::vector<uint8_t> fewer = image;
    PutBe16(&fewer[8], 5);
    PutBe16(&fewer[2], Crc16(&fewer[4], 6));
    EXPECT_FALSE(DecodeDownloadImage(fewer.data(), fewer.size(), contents));
    EXPECT_FALSE(DecodeDownloadImage(image.data(), 9, contents));
}

TEST_F(DownloadImageTest, CheckCatchesAnImageThatDoesNotGiveBackTheDocument)
{
    ASSERT_TRUE(PrepareDownloadImage(*doc, doc->m_ExpectedSystemId, dir / kDownloadImageName, prompter));
    std::vector<uint8_t> good = ReadFileBytes(dir / kDownloadImageName);
    EXPECT_TRUE(CheckDownloadImage(good, *doc));

    // A valid image of other bytes is refused, as is a flash image that does not unpack.
    std::vector<uint8_t> otherEeprom(doc->m_Eeprom.begin(), doc->m_Eeprom.begin() + kEepromSize);
    otherEeprom[0] ^= 1;
    EXPECT_FALSE(CheckDownloadImage(
        BuildDownloadImage(doc->m_RePackedFlash.data(), otherEeprom.data(), doc->m_ExpectedSystemId), *doc));
    doc->m_RePackedFlash[0x2000] ^= 0xFF;
    EXPECT_FALSE(CheckDownloadImage(
        BuildDownloadImage(doc->m_RePackedFlash.data(), doc->m_Eeprom.data(), doc->m_ExpectedSystemId), *doc));
}

TEST_F(DownloadImageTest, PrepareWritesTheFileAndStampReplacesTheSystemId)
{
    auto path = dir / kDownloadImageName;
    std::ofstream(path) << std::string(500000, 'x');
    ASSERT_TRUE(PrepareDownloadImage(*doc, 0x1111, path, prompter));
    std::vector<uint8_t> image = ReadFileBytes(path);
    DownloadImageContents contents;
    ASSERT_TRUE(DecodeDownloadImage(image.data(), image.size(), contents));
    EXPECT_EQ(contents.systemId, 0x1111);
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::owner_all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    ASSERT_TRUE(StampDownloadImage(path, 0xBEEF));
    std::vector<uint8_t> stamped = ReadFileBytes(path);
    ASSERT_TRUE(DecodeDownloadImage(stamped.data(), stamped.size(), contents));
    EXPECT_EQ(contents.systemId, 0xBEEF);
    EXPECT_TRUE(std::equal(image.begin() + 10, image.end(), stamped.begin() + 10));
    EXPECT_FALSE(StampDownloadImage(dir / "absent.zbd", 1));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(DownloadImageTest, FailuresShowTheirMessages)
{
    std::ofstream(dir / "a-file");   // where the folder should be
    auto path = dir / "a-file" / kDownloadImageName;
    EXPECT_FALSE(PrepareDownloadImage(*doc, 1, path, prompter));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "\"" + path.string() + "\": Creating error \r\n");
    EXPECT_EQ(prompter.shown[0].title, "Notice");

    prompter.shown.clear();
    doc->m_bLoaded = false;
    EXPECT_FALSE(PrepareDownloadImage(*doc, 1, dir / kDownloadImageName, prompter));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Error : Downloading Processe"});
    EXPECT_FALSE(std::filesystem::exists(dir / kDownloadImageName));
}

TEST(DownloadImagePath, JoinsTheStartDirectoryWithTheName)
{
    EXPECT_EQ(DownloadImagePath("/start/dir"), std::filesystem::path("/start/dir/~m700rx.zbd"));
}

}  // namespace
