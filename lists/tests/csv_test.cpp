// CSV by RFC 4180, and the lists through a spreadsheet and back.
#include "lists/csv.h"
#include "lists/list_csv.h"
#include "lists/svc_match.h"

#include "common/latin1_utf8.h"
#include "common/terminal_text.h"
#include "editing/svc_edit.h"
#include "settings/image_codec.h"
#include "settings/service_purge.h"
#include "settings/testing/settings_image_builder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace lists;

TEST(Csv, QuotesWhatItMustAndReadsItBack)
{
    const CsvRecord tricky = {"plain", "a,b", "say \"hi\"", "two\r\nlines", "", " spaced "};
    const std::string text = CsvLine({"h1", "h2", "h3", "h4", "h5", "h6"}) + CsvLine(tricky);
    EXPECT_EQ(CsvLine(tricky), "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",, spaced \r\n");
    std::vector<CsvRecord> records;
    CsvError error;
    ASSERT_TRUE(ParseCsv("\xEF\xBB\xBF" + text, records, error)) << error.text;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1], tricky);
    // LF endings, a last line without ending, an empty last field.
    ASSERT_TRUE(ParseCsv("a,b\nc,", records, error));
    EXPECT_EQ(records, (std::vector<CsvRecord>{{"a", "b"}, {"c", ""}}));

    for (const auto& [bad, row] : std::vector<std::pair<std::string, uint32_t>>{
             {"a\r\nb\r\n\"open,\r\n", 3}, {"a\r\nb\"c\r\n", 2}, {"\"x\"y\r\n", 1}}) {
        EXPECT_FALSE(ParseCsv(bad, records, error)) << bad;
        EXPECT_EQ(error.row, row) << bad;
    }
}

TEST(Csv, Utf8AndLatin1)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += char(c);
    std::string back;
    ASSERT_EQ(Utf8ToLatin1(Latin1ToUtf8(all), back), Utf8Result::Ok);
    EXPECT_EQ(back, all);
    EXPECT_EQ(Utf8ToLatin1("\xE2\x82\xAC", back), Utf8Result::NotLatin1);   // the euro sign
    EXPECT_EQ(Utf8ToLatin1("\xC3", back), Utf8Result::Malformed);
    EXPECT_EQ(Utf8ToLatin1("\xC0\xA9", back), Utf8Result::Malformed);       // overlong
    EXPECT_EQ(Utf8ToLatin1("\xE9", back), Utf8Result::Malformed);           // Latin-1, not UTF-8
}

class ListCsv : public ::testing::Test {
protected:
    void SetUp() override
    {
        DemoShape shape;
        shape.tvSvc = 200;
        shape.radioSvc = 60;
        shape.favGroups = 4;
        shape.favMembers = 20;
        ASSERT_TRUE(BuildDemoImage(*doc, shape));
        ASSERT_TRUE(LoadSettingsImage(*doc));
        Appl_ChangeSvcName(*doc, kTvKind, 1, "Caf\xE9 \xC4\xD6\xDC \xFF");   // Latin-1 bytes
        image = Image();
    }
    std::vector<uint8_t> Image()
    {
        EXPECT_TRUE(InverseParseImage(*doc));
        std::vector<uint8_t> bytes(doc->m_SettingsArea);
        bytes.insert(bytes.end(), doc->m_Eeprom.begin(), doc->m_Eeprom.begin() + kEepromSize);
        return bytes;
    }
    std::vector<CsvRecord> Rows()
    {
        std::vector<CsvRecord> rows;
        CsvError error;
        EXPECT_TRUE(ParseCsv(ExportCsv(*doc), rows, error));
        return rows;
    }
    bool Import(const std::vector<CsvRecord>& rows, CsvImportReport& report, CsvError& error)
    {
        std::string csv;
        for (const CsvRecord& row : rows)
            csv += CsvLine(row);
        return ImportCsv(*doc, csv, report, error);
    }

    std::unique_ptr<COrvanel1Doc> doc = std::make_unique<COrvanel1Doc>();
    std::vector<uint8_t> image;
};

