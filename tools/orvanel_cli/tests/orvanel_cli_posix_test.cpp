// orvanel-cli end to end: the program is run as a user runs it, on real files.
#include "tools/orvanel_cli/document_json.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
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

    // The program with args, ended after a minute so that a hang fails the test (status 124).
    std::string Command(const std::string& args) const
    {
        return "cd " + dir.string() + " && XDG_STATE_HOME=" + (dir / "state").string() + " timeout -k 5 60 " +
               program + " " + args + " 2>" + (dir / "err").string() + " </dev/null";
    }
    CliRun Cli(const std::string& args)
    {
        const int status = std::system((Command(args) + " >" + (dir / "out").string()).c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing_support::ReadFileText(dir / "out"), testing_support::ReadFileText(dir / "err")};
    }
    std::string Demo(const std::string& name, const std::string& options = "")
    {
        const std::string path = (dir / name).string();
        EXPECT_EQ(Cli("demo -o " + path + " --side-folder " + dir.string() + " " + options).status, 0);
        return path;
    }

    std::string program = ORVANEL_CLI_PATH;
    testing_support::TempFolder temp{"orvanel_cli"};
    fs::path dir = temp.Path();
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
    const std::string once = testing_support::ReadFileText(path);
    ASSERT_EQ(Cli("resave " + path + " -o " + (dir / "copy.std").string() + " --side-folder " + dir.string()).status, 0);
    EXPECT_EQ(testing_support::ReadFileText(dir / "copy.std"), once);
    EXPECT_EQ(Cli("verify " + (dir / "copy.std").string()).status, 0);
    EXPECT_EQ(Cli("dump --json " + path).out, Cli("dump --json " + (dir / "copy.std").string()).out);
    EXPECT_NE(Cli("resave " + (dir / "missing.std").string()).status, 0);
}

TEST_F(OrvanelCli, EveryCommandExplainsItself)
{
    for (const char* command : {"info", "verify", "dump", "resave", "demo", "diff", "export", "import", "apply-reference",
                                "update-tps"}) {
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
    const std::string before = testing_support::ReadFileText(demo);
    const std::string side = (dir / "eeprom.dat").string();
    CliRun run = Cli("resave " + demo + " -o " + side + " --side-folder " + dir.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("Notice: Cannot Create or Open File! \"" + side + "\": "), 0u) << run.err;

    for (const std::string command : {" info ", " dump --json "}) {
        const int status = std::system((ORVANEL_CLI_PATH + command + demo + " >/dev/full 2>/dev/null").c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1) << command;
    }
    EXPECT_EQ(testing_support::ReadFileText(demo), before);
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

namespace {

// Swaps two CRLF lines of a text (0-based).
std::string SwapLines(const std::string& text, size_t x, size_t y)
{
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < text.size(); at = end + 2)
        end = text.find("\r\n", at), lines.push_back(text.substr(at, end - at));
    std::swap(lines[x], lines[y]);
    std::string joined;
    for (const std::string& line : lines)
        joined += line + "\r\n";
    return joined;
}

} // namespace

TEST_F(OrvanelCli, ListsGoThroughASpreadsheetAndBackAndCarryOntoAnotherFile)
{
    const std::string loaded = (dir / "loaded.std").string(), csv = (dir / "list.csv").string();
    const std::string side = " --side-folder " + dir.string();
    ASSERT_EQ(Cli("resave " + Demo("demo.std") + " -o " + loaded + side).status, 0);
    ASSERT_EQ(Cli("export --csv " + loaded + " -o " + csv).status, 0);
    EXPECT_EQ(Cli("export --csv " + loaded).out, testing_support::ReadFileText(csv));
    CliRun run = Cli("import --csv " + csv + " " + loaded + " -o same.std" + side);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(testing_support::ReadFileText(dir / "same.std"), testing_support::ReadFileText(loaded));   // an unedited list changes nothing

    // The spreadsheet swaps TV 1 and TV 2 and renames TV 3.
    std::string edited = SwapLines(testing_support::ReadFileText(csv), 1, 2);
    const size_t name = edited.find(",", edited.find("\r\nTV,3,") + 7);
    edited.insert(name, " \xC3\x9C");
    std::ofstream(csv, std::ios::binary) << edited;
    ASSERT_EQ(Cli("import --csv " + csv + " " + loaded + " -o edited.std" + side).status, 0);
    run = Cli("diff --json " + loaded + " edited.std");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto diff = nlohmann::json::parse(run.out);
    ASSERT_EQ(diff["tv"]["changed"].size(), 2u);
    EXPECT_TRUE(diff["tv"]["changed"][0]["moved"]);
    EXPECT_TRUE(diff["tv"]["changed"][1]["renamed"]);
    EXPECT_NE(diff["tv"]["changed"][1]["new"]["name"].get<std::string>().find(" \xC3\x9C"), std::string::npos);
    EXPECT_NE(Cli("diff " + loaded + " edited.std").out.find("TV: 0 added, 0 removed, 1 moved, 1 renamed"),
              std::string::npos);

    // The edited file as the reference of the unedited one gives the edited order and name.
    run = Cli("apply-reference edited.std " + loaded + " -o applied.std" + side);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("TV: 320 matched"), std::string::npos) << run.out;
    EXPECT_TRUE(nlohmann::json::parse(Cli("diff --json edited.std applied.std").out)["tv"]["changed"].empty());
}

