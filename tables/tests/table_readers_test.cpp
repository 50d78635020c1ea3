// The two readers of transponder tables, and choosing a table's satellite.
#include "tables/dvbv5_table.h"
#include "tables/sat_xml_table.h"
#include "lists/sat_position.h"
#include "tables/table_file.h"
#include "tables/tests/table_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace tables;
using tables_testing::DvbV5Text;
using tables_testing::Tp;

const char kTwoBlocks[] =
    "\xEF\xBB\xBF# Astra 19.2E, two of its carriers\r\n"
    "[CHANNEL]\r\n"
    "\tDELIVERY_SYSTEM = DVBS\r\n"
    "\tFREQUENCY = 11836500\r\n"
    "\tPOLARIZATION = HORIZONTAL\r\n"
    "\tSYMBOL_RATE = 27500000\r\n"
    "\tINNER_FEC = 3/4\r\n"
    "\tINVERSION = AUTO\r\n"
    "\r\n"
    "[CHANNEL]\r\n"
    "  DELIVERY_SYSTEM=DVBS2\r\n"
    "  FREQUENCY = 10714000\r\n"
    "  POLARIZATION = RIGHT\r\n"
    "  SYMBOL_RATE = 22000000\r\n"
    "  INNER_FEC = 9/10\r\n"
    "  MODULATION = APSK/16\r\n"
    "  ROLLOFF = 20\r\n"
    "  PILOT = ON\r\n"
    "  STREAM_ID = 7\r\n";

TEST(DvbV5Table, ReadsEveryFieldWhateverTheLineEndsAndBlanks)
{
    TpTable table;
    TableProblem error;
    ASSERT_TRUE(ReadDvbV5Table(kTwoBlocks, table, error)) << error.Describe();
    ASSERT_EQ(table.tps.size(), 2u);
    EXPECT_TRUE(table.skipped.empty());
    const TableTp& first = table.tps[0];
    EXPECT_EQ(first.line, 2u);
    EXPECT_EQ(first.freqKHz, 11836500u);
    EXPECT_EQ(first.polar, Polarization::Horizontal);
    EXPECT_EQ(first.symbolRate, 27500000u);
    EXPECT_EQ(first.fec, Fec::R3_4);
    EXPECT_EQ(first.system, DeliverySystem::DvbS);
    EXPECT_EQ(first.modulation, Modulation::Qpsk);
    EXPECT_EQ(first.streamId, kNoStreamId);
    const TableTp& second = table.tps[1];
    EXPECT_EQ(second.line, 10u);
    EXPECT_EQ(second.polar, Polarization::Right);
    EXPECT_EQ(second.system, DeliverySystem::DvbS2);
    EXPECT_EQ(second.modulation, Modulation::Apsk16);
    EXPECT_EQ(second.fec, Fec::R9_10);
    EXPECT_EQ(second.rollOff, RollOff::R20);
    EXPECT_EQ(second.pilot, Pilot::On);
    EXPECT_EQ(second.streamId, 7);
    EXPECT_EQ(DescribeTableTp(second), "10714.000 MHz R 22000 kS/s DVB-S2 16APSK 9/10 stream 7");
}

TEST(DvbV5Table, LeavesOutEntriesWithMissingOrAbsurdValuesNamingTheirLines)
{
    const std::string good = DvbV5Text({Tp(11836500, Polarization::Horizontal, 27500000)});
    const std::string text = good +
                             "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11778000\n\tSYMBOL_RATE = 27500000\n\n"
                             "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11778\n\tPOLARIZATION = VERTICAL\n"
                             "\tSYMBOL_RATE = 27500000\n\n"
                             "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 99999999999\n\tPOLARIZATION = VERTICAL\n"
                             "\tSYMBOL_RATE = 27500000\n\n"
                             "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBT\n\tFREQUENCY = 11778000\n\tPOLARIZATION = VERTICAL\n"
                             "\tSYMBOL_RATE = 27500000\n\n"
                             "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11778000\n\tFREQUENCY = 11779000\n"
                             "\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27\n\n"
                             "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 500\n\tPOLARIZATION = VERTICAL\n"
                             "\tSYMBOL_RATE = 27500000\n";
    TpTable table;
    TableProblem error;
    ASSERT_TRUE(ReadDvbV5Table(text, table, error)) << error.Describe();
    ASSERT_EQ(table.tps.size(), 2u);
    std::vector<std::string> why;
    for (const TableProblem& p : table.skipped)
        why.push_back(p.Describe());
    EXPECT_EQ(why, (std::vector<std::string>{
                       "line 10: no POLARIZATION", "line 21: FREQUENCY \"99999999999\" is not understood",
                       "line 27: DELIVERY_SYSTEM \"DVBT\" is not understood", "line 33: FREQUENCY is given twice",
                       "line 40: FREQUENCY 500 is no satellite frequency (kHz, 950000 to 60000000)"}));
    // A frequency in MHz where kHz are due is a slip with one reading.
    ASSERT_EQ(table.mended.size(), 1u);
    EXPECT_EQ(table.mended[0].Describe(), "line 15: FREQUENCY 11778 taken as MHz");
    EXPECT_EQ(table.tps[1].freqKHz, 11778000u);
}

