// orvanel-cli end to end: the program is run as a user runs it, on real files.
#include "tools/orvanel_cli/document_json.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

class OrvanelCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("orvanel_cli_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    CliRun Cli(const std::string& args)
    {
        const std::string command = "cd " + dir.string() + " && XDG_STATE_HOME=" + (dir / "state").string() + " " +
                                    ORVANEL_CLI_PATH + " " +
                                    args + " >" + (dir / "out").string() + " 2>" + (dir / "err").string() +
                                    " </dev/null";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir / "out"), Slurp(dir / "err")};
    }
    static std::string Slurp(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string Demo(const std::string& name, const std::string& options = "")
    {
        const std::string path = (dir / name).string();
        EXPECT_EQ(Cli("demo -o " + path + " --side-folder " + dir.string() + " " + options).status, 0);
        return path;
    }

    fs::path dir;
};

void ExpectIntegers(const nlohmann::json& object, std::initializer_list<const char*> keys)
{
    for (const char* key : keys)
        EXPECT_TRUE(object.at(key).is_number_integer()) << key << " in " << object.dump();
}

TEST_F(OrvanelCli, DumpIsTheWholeDocumentInTheAgreedFormat)
{
    for (const char* model : {"0", "13"}) {
        const CliRun run = Cli("dump --json " + Demo("demo.std", std::string("--model ") + model));
        ASSERT_EQ(run.status, 0) << run.err;
        const auto doc = nlohmann::json::parse(run.out);
        ExpectIntegers(doc, {"modelId", "systemId", "layoutVersion"});
        EXPECT_EQ(doc["modelId"], std::stoi(model));
        const auto& counts = doc["counts"];
        EXPECT_EQ(counts["tv"], doc["tv"].size());
        EXPECT_EQ(counts["radio"], doc["radio"].size());
        EXPECT_EQ(counts["transponders"], doc["transponders"].size());
        EXPECT_EQ(counts["favourites"], doc["favourites"].size());
        EXPECT_GE(doc["satellites"].size(), counts["satellites"].get<size_t>());

        const auto& sat = doc["satellites"][0];
        EXPECT_EQ(sat["name"], "Astra 19.2E");
        ASSERT_EQ(sat["lnb"].size(), 2u);
        ExpectIntegers(sat["lnb"][1], {"lnbPower", "sw12V", "diseqc10", "dualLo", "tone22k", "loFreq", "loFreq2",
                                       "positionIdx", "tunerMode", "diseqc11"});
        ExpectIntegers(doc["tv"][0], {"slot", "satIdx", "tpIdx", "tunerNum", "skip", "lock", "scrambled", "svcId",
                                      "pmtPid", "pcrPid", "videoPid", "audioPid", "providerIdx", "renameFlag",
                                      "soundMode"});
        EXPECT_EQ(doc["tv"][0]["name"], "Das Erste");
        const auto& tp = doc["transponders"][0];
        ExpectIntegers(tp, {"index", "satIdx", "polar", "tpMode", "freq", "sr", "tpWord1"});
        EXPECT_EQ(tp.contains("modulation_system"), std::string(model) == "13");
        EXPECT_EQ(doc["favourites"][0]["members"][0].size(), 2u);
        EXPECT_EQ(doc["timers"].size(), 1u);
        EXPECT_EQ(doc["epg"].size(), std::string(model) == "13" ? 0u : 1u);
        EXPECT_EQ(doc["providers"][3]["name"], "BBC");
        ExpectIntegers(doc["etc"], {"lastTvSvc", "lastRadioSvc", "altTvSvc", "altRadioSvc", "curFavGroup", "replaceIdx"});
    }
}

TEST(DocumentJson, NamesMapBytesToTheFirst256CodePoints)
{
    const char name[] = {'C', char(0xE9), char(0xFF), char(0x7F), 'x', 0, 'y'};
    const std::string utf8 = Latin1ToUtf8(name, sizeof name);
    EXPECT_EQ(utf8, "C\u00E9\u00FF\x7Fx");
    EXPECT_EQ(Latin1ToUtf8(name, 1), "C");   // a fixed field without NUL ends at its width
}

