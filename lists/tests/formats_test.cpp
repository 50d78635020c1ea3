// The lists of other receivers: positions from names, VDR's channels.conf, the lamedb folder
// and M3U, each written and read back; imports into the demo settings, random documents,
// a full STB, and names the STB's 8-bit form cannot hold.
#include "lists/list_formats.h"
#include "lists/list_import.h"
#include "lists/list_m3u.h"
#include "lists/list_vdr.h"
#include "lists/svc_match.h"

#include "common/latin1_utf8.h"
#include "editing/edit_common.h"
#include "editing/sat_edit.h"
#include "editing/svc_edit.h"
#include "editing/testing/random_document.h"
#include "settings/demo_settings.h"
#include "settings/image_codec.h"
#include "settings/service_purge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>

namespace {

using namespace lists;

const ListFormat& Vdr() { return *FindListFormat("vdr"); }
const ListFormat& Lamedb() { return *FindListFormat("lamedb"); }

std::unique_ptr<COrvanel1Doc> Demo(DemoOptions options = {})
{
    auto doc = std::make_unique<COrvanel1Doc>();
    BuildDemoSettings(*doc, options);
    return doc;
}

// The settings as the STB would get them.
std::vector<uint8_t> Image(COrvanel1Doc& doc)
{
    EXPECT_TRUE(InverseParseImage(doc));
    return doc.m_Snapshot;
}

bool Has(const std::vector<std::string>& notes, const std::string& part)
{
    return std::any_of(notes.begin(), notes.end(), [&](const std::string& n) { return n.find(part) != std::string::npos; });
}

size_t CountHaving(const std::vector<std::string>& notes, const std::string& part)
{
    return std::count_if(notes.begin(), notes.end(), [&](const std::string& n) { return n.find(part) != std::string::npos; });
}

ImportReport Import(COrvanel1Doc& doc, const ListFormat& format, const FolderFiles& files,
                    const std::map<std::string, OrbitalPosition>& given = {}, PositionQuestion* question = nullptr)
{
    CSatPlaces places(doc, given, question);
    ImportReport report;
    std::string error;
    EXPECT_TRUE(ImportList(doc, format, files, places, report, error)) << error;
    return report;
}

ListExport Export(const COrvanel1Doc& doc, const ListFormat& format, const std::map<std::string, OrbitalPosition>& given = {})
{
    CSatPlaces places(doc, given, nullptr);
    return ExportList(doc, format, places);
}

// What a list keeps of a service, by list and position.
struct Kept {
    std::string name, sat;
    uint32_t freq;
    uint8_t polar;
    uint16_t svcId, pmt, pcr, video, audio;
    uint8_t scrambled;
    friend bool operator==(const Kept&, const Kept&) = default;
};

std::vector<Kept> KeptOf(const COrvanel1Doc& doc, SvcKind kind)
{
    std::vector<Kept> kept;
    for (uint32_t i = 0; i < CountOf(doc, kind); ++i) {
        const SvcRecord& s = ListOf(doc, kind)[i];
        const TpData* tp = TpOf(doc, s);
        kept.push_back({SvcNameOf(doc, s), SatName(doc, s.satIdx), tp ? tp->freq : 0, tp ? tp->polar : uint8_t(0),
                        s.svcId, s.pmtPid, s.pcrPid, s.videoPid, s.audioPid, s.scrambled});
    }
    return kept;
}

// The document without services (the satellites, TPs and group names stay).
void RemoveServices(COrvanel1Doc& doc)
{
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        std::vector<uint32_t> all(CountOf(doc, kind));
        std::iota(all.begin(), all.end(), 0u);
        Appl_MarkSvc(doc, kind, all);
    }
    Appl_PurgeMarkedSvc(doc);
}

