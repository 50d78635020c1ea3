#include "settings/checksum.h"
#include "settings/demo_settings.h"
#include "settings/flash_pack.h"
#include "common/testing/scripted_prompter.h"
#include "settings/settings_file.h"
#include "settings/model_traits.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

class SettingsFileTest : public ::testing::Test {
protected:

    std::unique_ptr<COrvanel1Doc> NewDoc()
    {
        auto doc = std::make_unique<COrvanel1Doc>();
        doc->m_pPrompter = &prompter;
        doc->m_SideFileFolder = dir;
        return doc;
    }
    fs::path SaveDemo(const DemoOptions& options, const std::string& name = "demo.std")
    {
        auto doc = NewDoc();
        BuildDemoSettings(*doc, options);
        EXPECT_EQ(SaveSettingsFile(*doc, dir / name), SettingsFileResult::Ok);
        return dir / name;
    }
    std::vector<std::string> Open(const fs::path& path, std::unique_ptr<COrvanel1Doc>& doc)
    {
        doc = NewDoc();
        prompter.shown.clear();
        // Opened exactly when nothing was said.
        const bool opened = Appl_OpenSettingsFile(*doc, path);
        EXPECT_EQ(opened, prompter.shown.empty()) << path;
        return prompter.Texts();
    }

    testing_support::TempFolder temp{"settings_file"};
    fs::path dir = temp.Path();
    ScriptedPrompter prompter;
};

struct VariantCase {
    uint8_t modelId;
    uint8_t layoutVersion;
};

class SettingsFileVariants : public SettingsFileTest, public ::testing::WithParamInterface<VariantCase> {};

TEST_P(SettingsFileVariants, LoadThenSaveReproducesTheFile)
{
    const fs::path first = SaveDemo({GetParam().modelId, GetParam().layoutVersion});
    auto built = NewDoc();
    BuildDemoSettings(*built, {GetParam().modelId, GetParam().layoutVersion});

    std::unique_ptr<COrvanel1Doc> doc;
    ASSERT_TRUE(Open(first, doc).empty());
    ASSERT_TRUE(doc->m_bLoaded);
    EXPECT_EQ(doc->m_ModelId, GetParam().modelId);
    EXPECT_EQ(doc->m_TvSvcCnt, built->m_TvSvcCnt);
    EXPECT_EQ(doc->m_RadioSvcCnt, built->m_RadioSvcCnt);
    EXPECT_EQ(doc->m_TpCnt, built->m_TpCnt);
    for (uint32_t i = 0; i < doc->m_TvSvcCnt; ++i)
        ASSERT_EQ(doc->m_TvSvc[i], built->m_TvSvc[i]) << "TV " << i;
    for (uint32_t i = 0; i < doc->m_TpCnt; ++i)
        ASSERT_EQ(doc->m_TpData[i], built->m_TpData[i]) << "TP " << i;
    EXPECT_EQ(doc->m_FavCh, built->m_FavCh);
    EXPECT_EQ(doc->m_Timer, built->m_Timer);
    EXPECT_EQ(doc->m_EpgReserve, built->m_EpgReserve);

    // The first load marks the unused service slots deleted, as the STB's own images are;
    // from then on a file loads and saves to itself.
    ASSERT_EQ(SaveSettingsFile(*doc, dir / "second.std"), SettingsFileResult::Ok);
    std::unique_ptr<COrvanel1Doc> again;
    ASSERT_TRUE(Open(dir / "second.std", again).empty());
    ASSERT_EQ(SaveSettingsFile(*again, dir / "third.std"), SettingsFileResult::Ok);
    const Bytes a = ReadFileBytes(dir / "second.std"), b = ReadFileBytes(dir / "third.std");
    ASSERT_EQ(a.size(), kSettingsFileSize);
    EXPECT_TRUE(a == b);
    EXPECT_EQ(ReadFileBytes(dir / "flash.dat"), Bytes(b.begin() + 64, b.begin() + 64 + kPackedFlashSize));
    EXPECT_EQ(ReadFileBytes(dir / "eeprom.dat"), Bytes(b.end() - kEepromSize, b.end()));
    EXPECT_EQ(fs::file_size(dir / "UNpackFlash-InverseParsing.dat"), kSettingsAreaSize);
}

INSTANTIATE_TEST_SUITE_P(EveryVariant, SettingsFileVariants,
                         ::testing::Values(VariantCase{0, 0x25}, VariantCase{0, 0x27}, VariantCase{10, 0x27},
                                           VariantCase{8, 0x25}, VariantCase{12, 0x25}, VariantCase{13, 0x25}));

TEST_F(SettingsFileTest, HeaderCarriesTheModelsHeaderCopy)
{
    for (uint8_t model : {uint8_t(12), uint8_t(0)}) {
        const Bytes file = ReadFileBytes(SaveDemo({model}));
        const uint32_t headerLength = model == 12 ? 36 : 32;
        EXPECT_EQ(std::string(file.begin(), file.begin() + 8), "ZeNoBrIx");
        EXPECT_EQ(GetBe16(&file[8]), 2);
        EXPECT_EQ(GetBe16(&file[10]), 0x2203);
        // The copy equals the packed image's own header; the rest up to 64 is 0xFF.
        EXPECT_TRUE(std::equal(file.begin() + 12, file.begin() + 12 + headerLength, file.begin() + 64));
        EXPECT_EQ(file[12 + 7], model);
        for (uint32_t i = 12 + headerLength; i < 64; ++i)
            EXPECT_EQ(file[i], 0xFF) << i;
    }
}