TEST_F(ListCsv, ExportThenImportChangesNothing)
{
    const std::string csv = ExportCsv(*doc);
    EXPECT_NE(csv.find(",Caf\xC3\xA9 \xC3\x84\xC3\x96\xC3\x9C \xC3\xBF,"), std::string::npos);
    const uint64_t revision = doc->m_Revision.Current();
    CsvImportReport report;
    CsvError error;
    ASSERT_TRUE(ImportCsv(*doc, csv, report, error)) << error.row << ": " << error.text;
    EXPECT_EQ(report.strong[kTvKind], 200u);
    EXPECT_EQ(report.strong[kRadioKind], 60u);
    EXPECT_EQ(report.renamed, 0u);
    EXPECT_TRUE(report.notes.empty());
    EXPECT_EQ(doc->m_Revision.Current(), revision);
    EXPECT_EQ(Image(), image);
}

TEST_F(ListCsv, ImportAppliesOrderNamesFlagsAndFavourites)
{
    std::vector<CsvRecord> rows = Rows();
    const CsvRecord header = rows[0];
    const size_t fav0 = std::find(header.begin(), header.end(), "fav:Fav 0") - header.begin();
    ASSERT_LT(fav0, header.size());
    std::swap(rows[1], rows[3]);                        // positions 3, 2, 1
    rows[1][2] = "R\xC3\xA9sum\xC3\xA9 and a name far beyond the limit";
    rows[1][13] = "1";                                  // lock
    rows[1][fav0] = "1";
    CsvRecord stranger = rows[2];
    stranger[7] = "65000";                               // svc_id
    stranger[2] = "Nobody";
    rows.push_back(stranger);
    CsvImportReport report;
    CsvError error;
    ASSERT_TRUE(Import(rows, report, error)) << error.text;

    EXPECT_EQ(SvcNameOf(*doc, doc->m_TvSvc[0]), std::string("R\xE9sum\xE9 and a name far b"));   // 23 characters
    EXPECT_EQ(doc->m_TvSvc[0].renameFlag, 1);
    EXPECT_EQ(doc->m_TvSvc[0].lock, 1);
    EXPECT_EQ(SvcNameOf(*doc, doc->m_TvSvc[1]), std::string("Caf\xE9 \xC4\xD6\xDC \xFF"));
    EXPECT_EQ(doc->m_TvSvcCnt, 200u);                   // nothing invented
    ASSERT_EQ(report.notes.size(), 2u);
    EXPECT_NE(report.notes[0].find("cut to 23"), std::string::npos);
    EXPECT_NE(report.notes[1].find("row 262: TV \"Nobody\""), std::string::npos);
    EXPECT_NE(report.notes[1].find("matches no service"), std::string::npos);
    const FavCh& group = doc->m_FavCh[0];
    const auto members = std::count_if(group.chNum.begin(), group.chNum.begin() + group.numOfFavCh,
                                       [&](uint16_t slot) { return slot == 0; });
    EXPECT_GE(members, 1);
}

TEST_F(ListCsv, ANameTheFullPoolCannotTakeLeavesTheOldOne)
{
    // A name at the pool's very end: a longer name than the one it replaces finds no room.
    const char far[] = "Far";
    std::copy(far, far + sizeof far, doc->m_SvcName.begin() + kSvcNamePoolSize - 5);
    doc->m_TvSvc[5].nameOffset = kSvcNamePoolSize - 5;
    Appl_RecomputeSvcNamePos(*doc);
    const SvcRecord before = doc->m_TvSvc[0];
    const std::string old = SvcNameOf(*doc, before);
    std::vector<CsvRecord> rows = Rows();
    rows[1][2] = "Twenty-three characters";
    CsvImportReport report;
    CsvError error;
    ASSERT_TRUE(Import(rows, report, error)) << error.text;
    EXPECT_EQ(SvcNameOf(*doc, doc->m_TvSvc[0]), old);
    EXPECT_EQ(doc->m_TvSvc[0].renameFlag, before.renameFlag);
    EXPECT_EQ(SvcNameOf(*doc, doc->m_TvSvc[5]), "Far");
    EXPECT_EQ(report.renamed, 0u);
    ASSERT_EQ(report.notes.size(), 1u);
    EXPECT_NE(report.notes[0].find("the name pool is full, the old name is kept"), std::string::npos);
}