TEST(SatPosition, ComesFromTheNameOrIsRefused)
{
    EXPECT_EQ(PositionFromName("Astra 19.2E"), 192);
    EXPECT_EQ(PositionFromName("Thor 1W"), -10);
    EXPECT_EQ(PositionFromName("Thor 0.8W"), -8);
    EXPECT_EQ(PositionFromName("Hotbird 13e"), 130);
    EXPECT_EQ(PositionFromName("Astra 1KR/1L 19,2\xB0" "E"), 192);   // a Latin-1 degree sign
    EXPECT_EQ(PositionFromName("Intelsat (45.0E)"), 450);
    for (const char* none : {"Sat 10", "Astra", "4E4", "Badr 181E", "Nilesat 7.25W", "E", ""})
        EXPECT_FALSE(PositionFromName(none)) << none;
    EXPECT_EQ(PositionText(192), "19.2E");
    EXPECT_EQ(PositionText(-8), "0.8W");
    EXPECT_EQ(PositionText(130), "13E");
}

TEST(VdrList, ReadsLinesGroupsAndRepeats)
{
    const std::string text =
        "\xEF\xBB\xBF" "Das Erste HD,Erste;ARD:11494:HC23M5O35P0S1:S19.2E:22000:5101=27:5102=deu@3,5103=mis@3;5106=deu@106:"
        "5104;5105=deu:0:10301:1:1019:0\r\n"
        ":@100 Sender\r\n"
        "Radio|Eins;Berlin, Brandenburg:12265:hC34M2S0:S19.2E:27500:0+701:0;702=deu@106:0:1702,98C:28430:1:1093:0\r\n"
        "Kabel 1:346:M64:C:6900:511:512:0:0:17502:0:0:0\n"
        "broken:line\n"
        ":\n"
        "Das Erste HD,Erste;ARD:11494:HC23M5O35P0S1:S19.2E:22000:5101=27:5102:5104:0:10301:1:1019:0\n"
        "Links:10773:L:S5W:22000:100:101:0:0:1:0:0:0\n";
    ForeignList list;
    std::string error;
    ASSERT_TRUE(ReadVdr(text, list, error)) << error;
    ASSERT_EQ(list.services.size(), 3u);
    const ForeignSvc& erste = list.services[0];
    EXPECT_EQ(erste.name, "Das Erste HD");
    EXPECT_EQ(erste.provider, "ARD");
    EXPECT_EQ(erste.kind, kTvKind);
    EXPECT_EQ(erste.tp.position, 192);
    EXPECT_EQ(erste.tp.freq, 11494u);
    EXPECT_EQ(erste.tp.polar, 1);
    EXPECT_EQ(erste.tp.sr, 22000u);
    EXPECT_EQ(erste.tp.s2, (DvbS2Params{1, 2, 2, 0, 0}));
    EXPECT_EQ(erste.svcId, 10301);
    EXPECT_EQ(erste.videoPid, 5101);
    EXPECT_EQ(erste.pcrPid, 5101);
    EXPECT_EQ(erste.audioPid, 5102);
    EXPECT_EQ(erste.pmtPid, 0);
    EXPECT_EQ(erste.scrambled, false);
    const ForeignSvc& radio = list.services[1];
    EXPECT_EQ(radio.name, "Radio:Eins");
    EXPECT_EQ(radio.provider, "Berlin, Brandenburg");
    EXPECT_EQ(radio.kind, kRadioKind);
    EXPECT_EQ(radio.pcrPid, 701);
    EXPECT_EQ(radio.audioPid, 702);   // the Dolby PID when no other
    EXPECT_EQ(radio.scrambled, true);
    EXPECT_FALSE(radio.tp.s2);
    EXPECT_EQ(list.services[2].tp.position, -50);
    EXPECT_EQ(list.services[2].tp.polar, 1);
    // The repeated line is a member of the group it stands in, not a second service.
    ASSERT_EQ(list.groups.size(), 1u);
    EXPECT_EQ(list.groups[0].name, "Sender");
    EXPECT_EQ(list.groups[0].members, (std::vector<uint32_t>{1, 0, 2}));
    EXPECT_TRUE(Has(list.notes, "line 4 skipped: not a satellite channel (source \"C\")"));
    EXPECT_TRUE(Has(list.notes, "line 5 skipped: not a channel line (2 fields, 13 needed)"));
    EXPECT_TRUE(Has(list.notes, "1 lines of circular polarization"));

    ForeignList none;
    EXPECT_FALSE(ReadVdr(":Only a group\n\n", none, error));
    EXPECT_EQ(error, "the file holds no channel");
    EXPECT_FALSE(ReadVdr(std::string("\x7F" "ELF\x01\x02:\x00:\xFF", 10), none, error));
}