TEST(DvbV5Table, AStreamIdBeyondWhatOneCanBeIsLeftOutNotWrappedIntoAnother)
{
    const std::string text = DvbV5Text({Tp(11836500, Polarization::Horizontal, 27500000)}) +
                             "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11778000\n\tPOLARIZATION = VERTICAL\n"
                             "\tSYMBOL_RATE = 27500000\n\tSTREAM_ID = 2147483653\n";
    TpTable table;
    TableProblem error;
    ASSERT_TRUE(ReadDvbV5Table(text, table, error)) << error.Describe();
    EXPECT_EQ(table.tps.size(), 1u);
    ASSERT_EQ(table.skipped.size(), 1u);
    EXPECT_NE(table.skipped[0].Describe().find("STREAM_ID \"2147483653\" is not understood"), std::string::npos)
        << table.skipped[0].Describe();
}

TEST(DvbV5Table, RefusesWhatIsNoScanTable)
{
    const std::string block = DvbV5Text({Tp(11836500, Polarization::Horizontal, 27500000)});
    std::string tenThousand;
    for (int i = 0; i < 10000; ++i)
        tenThousand += tables_testing::DvbV5Block(Tp(10700000 + uint32_t(i) * 100, Polarization::Vertical, 22000000));
    std::string junk = block;
    junk.insert(40, std::string("\x00\x01\xFF\xFE", 4));
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"", "no [CHANNEL] entry: no scan table"},
        {"# only a comment\n\n", "no [CHANNEL] entry: no scan table"},
        {"FREQUENCY = 11836500\n" + block, "line 1: text before the first [CHANNEL]: no scan table"},
        {block + "this is prose\n", "line 10: neither [CHANNEL] nor KEY = VALUE"},
        {junk, "line 3: binary data, no scan table"},
        {tenThousand, "line 8001: more than 1000 transponders: no table of one satellite"},
        {"[CHANNEL]\n\tFREQUENCY = 11836500\n", "no usable transponder (line 1: no DELIVERY_SYSTEM)"},
        {"[CHANNEL]\n" + std::string(5000, 'A') + " = 1\n", "line 2: a line of more than 4096 bytes"},
    };
    for (const auto& c : cases) {
        TpTable table;
        TableProblem error;
        EXPECT_FALSE(ReadDvbV5Table(c.text, table, error)) << c.error;
        EXPECT_EQ(error.Describe(), c.error);
    }
}