TEST_F(OrvanelCli, ListCommandsRefuseBadInputAndWriteNothing)
{
    const std::string demo = Demo("demo.std"), csv = (dir / "list.csv").string();
    ASSERT_EQ(Cli("export --csv " + demo + " -o " + csv).status, 0);
    std::string text = testing_support::ReadFileText(csv);
    text.insert(text.find("\r\nTV,4,") + 2 + 5, "\xE2\x82\xAC");   // the euro sign has no Latin-1 form
    std::ofstream(csv, std::ios::binary) << text;
    CliRun run = Cli("import --csv " + csv + " " + demo + " -o out.std");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("row 5: the name"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "out.std"));
    EXPECT_EQ(Cli("import --csv missing.csv " + demo + " -o out.std").status, 1);
    EXPECT_EQ(Cli("diff " + demo + " missing.std").status, 1);
    EXPECT_EQ(Cli("apply-reference " + demo + " " + demo).status, 2);   // -o is needed
    EXPECT_FALSE(fs::exists(dir / "out.std"));

    // An output that is an input of another kind is refused, the input kept as it was.
    const std::string settings = testing_support::ReadFileText(demo);
    fs::copy_file(demo, dir / "ref.std");
    for (const std::string& args : {"export --csv " + demo + " -o ./demo.std", "import --csv " + csv + " " + demo + " -o " + csv,
                                    "apply-reference ref.std " + demo + " -o ref.std"}) {
        run = Cli(args);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << run.err;
    }
    EXPECT_EQ(testing_support::ReadFileText(demo), settings);
    EXPECT_EQ(testing_support::ReadFileText(csv), text);
    EXPECT_EQ(testing_support::ReadFileText(dir / "ref.std"), settings);
}

TEST_F(OrvanelCli, ExportAsPdfPrintsOneList)
{
    const std::string demo = Demo("demo.std"), pdf = (dir / "radio.pdf").string();
    CliRun run = Cli("export --format pdf --list radio " + demo + " -o " + pdf);
    if (!ORVANEL_CLI_PDF) {
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("--format pdf needs liborvanel-pdf.so"), std::string::npos) << run.err;
        return;
    }
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> pages = testing_support::PdfPages(pdf);
    ASSERT_GT(pages.size(), 1u) << "120 radio services take more than one page";
    for (size_t p = 0; p < pages.size(); ++p) {
        EXPECT_NE(pages[p].find("Radio Service"), std::string::npos);
        EXPECT_NE(pages[p].find("CAS/FTA"), std::string::npos) << "the header row on page " << p + 1;
    }
    EXPECT_NE(pages.front().find("demo.std \u2014 120 services"), std::string::npos) << pages.front();
    EXPECT_NE(pages.front().find("Bayern 3"), std::string::npos);
    const std::string count = std::to_string(pages.size());
    EXPECT_NE(pages.back().find("Page " + count + " of " + count), std::string::npos) << pages.back();

    ASSERT_EQ(Cli("export --format pdf " + demo + " --list fav:News -o news.pdf").status, 0);
    EXPECT_NE(testing_support::PdfPages(dir / "news.pdf").at(0).find("Favorite Group : News"), std::string::npos);
    ASSERT_EQ(Cli("export --format pdf " + demo + " -o tv.pdf").status, 0);
    EXPECT_NE(testing_support::PdfPages(dir / "tv.pdf").at(0).find("TV Service"), std::string::npos) << "tv by default";
}