TEST(VdrList, NamesKeepTheirCommasAndColons)
{
    ForeignList list;
    ForeignSvc svc;
    svc.where = "TV 1";
    svc.name = "News, Weather: Now";
    svc.provider = "A:B";
    svc.tp = {130, 11000, 1, 27500, 0, {}};
    svc.svcId = 7;
    svc.videoPid = 100;
    svc.pcrPid = 0;
    svc.audioPid = 101;
    list.services = {svc, svc};
    list.services[1].name = "Semi;colon";
    list.services[1].svcId = 8;
    std::vector<std::string> notes;
    const std::string text = WriteVdr(list, notes);
    EXPECT_EQ(text.substr(0, text.find('\n')), "News, Weather| Now,;A|B:11000:HS0:S13E:27500:100+0:101:0:0:7:0:0:0");
    EXPECT_TRUE(Has(notes, "TV 1: \"Semi;colon\" holds a line end or ';', written as a space"));
    ForeignList back;
    std::string error;
    ASSERT_TRUE(ReadVdr(text, back, error)) << error;
    EXPECT_EQ(back.services[0].name, svc.name);
    EXPECT_EQ(back.services[0].provider, svc.provider);
    EXPECT_EQ(back.services[0].pcrPid, 0);
    EXPECT_EQ(back.services[1].name, "Semi colon");
}

class DemoLists : public ::testing::TestWithParam<const char*> {};