const char kXml[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- two satellites -->\n"
    "<satellites>\n"
    "\t<sat name=\"Astra 1KX/1L/1M/1N (19.2&#176;E) &amp; more\" flags=\"1\" position=\"192\">\n"
    "\t\t<transponder frequency=\"11836500\" symbol_rate=\"27500000\" polarization=\"0\" fec_inner=\"3\" "
    "system=\"0\" modulation=\"1\" />\n"
    "\t\t<transponder frequency='10714000' symbol_rate='22000000' polarization='3' fec_inner='9'\n"
    "\t\t             system='1' modulation='4' rolloff='2' pilot='1' is_id='7'></transponder>\n"
    "\t\t<transponder frequency=\"11000000\" polarization=\"0\"/>\n"
    "\t</sat>\n"
    "\t<sat name=\"Thor 5/6/7 &amp; Intelsat 10-02 (1.0W)\" flags=\"1\" position=\"-8\">\n"
    "\t\t<transponder frequency=\"10716000\" symbol_rate=\"24500000\" polarization=\"0\" fec_inner=\"7\" "
    "system=\"1\" modulation=\"2\" rolloff=\"0\" pilot=\"2\"/>\n"
    "\t</sat>\n"
    "</satellites>\n";

TEST(SatellitesXml, ReadsEverySatelliteWithItsTransponders)
{
    std::vector<TpTable> sats;
    TableProblem error;
    ASSERT_TRUE(ReadSatellitesXml(kXml, sats, error)) << error.Describe();
    ASSERT_EQ(sats.size(), 2u);
    EXPECT_EQ(sats[0].name, "Astra 1KX/1L/1M/1N (19.2\xC2\xB0" "E) & more");
    EXPECT_EQ(sats[0].position, 192);
    EXPECT_EQ(sats[1].position, -8);
    ASSERT_EQ(sats[0].tps.size(), 2u);
    EXPECT_EQ(sats[0].tps[0].line, 5u);
    EXPECT_EQ(sats[0].tps[0].fec, Fec::R3_4);
    const TableTp& s2 = sats[0].tps[1];
    EXPECT_EQ(s2.line, 6u);
    EXPECT_EQ(s2.polar, Polarization::Right);
    EXPECT_EQ(s2.fec, Fec::R9_10);
    EXPECT_EQ(s2.modulation, Modulation::Apsk16);
    EXPECT_EQ(s2.rollOff, RollOff::R20);
    EXPECT_EQ(s2.pilot, Pilot::On);
    EXPECT_EQ(s2.streamId, 7);
    ASSERT_EQ(sats[0].skipped.size(), 1u);
    EXPECT_EQ(sats[0].skipped[0].Describe(), "line 8: no symbol_rate");
    EXPECT_EQ(sats[1].tps[0].fec, Fec::R3_5);
    EXPECT_EQ(sats[1].tps[0].pilot, Pilot::Auto);
}

TEST(SatellitesXml, RefusesWhatIsNotWellFormedOrTooLarge)
{
    std::string tenThousand = "<satellites><sat name=\"x\" position=\"192\">\n";
    for (int i = 0; i < 10000; ++i)
        tenThousand += "<transponder frequency=\"11000000\" symbol_rate=\"27500000\" polarization=\"0\"/>\n";
    tenThousand += "</sat></satellites>";
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"<satellites>\n<sat name=\"a\" position=\"1\">\n</satellites>", "line 3: </satellites> closes no open <satellites>"},
        {"<satellites>\n<sat name=\"a\">", "line 2: <sat> does not end"},
        {"<satellites>junk</satellites>", "line 1: text outside the elements: no satellites.xml"},
        {"<channels/>", "line 1: <channels> where <satellites> should start: no satellites.xml"},
        {"<satellites>\n<sat name=\"a\" name=\"b\"/></satellites>", "line 2: attribute name of <sat> is not well-formed"},
        {"<satellites><sat name=\"&bogus;\"/></satellites>", "line 1: attribute name of <sat> is not well-formed"},
        {"<satellites><sat name=a/></satellites>", "line 1: <sat> is not well-formed"},
        {"<satellites>\n\x01\x02</satellites>", "line 2: binary data, no satellites.xml"},
        {"<!-- open", "line 1: a declaration or comment that does not end"},
        {tenThousand, "line 1002: satellite \"x\" lists more than 1000 transponders"},
    };
    for (const auto& c : cases) {
        std::vector<TpTable> sats;
        TableProblem error;
        EXPECT_FALSE(ReadSatellitesXml(c.text, sats, error)) << c.error;
        EXPECT_EQ(error.Describe(), c.error);
    }
}

TEST(SatellitesXml, LeavesOutTranspondersWithAbsurdValues)
{
    const std::string text =
        "<satellites><sat name=\"x\" position=\"192\">\n"
        "<transponder frequency=\"0\" symbol_rate=\"27500000\" polarization=\"0\"/>\n"
        "<transponder frequency=\"11000000\" symbol_rate=\"27500000\" polarization=\"9\"/>\n"
        "<transponder frequency=\"11000000\" symbol_rate=\"-5\" polarization=\"0\"/>\n"
        "<transponder frequency=\"11000000\" symbol_rate=\"27500000\" polarization=\"1\" system=\"2\"/>\n"
        "<transponder frequency=\"12000000\" symbol_rate=\"27500000\" polarization=\"1\"/>\n"
        "</sat></satellites>";
    std::vector<TpTable> sats;
    TableProblem error;
    ASSERT_TRUE(ReadSatellitesXml(text, sats, error)) << error.Describe();
    ASSERT_EQ(sats[0].tps.size(), 1u);
    std::vector<std::string> why;
    for (const TableProblem& p : sats[0].skipped)
        why.push_back(p.Describe());
    EXPECT_EQ(why, (std::vector<std::string>{
                       "line 2: frequency 0 is no satellite frequency (kHz, 950000 to 60000000)",
                       "line 3: polarization \"9\" is not understood",
                       "line 4: frequency or symbol_rate is no number",
                       "line 5: system \"2\" is not understood"}));
}