// The command-line package links no Qt: a program without the painter module of the
// windows' package refuses a PDF, saying what it needs, and writes nothing.
TEST_F(OrvanelCli, WithoutThePainterModuleAPdfIsRefusedSayingWhatItNeeds)
{
    const std::string demo = Demo("demo.std");
    fs::create_directories(dir / "bin");
    fs::copy_file(ORVANEL_CLI_PATH, dir / "bin" / "orvanel-cli");
    fs::permissions(dir / "bin" / "orvanel-cli", fs::perms::owner_all);
    program = (dir / "bin" / "orvanel-cli").string();
    CliRun run = Cli("export --format pdf " + demo + " -o out.pdf");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("--format pdf needs liborvanel-pdf.so, the list painter of the windows' package"),
              std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "out.pdf"));
    EXPECT_EQ(Cli("export --format csv " + demo + " -o out.csv").status, 0) << run.err;
}

TEST_F(OrvanelCli, ExportAsPdfRefusesWhatItCannotPrint)
{
    const std::string demo = Demo("demo.std");
    if (!ORVANEL_CLI_PDF)
        GTEST_SKIP() << "this build has no PDF";
    CliRun run = Cli("export --format pdf --list fav:Nothing " + demo + " -o out.pdf");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no favourite group \"Nothing\" (its groups: News, Sports"), std::string::npos) << run.err;
    EXPECT_EQ(Cli("export --format pdf --list films " + demo + " -o out.pdf").status, 2);
    EXPECT_EQ(Cli("export --format pdf " + demo).status, 2) << "a PDF goes to a file";
    EXPECT_EQ(Cli("export --csv --list radio " + demo).status, 2);
    EXPECT_FALSE(fs::exists(dir / "out.pdf"));

    const std::string settings = testing_support::ReadFileText(demo);
    run = Cli("export --format pdf " + demo + " -o ./demo.std");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("nothing was written"), std::string::npos) << run.err;
    EXPECT_EQ(testing_support::ReadFileText(demo), settings);
    EXPECT_EQ(Cli("export --format csv " + demo).out, Cli("export --csv " + demo).out);
}

namespace {

// The transponder count `info` prints.
int TransponderCount(const std::string& info)
{
    const size_t at = info.find("transponders");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 12));
}

const char kHotbirdTable[] = "# two carriers\n"
                             "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11000000\n\tPOLARIZATION = HORIZONTAL\n"
                             "\tSYMBOL_RATE = 27500000\n\tINNER_FEC = 3/4\n\tMODULATION = PSK/8\n\tPILOT = ON\n\n"
                             "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11100000\n\tPOLARIZATION = VERTICAL\n"
                             "\tSYMBOL_RATE = 22000000\n\tINNER_FEC = 5/6\n";

} // namespace

TEST_F(OrvanelCli, UpdateTpsPrintsThePlanAndWritesOnlyWhenAsked)
{
    const std::string demo = Demo("demo.std", "--model 13"), table = (dir / "Hotbird-13.0E").string();
    const std::string side = " --side-folder " + dir.string();
    std::ofstream(table, std::ios::binary) << kHotbirdTable;
    const std::string before = testing_support::ReadFileText(demo);
    const int tps = TransponderCount(Cli("info " + demo).out);
    ASSERT_GT(tps, 0);

    CliRun run = Cli("update-tps " + demo + " " + table + " --satellite 2" + side);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("Satellite 2 \"Hotbird 13E\" from \"Hotbird-13.0E\": 2 to add, 0 to change"), 0u) << run.out;
    EXPECT_NE(run.out.find("  11000 MHz H 27500 kS/s DVB-S2 8PSK 3/4 pilot on  (line 2)\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Nothing was written"), std::string::npos);
    EXPECT_EQ(testing_support::ReadFileText(demo), before);

    run = Cli("update-tps " + demo + " " + table + " --satellite \"Hotbird 13E\" -o out.std" + side);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Satellite \"Hotbird 13E\": 2 transponders added, 0 changed, 0 removed"), std::string::npos);
    EXPECT_EQ(TransponderCount(Cli("info out.std").out), tps + 2);
    EXPECT_EQ(testing_support::ReadFileText(demo), before);
    run = Cli("update-tps out.std " + table + " --satellite 2");
    EXPECT_NE(run.out.find(": 0 to add, 0 to change, 2 unchanged"), std::string::npos) << run.out;

    ASSERT_EQ(Cli("update-tps " + demo + " " + table + " --satellite 2 --write" + side).status, 0);
    EXPECT_EQ(TransponderCount(Cli("info " + demo).out), tps + 2);
}