TEST_F(OrvanelCli, VerifyAndInfoTellGoodFromBad)
{
    const std::string good = Demo("good.std");
    EXPECT_EQ(Cli("verify " + good).status, 0);
    const CliRun info = Cli("info " + good);
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("TV services    320"), std::string::npos) << info.out;

    std::ofstream(dir / "bad.std") << "not a settings file at all, but long enough to have a header of 64 bytes....";
    const CliRun bad = Cli("verify " + (dir / "bad.std").string());
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Notice: This is not a KELU file\nNotice: File Struct Error\n");
    const std::string missing = (dir / "missing.std").string();
    EXPECT_EQ(Cli("info " + missing).err,
              "Notice: Open Error \"" + missing + "\": No such file or directory\nNotice: File Struct Error\n");
    EXPECT_NE(Cli("dump --json " + (dir / "bad.std").string()).status, 0);
}

TEST_F(OrvanelCli, ResaveReplacesOrWritesBeside)
{
    const std::string path = Demo("demo.std");
    ASSERT_EQ(Cli("resave " + path + " --side-folder " + dir.string()).status, 0);
    const std::string once = Slurp(path);
    ASSERT_EQ(Cli("resave " + path + " -o " + (dir / "copy.std").string() + " --side-folder " + dir.string()).status, 0);
    EXPECT_EQ(Slurp(dir / "copy.std"), once);
    EXPECT_EQ(Cli("verify " + (dir / "copy.std").string()).status, 0);
    EXPECT_EQ(Cli("dump --json " + path).out, Cli("dump --json " + (dir / "copy.std").string()).out);
    EXPECT_NE(Cli("resave " + (dir / "missing.std").string()).status, 0);
}

TEST_F(OrvanelCli, EveryCommandExplainsItself)
{
    for (const char* command : {"info", "verify", "dump", "resave", "demo"}) {
        const CliRun run = Cli(std::string(command) + " --help");
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_NE(run.out.find("Usage"), std::string::npos) << command;
    }
    EXPECT_EQ(Cli("").status, 2);
    EXPECT_EQ(Cli("dump " + Demo("d.std")).status, 2);   // --json is the only format
    EXPECT_EQ(Cli("info --bogus x.std").status, 2);
    EXPECT_EQ(Cli("upload -o up.std").status, 2);      // no link named
    const CliRun help = Cli("resave --help");
    EXPECT_NE(help.out.find(".local/state/orvanel"), std::string::npos) << help.out;
}

TEST_F(OrvanelCli, FailuresNameTheFileAndTheReasonAndExitNonZero)
{
    const std::string demo = Demo("demo.std");
    const std::string before = Slurp(demo);
    const std::string side = (dir / "eeprom.dat").string();
    CliRun run = Cli("resave " + demo + " -o " + side + " --side-folder " + dir.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("Notice: Cannot Create or Open File! \"" + side + "\": "), 0u) << run.err;

    for (const std::string command : {" info ", " dump --json "}) {
        const int status = std::system((ORVANEL_CLI_PATH + command + demo + " >/dev/full 2>/dev/null").c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1) << command;
    }
    EXPECT_EQ(Slurp(demo), before);
}

TEST_F(OrvanelCli, SideFilesGoToTheStateFolderNotTheCurrentOne)
{
    const std::string path = (dir / "demo.std").string();
    ASSERT_EQ(Cli("demo -o " + path).status, 0);
    EXPECT_TRUE(fs::exists(dir / "state" / "orvanel" / "flash.dat"));
    ASSERT_EQ(Cli("resave " + path + " --side-folder " + (dir / "chosen").string()).status, 0);
    EXPECT_TRUE(fs::exists(dir / "chosen" / "eeprom.dat"));
    EXPECT_FALSE(fs::exists(dir / "eeprom.dat"));
}

}  // namespace