TEST(TableFile, TellsTheFormsApartAndPicksTheSatelliteByPositionOrName)
{
    TableFile xml;
    xml.path = "satellites.xml";
    std::string error;
    ASSERT_TRUE(ParseTableText(kXml, xml, error)) << error;
    EXPECT_EQ(xml.form, TableForm::SatellitesXml);
    std::string why;
    EXPECT_EQ(PickTableSatellite(xml, {}, "Astra 19.2E", why), 0);
    EXPECT_EQ(PickTableSatellite(xml, {}, "Thor 0.8W", why), 1);
    EXPECT_EQ(PickTableSatellite(xml, "-8", "Astra 19.2E", why), 1);
    EXPECT_EQ(PickTableSatellite(xml, "0.8w", "", why), 1);
    EXPECT_EQ(PickTableSatellite(xml, "Thor 5/6/7 & Intelsat 10-02 (1.0W)", "", why), 1);
    EXPECT_EQ(PickTableSatellite(xml, {}, "Hotbird 13E", why), -1);
    EXPECT_EQ(why, "\"satellites.xml\" has no satellite at 13.0E, where \"Hotbird 13E\" is: choose the table's "
                   "satellite by its position or name");
    EXPECT_EQ(PickTableSatellite(xml, {}, "My Dish", why), -1);
    EXPECT_EQ(why, "\"My Dish\" names no orbital position: choose the table's satellite by its position or name");

    TableFile scan;
    scan.path = "/usr/share/dvb/dvb-s/Astra-19.2E";
    ASSERT_TRUE(ParseTableText(kTwoBlocks, scan, error)) << error;
    EXPECT_EQ(scan.form, TableForm::DvbV5);
    EXPECT_EQ(scan.sats[0].position, 192);
    EXPECT_EQ(PickTableSatellite(scan, {}, "Astra 19.2E", why), 0);
    EXPECT_EQ(PickTableSatellite(scan, {}, "My Dish", why), 0);
    EXPECT_EQ(PickTableSatellite(scan, {}, "Hotbird 13E", why), -1) << "a table of another position is not taken";
    EXPECT_EQ(PickTableSatellite(scan, "19.2E", "Hotbird 13E", why), 0);

    TableFile junk;
    junk.path = "junk.bin";
    EXPECT_FALSE(ParseTableText(std::string("\x7F" "ELF\x02\x01\x01", 7), junk, error));
    EXPECT_EQ(error, "\"junk.bin\" line 1: binary data, no scan table");
}

TEST(TableFile, FindsTheOrbitalPositionInASatellitesName)
{
    const struct {
        const char* name;
        std::optional<int32_t> position;
    } cases[] = {{"Astra 19.2E", 192},      {"Hotbird 13E", 130},   {"Eutelsat 5W", -50}, {"Thor 0.8W", -8},
                 {"Astra-28.2E", 282},      {"Turksat 42.0E", 420}, {"Amos 4.0w", -40},   {"Intelsat 1002", {}},
                 {"Astra 2E (28.2E)", 282},    {"My Dish", {}},        {"Badr 26,0E", 260},  {"13\xC2\xB0" "E", 130},
                 {"ABS 181E", {}}};
    for (const auto& c : cases)
        EXPECT_EQ(lists::PositionFromName(c.name), c.position) << c.name;
    EXPECT_EQ(ParsePosition("192"), 192);
    EXPECT_EQ(ParsePosition("-300"), -300);
    EXPECT_EQ(ParsePosition("30.0W"), -300);
    EXPECT_EQ(ParsePosition("1801"), std::nullopt);
    EXPECT_EQ(ParsePosition("19.2Ex"), std::nullopt);
}

}  // namespace