TEST_F(OrvanelCli, UpdateTpsRefusesBadTablesAndSatellitesAndWritesNothing)
{
    const std::string demo = Demo("demo.std"), table = (dir / "Hotbird-13.0E").string();
    std::ofstream(table, std::ios::binary) << kHotbirdTable;
    std::ofstream(dir / "junk", std::ios::binary) << std::string("\x7F" "ELF\x02\x01\x01\x00", 8);
    const std::string before = testing_support::ReadFileText(demo);
    const struct {
        std::string args;
        const char* error;
    } cases[] = {
        {"--satellite 9", "--satellite \"9\" is no satellite of the settings; they are:\n  1 Astra 19.2E\n"},
        {"--satellite Nowhere", "--satellite \"Nowhere\" is no satellite"},
        {"--satellite 1", "has no satellite at 19.2E, where \"Astra 19.2E\" is"},
        {"--satellite 2 -o " + table, "is the transponder table"},
    };
    for (const auto& c : cases) {
        const std::string out = c.args.find(" -o ") != std::string::npos ? "" : " -o out.std";
        const CliRun run = Cli("update-tps " + demo + " " + table + " " + c.args + out);
        EXPECT_EQ(run.status, 1) << c.args;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    }
    const CliRun run = Cli("update-tps " + demo + " junk --satellite 2 -o out.std");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("line 1: binary data, no scan table; nothing was changed"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "out.std"));
    EXPECT_EQ(testing_support::ReadFileText(demo), before);
    EXPECT_EQ(testing_support::ReadFileText(table), kHotbirdTable);
}

TEST_F(OrvanelCli, ListsOfOtherReceiversGoOutAndComeBack)
{
    const std::string loaded = (dir / "loaded.std").string(), side = " --side-folder " + dir.string();
    ASSERT_EQ(Cli("resave " + Demo("demo.std") + " -o " + loaded + side).status, 0);
    CliRun run = Cli("export --format vdr " + loaded + " -o channels.conf");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("not carried: the PMT PID"), std::string::npos) << run.out;
    EXPECT_EQ(Cli("export --format vdr " + loaded).out, testing_support::ReadFileText(dir / "channels.conf"));
    EXPECT_EQ(Cli("export --format lamedb " + loaded + " -o settings").status, 0);
    EXPECT_TRUE(fs::is_regular_file(dir / "settings" / "lamedb"));
    EXPECT_TRUE(fs::is_regular_file(dir / "settings" / "userbouquet.news.tv"));
    EXPECT_NE(Cli("export --format m3u " + loaded).out.find("#EXTINF:-1 tvg-chno=\"1\" group-title=\"TV\",Das Erste\n"),
              std::string::npos);
    for (const std::string list : {"vdr channels.conf", "lamedb settings"}) {
        run = Cli("import --format " + list + " " + loaded + " -o same.std" + side);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.rfind("TV: 320 matched, 0 added\nRadio: 120 matched, 0 added\n", 0), 0u) << run.out;
        EXPECT_EQ(testing_support::ReadFileText(dir / "same.std"), testing_support::ReadFileText(loaded)) << list;
    }
    // A satellite whose name gives no position: left out, or placed by --position.
    ASSERT_EQ(Cli("export --format vdr " + loaded + " -o renamed.conf").status, 0);
    std::string text = testing_support::ReadFileText(dir / "renamed.conf");
    for (size_t at; (at = text.find(":S42E:")) != std::string::npos;)
        text.replace(at, 6, ":S42.5E:");
    std::ofstream(dir / "renamed.conf", std::ios::binary) << text;
    run = Cli("import --format vdr renamed.conf " + loaded + " -o moved.std" + side);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("no satellite at 42.5E"), std::string::npos) << run.out;
    run = Cli("import --format vdr renamed.conf " + loaded + " -o moved.std --position \"Turksat 42E=42.5E\"" + side);
    EXPECT_EQ(run.out.rfind("TV: 320 matched", 0), 0u) << run.out;

    EXPECT_EQ(Cli("export --format lamedb " + loaded).status, 1);   // a folder needs -o
    for (const std::string& args : {"export --format pdf2 " + loaded, "export --csv --format vdr " + loaded,
                                    "import --format m3u list.m3u " + loaded + " -o out.std",
                                    "import --format vdr " + loaded + " -o out.std",
                                    "import --format vdr channels.conf " + loaded + " -o out.std --position Astra",
                                    "import --csv list.csv a.conf " + loaded + " -o out.std"})
        EXPECT_EQ(Cli(args).status, 2) << args;
    run = Cli("import --format lamedb channels.conf " + loaded + " -o out.std");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("not a folder"), std::string::npos) << run.err;
    std::ofstream(dir / "junk.conf", std::ios::binary) << "\x7F" "ELF:binary";
    run = Cli("import --format vdr junk.conf " + loaded + " -o out.std");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no line is a satellite channel the list can take; nothing was changed"), std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir / "out.std"));
}