// An export read back into the same settings changes nothing; into settings without
// services it brings back every service it can carry, in order, with the groups.
TEST_P(DemoLists, ExportThenImportGivesTheSameServicesOrderAndGroups)
{
    const ListFormat& format = *FindListFormat(GetParam());
    auto doc = Demo({.modelId = 13});
    Appl_ChangeSvcName(*doc, kTvKind, 1, "Caf\xE9 \xC4\xD6\xDC \xFF, 1:2");   // Latin-1, and VDR's separators
    doc->m_FavCh[3].chNum[0] = 5, doc->m_FavCh[3].svcType[0] = kTvKind;       // a group of both lists
    const std::vector<uint8_t> image = Image(*doc);
    const ListExport exported = Export(*doc, format);
    const std::string& text = exported.files.at(format.folder ? "lamedb" : "");
    EXPECT_NE(text.find("Caf\xC3\xA9 \xC3\x84\xC3\x96\xC3\x9C \xC3\xBF"), std::string::npos);
    EXPECT_TRUE(Has(exported.notes, "TSID and ONID: we keep none, written as 0"));
    EXPECT_TRUE(Has(exported.notes, "scrambled services carry FFFF"));

    const ImportReport same = Import(*doc, format, exported.files);
    EXPECT_EQ(same.matched, (std::array<uint32_t, 2>{320, 120}));
    EXPECT_EQ(same.added, (std::array<uint32_t, 2>{0, 0}));
    EXPECT_EQ(same.tpsAdded + same.groupsAdded + same.groupsChanged, 0u);
    EXPECT_TRUE(same.notes.empty()) << DescribeImport(same);
    EXPECT_EQ(Image(*doc), image);

    auto empty = Demo({.modelId = 13});
    RemoveServices(*empty);
    const ImportReport fresh = Import(*empty, format, exported.files);
    if (!format.keeps.pmtPid) {
        EXPECT_EQ(fresh.added, (std::array<uint32_t, 2>{0, 0}));
        EXPECT_EQ(CountHaving(fresh.notes, "the file gives no PMT PID"), 440u);
        return;
    }
    EXPECT_EQ(fresh.added, (std::array<uint32_t, 2>{320, 120}));
    EXPECT_EQ(fresh.tpsAdded, 0u);
    EXPECT_EQ(fresh.groupsChanged, 4u);
    for (SvcKind kind : {kTvKind, kRadioKind})
        EXPECT_EQ(KeptOf(*empty, kind), KeptOf(*doc, kind));
    EXPECT_TRUE(std::equal(doc->m_FavCh.begin(), doc->m_FavCh.end(), empty->m_FavCh.begin()));
    EXPECT_TRUE(CheckDocInvariants(*empty).empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, DemoLists, ::testing::Values("vdr", "lamedb"));

// The test suite's random documents: satellites without a position in their name ("Sat 10")
// get one from the user; TPs close in frequency, shared names and SIDs.
TEST(RandomLists, RoundTripsLeaveEveryTableAsItWas)
{
    for (uint32_t seed : {3u, 17u, 29u}) {
        std::mt19937 rng(seed);
        RandomDocOptions options;
        options.satCount = 12;
        options.maxTpPerSat = 30;
        auto doc = MakeRandomDocument(rng, options);
        const std::map<std::string, OrbitalPosition> given{{"Sat 10", 600}, {"Sat 11", -225}};
        for (const ListFormat* format : {&Vdr(), &Lamedb()}) {
            auto copy = std::make_unique<COrvanel1Doc>(*doc);
            const ListExport exported = Export(*copy, *format, given);
            const ImportReport report = Import(*copy, *format, exported.files, given);
            EXPECT_EQ(report.matched, (std::array<uint32_t, 2>{options.tvCount, options.radioCount})) << seed;
            EXPECT_EQ(report.added[kTvKind] + report.added[kRadioKind] + report.tpsAdded, 0u) << seed;
            EXPECT_TRUE(copy->m_TvSvc == doc->m_TvSvc && copy->m_RadioSvc == doc->m_RadioSvc) << seed << format->name;
            EXPECT_TRUE(copy->m_FavCh == doc->m_FavCh && copy->m_FavCnt == doc->m_FavCnt) << seed << format->name;
            EXPECT_TRUE(copy->m_TpData == doc->m_TpData && copy->m_SvcName == doc->m_SvcName) << seed << format->name;
            EXPECT_EQ(ReferencedSvcUids(*copy), ReferencedSvcUids(*doc));
        }
        // Without the positions, their services are left out and said to be.
        const ListExport partial = Export(*doc, Vdr());
        EXPECT_TRUE(Has(partial.notes, "the satellite \"Sat 10\" has no orbital position")) << seed;
    }
}

// A position no satellite's name gives is asked once, among the satellites without one.
struct Answers : PositionQuestion {
    std::vector<std::string> asked;
    std::optional<size_t> answer;
    std::optional<size_t> SatelliteAt(const std::string& position, const std::vector<std::string>& names) override
    {
        asked.push_back(position + " of " + std::to_string(names.size()));
        return answer;
    }
    std::optional<OrbitalPosition> PositionOf(const std::string& name) override
    {
        asked.push_back(name);
        return std::nullopt;
    }
};

TEST(ListImport, AsksWhichSatelliteIsAtAPositionNoNameGives)
{
    auto doc = Demo();
    ASSERT_TRUE(Appl_EditSat(*doc, 4, "My dish", 127));   // was Turksat 42E
    auto source = Demo();
    const ListExport exported = Export(*source, Lamedb());

    Answers nobody;
    auto unanswered = std::make_unique<COrvanel1Doc>(*doc);
    const ImportReport left = Import(*unanswered, Lamedb(), exported.files, {}, &nobody);
    EXPECT_EQ(nobody.asked, (std::vector<std::string>{"42E of 1"}));
    EXPECT_EQ(CountHaving(left.notes, "no satellite at 42E"), 73u);   // 53 TV and 20 radio services
    EXPECT_EQ(left.matched, (std::array<uint32_t, 2>{267, 100}));

    Answers user;
    user.answer = 0;
    const ImportReport placed = Import(*doc, Lamedb(), exported.files, {}, &user);
    EXPECT_EQ(user.asked.size(), 1u);
    EXPECT_EQ(placed.matched, (std::array<uint32_t, 2>{320, 120}));
    EXPECT_TRUE(placed.notes.empty()) << DescribeImport(placed);
}

TEST(ListImport, IntoAFullStbAddsNothingBeyondItsLimitsAndSaysWhy)
{
    std::mt19937 rng(5);
    auto full = MakeRandomDocument(rng, FullListOptions(1450));
    const uint32_t tps = full->m_TpCnt;
    auto demo = Demo();
    const ListExport exported = Export(*demo, Lamedb());
    const ImportReport report = Import(*full, Lamedb(), exported.files);
    EXPECT_EQ(full->m_TvSvcCnt, kMaxEditTvSvc);
    EXPECT_EQ(report.added, (std::array<uint32_t, 2>{0, 50}));
    EXPECT_EQ(full->m_RadioSvcCnt, kMaxRadioSvc);
    // Thor 1W is not among the random satellites ("Thor 0.8W" is).
    EXPECT_EQ(CountHaving(report.notes, "no satellite at 1W"), 73u);
    EXPECT_EQ(CountHaving(report.notes, "the TV list is full (3490 services)"), 267u);
    EXPECT_EQ(CountHaving(report.notes, "the radio list is full (1500 services)"), 50u);
    EXPECT_GT(full->m_TpCnt, tps);   // for the radio services it took, and those alone
    EXPECT_LE(full->m_TpCnt - tps, 50u);
    EXPECT_TRUE(CheckDocInvariants(*full).empty());

    // A satellite with 255 TPs takes no new one.
    auto crowded = Demo();
    for (uint32_t f = 0; crowded->m_SatInfo[0].tpNum < kMaxTpPerSat; f += 5)
        ASSERT_GE(Appl_InsertTp(*crowded, 0, TpData{0, 1, 0, 3000 + f, 27500}), 0);
    ForeignList list;
    list.services.push_back({"line 1", "New", "", kTvKind, {192, 12999, 0, 27500, 0, {}}, 9, 100, 101, 102, 103, false});
    CSatPlaces places(*crowded, {}, nullptr);
    const ImportReport refused = ImportForeignList(*crowded, list, places);
    EXPECT_EQ(refused.notes, (std::vector<std::string>{
                                 "line 1: \"New\" (19.2E, 12999 V, service id 9): no room for another TP (2999 in all, "
                                 "255 on one satellite)"}));
}

TEST(ListImport, NamesTheStbCannotHoldAreSaid)
{
    auto doc = Demo();
    Appl_ChangeSvcName(*doc, kTvKind, 0, "Caf\xE9");
    const SvcRecord first = doc->m_TvSvc[0];
    const TpData& tp = *TpOf(*doc, first);
    ForeignList list;
    // The service we have, under a name in Greek; a new one in Cyrillic; one in Latin-1.
    list.services.push_back({"line 1", "\xCE\x95\xCE\xA1\xCE\xA4", "", kTvKind, {192, tp.freq, tp.polar, tp.sr, 0, {}},
                             first.svcId, 0, 0, 0, 0, std::nullopt});
    list.services.push_back({"line 2", "\xD0\x9F\xD0\xB5\xD1\x80\xD0\xB2\xD1\x8B\xD0\xB9 HD", "\xD0\x9E\xD0\xA0\xD0\xA2",
                             kTvKind, {192, tp.freq, tp.polar, tp.sr, 0, {}}, 4001, 0x101, 0x102, 0x102, 0x103, false});
    list.services.push_back({"line 3", "T\xC3\xA9l\xC3\xA9 \xE2\x82\xAC", "", kRadioKind, {192, tp.freq, tp.polar, tp.sr, 0, {}},
                             4002, 0x111, 0, 0, 0x113, false});
    list.groups.push_back({"\xCE\xB1\xCE\xB2 Favourites of mine", {1, 2}});
    CSatPlaces places(*doc, {}, nullptr);
    const ImportReport report = ImportForeignList(*doc, list, places);
    EXPECT_EQ(SvcNameOf(*doc, doc->m_TvSvc[0]), "Caf\xE9");
    EXPECT_EQ(SvcNameOf(*doc, doc->m_TvSvc[1]), "?????? HD");
    EXPECT_EQ(FieldText(doc->m_Provider[doc->m_TvSvc[1].providerIdx]), "???");
    EXPECT_EQ(SvcNameOf(*doc, doc->m_RadioSvc[0]), "T\xE9l\xE9 ?");
    EXPECT_EQ(report.added, (std::array<uint32_t, 2>{1, 1}));
    ASSERT_EQ(report.notes.size(), 5u) << DescribeImport(report);
    EXPECT_EQ(report.notes[0], "line 1: \"\xCE\x95\xCE\xA1\xCE\xA4\" (19.2E, " + std::to_string(tp.freq) +
                                   (tp.polar ? " H" : " V") + ", service id 1000): the STB's names cannot hold every "
                                   "character of it; the name stays \"Caf\xC3\xA9\"");
    EXPECT_NE(report.notes[1].find("stored as \"?????? HD\""), std::string::npos);
    EXPECT_NE(report.notes[2].find("stored as \"T\xC3\xA9l\xC3\xA9 ?\""), std::string::npos);
    EXPECT_EQ(report.notes[3], "group \"\xCE\xB1\xCE\xB2 Favourites of mine\": the STB's names cannot hold every "
                               "character of it");
    EXPECT_NE(report.notes[4].find("the name is cut to 11 characters"), std::string::npos);
    const FavCh& group = doc->m_FavCh[doc->m_FavCnt - 1];
    EXPECT_EQ(FieldText(group.favName), "?? Favourit");
    EXPECT_EQ(group.numOfFavCh, 2);
    EXPECT_EQ(group.svcType[1], kRadioKind);
}

TEST(LamedbList, ReadsTheFolderAndRefusesWhatIsNotOne)
{
    FolderFiles files = Export(*Demo(), Lamedb()).files;
    EXPECT_EQ(files.count("userbouquet.news.tv") + files.count("userbouquet.music.radio"), 2u);
    const std::string lamedb = files["lamedb"];
    EXPECT_NE(lamedb.find("\ts 10714000:22000000:1:0:192:2:0\n"), std::string::npos);   // vertical, 19.2E
    EXPECT_NE(lamedb.find(":3590:2:0"), std::string::npos);                             // Thor 1W
    files["bouquets.tv"] += "#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"../../etc/passwd\" ORDER BY bouquet\n"
                            "#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.gone.tv\" ORDER BY bouquet\n";
    files["userbouquet.news.tv"] += "#SERVICE 1:64:0:0:0:0:0:0:0:0::--- Marker ---\n"
                                    "#SERVICE 4097:0:1:0:0:0:0:0:0:0:http%3a//example:Stream\n"
                                    "#SERVICE 1:0:1:FFFF:0:0:C00000:0:0:0:\n";
    ForeignList list;
    std::string error;
    ASSERT_TRUE(ReadLamedb(files, list, error)) << error;
    EXPECT_EQ(list.services.size(), 440u);
    EXPECT_EQ(list.groups.size(), 4u);
    EXPECT_EQ(list.groups[0].name, "News");
    EXPECT_EQ(list.groups[0].members.size(), 8u);
    EXPECT_EQ(list.notes, (std::vector<std::string>{
                              "userbouquet.news.tv line 11: not a service of the lamedb (a stream, a nested bouquet or "
                              "unreadable)",
                              "userbouquet.news.tv line 12: a service the lamedb does not hold, or could not take",
                              "bouquets.tv: the bouquet \"../../etc/passwd\" is not in the folder",
                              "bouquets.tv: the bouquet \"userbouquet.gone.tv\" is not in the folder"}));
    const ForeignSvc& thor = list.services[5];
    EXPECT_EQ(thor.tp.position, -10);
    EXPECT_EQ(thor.pmtPid, 0x105);

    for (const auto& [text, reason] : std::vector<std::pair<std::string, std::string>>{
             {"eDVB services /3/\n", "the lamedb is not of format 4 (its first line is not \"eDVB services /4/\")"},
             {"eDVB services /4/\ntransponders\nend\nservices\nend\n", "the lamedb holds no satellite TV or radio service"}}) {
        ForeignList none;
        EXPECT_FALSE(ReadLamedb({{"lamedb", text}}, none, error));
        EXPECT_EQ(error, reason);
    }
    ForeignList none;
    EXPECT_FALSE(ReadLamedb({{"lamedb5", "eDVB services /5/\n"}}, none, error));
    EXPECT_EQ(error, "the folder holds no lamedb");
}

TEST(M3uList, HoldsNamesInOrderAndSaysWhatItLeavesOut)
{
    auto doc = Demo();
    doc->m_TvSvc[0].lock = 1;
    const ListExport exported = Export(*doc, *FindListFormat("m3u"));
    std::istringstream lines(exported.files.at(""));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "#EXTM3U");
    std::getline(lines, line);
    EXPECT_EQ(line, "#EXTINF:-1 tvg-chno=\"1\" group-title=\"TV\",Das Erste");
    size_t entries = 1;
    while (std::getline(lines, line))
        entries += line.rfind("#EXTINF:-1 ", 0) == 0;
    EXPECT_EQ(entries, 440u);
    EXPECT_TRUE(Has(exported.notes, "the lock flag (set on 1)"));
    EXPECT_TRUE(Has(exported.notes, "no stream URLs"));
    EXPECT_TRUE(Has(exported.notes, "not carried: the 4 favourite groups"));
    EXPECT_EQ(FindListFormat("m3u")->read, nullptr);
}