TEST_F(ListCsv, RefusesWhatItCannotStoreAndChangesNothing)
{
    std::vector<CsvRecord> rows = Rows();
    rows[4][2] = "Euro \xE2\x82\xAC";
    CsvImportReport report;
    CsvError error;
    EXPECT_FALSE(Import(rows, report, error));
    EXPECT_EQ(error.row, 5u);
    EXPECT_NE(error.text.find("no Latin-1 form"), std::string::npos);

    rows = Rows();
    rows[7][4] = "eleven";
    EXPECT_FALSE(Import(rows, report, error));
    EXPECT_EQ(error.row, 8u);
    rows = Rows();
    rows[0][3] = "orbit";
    EXPECT_FALSE(Import(rows, report, error));
    EXPECT_EQ(error.text, "the column \"satellite\" is missing");
    for (const char* twice : {"name", "fav:Fav 0"}) {   // the second would be ignored or undo the first
        rows = Rows();
        for (size_t r = 0; r < rows.size(); ++r)
            rows[r].push_back(r == 0 ? twice : "");
        EXPECT_FALSE(Import(rows, report, error));
        EXPECT_EQ(error.text, std::string("the column \"") + twice + "\" appears twice");
    }
    EXPECT_EQ(Image(), image);
}

TEST_F(ListCsv, CrLineEndsReadLikeCrlfAndAListWithoutRowsIsRefused)
{
    std::vector<CsvRecord> rows = Rows();
    std::swap(rows[1], rows[2]);
    std::string crlf;
    for (const CsvRecord& row : rows)
        crlf += CsvLine(row);
    std::string cr;
    for (size_t i = 0; i < crlf.size(); ++i)
        if (crlf.compare(i, 2, "\r\n") != 0)
            cr += crlf[i];
        else
            cr += '\r', ++i;
    CsvImportReport report;
    CsvError error;
    ASSERT_TRUE(ImportCsv(*doc, cr, report, error)) << error.row << ": " << error.text;
    EXPECT_EQ(report.strong[kTvKind], 200u);
    EXPECT_EQ(report.strong[kRadioKind], 60u);
    EXPECT_EQ(Latin1ToUtf8(SvcNameOf(*doc, doc->m_TvSvc[0])), rows[1][2]);

    const std::vector<uint8_t> imported = Image();
    for (const std::string& headerOnly : {CsvLine(rows[0]), CsvLine(rows[0]) + "\r\n", cr.substr(0, cr.find('\r') + 1) + "\r"}) {
        EXPECT_FALSE(ImportCsv(*doc, headerOnly, report, error)) << headerOnly;
        EXPECT_EQ(error.text, "the list has no rows below its header");
    }
    EXPECT_EQ(Image(), imported);
}

TEST_F(ListCsv, AHugeValueIsEchoedCut)
{
    std::vector<CsvRecord> rows = Rows();
    const std::string huge(10 << 20, 'x');
    rows.push_back(rows[2]);
    rows.back()[2] = huge;
    rows.back()[7] = "65000";  // matches no service: the report names the row
    CsvImportReport report;
    CsvError error;
    ASSERT_TRUE(Import(rows, report, error)) << error.text;
    ASSERT_EQ(report.notes.size(), 1u);
    EXPECT_LT(report.notes[0].size(), 200u);
    EXPECT_NE(report.notes[0].find("\"" + std::string(kEchoChars, 'x') + "...\""), std::string::npos);

    rows.back()[4] = huge;  // frequency
    EXPECT_FALSE(Import(rows, report, error));
    EXPECT_LT(error.text.size(), 200u);
}

} // namespace