// Whatever stands at a path the user names, the command answers at once.
TEST_F(OrvanelCli, InputsThatAreNotFilesAreRefusedAtOnce)
{
    const std::string demo = Demo("demo.std"), csv = (dir / "list.csv").string(), fifo = (dir / "fifo").string();
    ASSERT_EQ(Cli("export --csv " + demo + " -o " + csv).status, 0);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string isFifo = "\"" + fifo + "\": a FIFO, not a regular file";
    const std::pair<std::string, std::string> cases[] = {
        {"info " + fifo, isFifo},
        {"verify " + fifo, isFifo},
        {"dump --json " + fifo, isFifo},
        {"resave " + fifo + " -o out.std", isFifo},
        {"export --csv " + fifo, isFifo},
        {"diff " + demo + " " + fifo, isFifo},
        {"import --csv " + fifo + " " + demo + " -o out.std", isFifo},
        {"import --csv " + csv + " " + fifo + " -o out.std", isFifo},
        {"import --csv /dev/zero " + demo + " -o out.std", "\"/dev/zero\": a device, not a regular file"},
        {"import --csv " + dir.string() + " " + demo + " -o out.std",
         "\"" + dir.string() + "\": a folder, not a regular file"},
    };
    for (const auto& [args, error] : cases) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_NE(run.err.find(error), std::string::npos) << args << ": " << run.err;
    }
    EXPECT_FALSE(fs::exists(dir / "out.std"));
}

namespace {

// Runs the command with its standard output on a pipe whose reader has gone, as after
// `| head -1`, with SIGPIPE as a shell leaves it.
int RunIntoClosedPipe(const std::string& command)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    ::close(fds[0]);
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGPIPE, SIG_DFL);
        ::dup2(fds[1], STDOUT_FILENO);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

}  // namespace

TEST_F(OrvanelCli, ListCommandsSaveBeforeTheyReportAndNameAFailedOutput)
{
    const std::string ref = Demo("ref.std"), target = Demo("target.std"), csv = (dir / "list.csv").string();
    ASSERT_EQ(Cli("export --csv " + ref + " -o " + csv).status, 0);
    for (const std::string& args : {"apply-reference " + ref + " " + target + " -o out.std",
                                    "import --csv " + csv + " " + target + " -o out.std"}) {
        fs::remove(dir / "out.std");
        int status = RunIntoClosedPipe(Command(args));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << args << ": " << status;
        EXPECT_NE(testing_support::ReadFileText(dir / "err").find("orvanel-cli: standard output: Broken pipe"),
                  std::string::npos) << testing_support::ReadFileText(dir / "err");
        EXPECT_EQ(Cli("verify out.std").status, 0) << args;

        fs::remove(dir / "out.std");
        status = std::system((Command(args) + " >/dev/full").c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << args;
        EXPECT_EQ(testing_support::ReadFileText(dir / "err"), "orvanel-cli: standard output: No space left on device\n");
        EXPECT_EQ(Cli("verify out.std").status, 0) << args;
    }
}

// A name that holds escape sequences: a terminal shows them, it does not obey them.
TEST_F(OrvanelCli, ControlBytesInNamesReachATerminalEscaped)
{
    const std::string demo = Demo("demo.std"), csv = (dir / "list.csv").string();
    ASSERT_EQ(Cli("export --csv " + demo + " -o " + csv).status, 0);
    std::string text = testing_support::ReadFileText(csv);
    text.insert(text.find("\r\nTV,3,") + 7, "\x1b[2J\x1b]0;x\x07");
    std::ofstream(csv, std::ios::binary) << text;
    ASSERT_EQ(Cli("import --csv " + csv + " " + demo + " -o evil.std --side-folder " + dir.string()).status, 0);

    testing_support::TestPty pty;
    ASSERT_TRUE(pty.Open());
    ASSERT_EQ(std::system((Command("diff " + demo + " evil.std") + " >" + pty.SlavePath()).c_str()), 0);
    const std::string screen = pty.Drain();
    EXPECT_NE(screen.find("\\x1b[2J\\x1b]0;x\\x07"), std::string::npos) << screen;
    EXPECT_EQ(screen.find('\x1b'), std::string::npos);
    EXPECT_NE(Cli("diff " + demo + " evil.std").out.find("\x1b[2J\x1b]0;x\x07"), std::string::npos);  // a file gets the bytes
}