TEST_F(SettingsFileTest, RejectedFilesNameTheirFault)
{
    std::unique_ptr<COrvanel1Doc> doc;
    EXPECT_EQ(Open(dir / "missing.std", doc), (std::vector<std::string>{"Open Error", "File Struct Error"}));
    EXPECT_EQ(prompter.shown[0].title, "Notice");

    const Bytes good = ReadFileBytes(SaveDemo({}));
    Bytes bad = good;
    bad[0] = 'X';
    WriteFileBytes(dir / "bad.std", bad);
    EXPECT_EQ(Open(dir / "bad.std", doc), (std::vector<std::string>{"This is not a KELU file", "File Struct Error"}));

    bad = good;
    PutBe16(&bad[8], 1);
    WriteFileBytes(dir / "bad.std", bad);
    EXPECT_EQ(Open(dir / "bad.std", doc),
              (std::vector<std::string>{"This is not matching a file version", "File Struct Error"}));

    for (size_t length : {size_t(64), size_t(40), size_t(64 + 1000), size_t(kSettingsFileSize - 1)}) {
        WriteFileBytes(dir / "short.std", Bytes(good.begin(), good.begin() + length));
        EXPECT_EQ(Open(dir / "short.std", doc), (std::vector<std::string>{"Read Error", "File Struct Error"}))
            << length;
        EXPECT_FALSE(doc->m_bLoaded);
    }
}

TEST_F(SettingsFileTest, SystemIdMismatchGivesTheVariantsMessage)
{
    for (auto [model, text] : {std::pair<uint8_t, const char*>{0, "Invalid ModelId"}, {10, "Invalid ModelId Dravion"},
                               {12, "Invalid ModelId ST"}, {13, "Invalid ModelId ST71xx"}}) {
        Bytes file = ReadFileBytes(SaveDemo({model}));
        PutBe16(&file[10], 0x2204);
        WriteFileBytes(dir / "other.std", file);
        std::unique_ptr<COrvanel1Doc> doc;
        EXPECT_EQ(Open(dir / "other.std", doc), (std::vector<std::string>{text, "UnpackFlash error", "File Struct Error"}));
        EXPECT_FALSE(doc->m_bLoaded);
    }
}

TEST_F(SettingsFileTest, BrokenSectionFailsWithoutAMessageOfItsOwn)
{
    // A valid packed image of a settings area whose TV section checksum is wrong.
    auto doc = NewDoc();
    BuildDemoSettings(*doc, {});
    ASSERT_EQ(SaveSettingsFile(*doc, dir / "demo.std"), SettingsFileResult::Ok);
    std::unique_ptr<COrvanel1Doc> loaded;
    ASSERT_TRUE(Open(dir / "demo.std", loaded).empty());
    loaded->m_SettingsArea[0] ^= 0xFF;   // stored TV checksum
    loaded->m_TvSvc = {};                // keeps the encoder from rewriting the frame
    ASSERT_TRUE(PackFlash(*loaded));
    Bytes file = ReadFileBytes(dir / "demo.std");
    std::copy(loaded->m_RePackedFlash.begin(), loaded->m_RePackedFlash.end(), file.begin() + 64);
    WriteFileBytes(dir / "broken.std", file);
    EXPECT_EQ(Open(dir / "broken.std", loaded), (std::vector<std::string>{"File Struct Error"}));
    EXPECT_FALSE(loaded->m_bLoaded);
}

TEST_F(SettingsFileTest, FailedSaveKeepsThePreviousFile)
{
    const fs::path path = SaveDemo({});
    const Bytes before = ReadFileBytes(path);
    std::unique_ptr<COrvanel1Doc> doc;
    ASSERT_TRUE(Open(path, doc).empty());
    doc->m_TvSvc[0].svcId ^= 0x5555;

    // A disk that fills up half-way: writes past 70000 bytes fail.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 70000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SettingsFileResult result = SaveSettingsFile(*doc, path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result, SettingsFileResult::Fail);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Cannot Create or Open File!"}));
    EXPECT_TRUE(ReadFileBytes(path) == before);
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().extension(), entry.path() == path ? ".std" : ".dat") << entry.path();
}

TEST_F(SettingsFileTest, OnlyLoadedDocumentsAreSaved)
{
    auto doc = NewDoc();
    EXPECT_EQ(SaveSettingsFile(*doc, dir / "empty.std"), SettingsFileResult::Fail);
    EXPECT_FALSE(fs::exists(dir / "empty.std"));

    BuildDemoSettings(*doc, {});
    doc->ClearSettings();
    EXPECT_FALSE(doc->m_bLoaded);
    EXPECT_EQ(SaveSettingsFile(*doc, dir / "empty.std"), SettingsFileResult::Fail);
    EXPECT_FALSE(fs::exists(dir / "empty.std"));
}

TEST_F(SettingsFileTest, UnwritableSideFileFailsBeforeTheFileIsWritten)
{
    auto doc = NewDoc();
    BuildDemoSettings(*doc, {});
    fs::create_directories(dir / "flash.dat");   // a folder where the side file should go
    EXPECT_EQ(SaveSettingsFile(*doc, dir / "demo.std"), SettingsFileResult::Fail);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Cannot Create or Open File!"}));
    EXPECT_FALSE(fs::exists(dir / "demo.std"));
}

}  // namespace