#ifdef ORVANEL_TEST_DATA
// VDR's example list for satellites, as Debian ships it (scripts/test-data fetches it).
TEST(VdrList, ReadsDebiansExampleList)
{
    const std::filesystem::path path =
        std::filesystem::path(ORVANEL_TEST_DATA) / "vdr/usr/share/vdr/channels.conf-examples/channels.conf.sat";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << path << " is missing: scripts/test-data fetches it";
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ForeignList list;
    std::string error;
    ASSERT_TRUE(ReadVdr(text, list, error)) << error;
    EXPECT_EQ(list.services.size(), 147u);
    EXPECT_TRUE(list.notes.empty());
    EXPECT_EQ(list.groups.size(), 14u);
    EXPECT_EQ(list.groups[0].name, "ARD und ZDF");
    EXPECT_EQ(list.groups.back().name, "Neue Kanaele");
    size_t members = 0, radio = 0, s2 = 0;
    for (const ForeignGroup& group : list.groups)
        members += group.members.size();
    for (const ForeignSvc& svc : list.services)
        radio += svc.kind == kRadioKind, s2 += svc.tp.s2.has_value();
    EXPECT_EQ(members, 143u);   // the four lines before the first group belong to none
    EXPECT_EQ(radio, 0u);   // the example holds TV channels only
    EXPECT_EQ(s2, 94u);

    // Into the demo settings: 19.2E is "Astra 19.2E"; the list has no PMT PIDs, so it adds nothing.
    auto doc = Demo();
    CSatPlaces places(*doc, {}, nullptr);
    const ImportReport report = ImportForeignList(*doc, list, places);
    EXPECT_EQ(report.added, (std::array<uint32_t, 2>{0, 0}));
    EXPECT_EQ(report.tpsAdded, 0u);
    EXPECT_EQ(CountHaving(report.notes, "the file gives no PMT PID"), 147u);
    EXPECT_EQ(report.groupsAdded, 1u);   // "Neue Kanaele", empty in the file as well
    EXPECT_EQ(CountHaving(report.notes, "none of its services could be placed"), 13u);
}
#endif

} // namespace
