// The painted list read back from its PDF with poppler's pdftotext: pages, header rows, page
// numbers and every service in its place.
#include "editor_ui/print/list_painter.h"

#include "common/testing/test_support.h"
#include "settings/demo_settings.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QPdfWriter>

#include <algorithm>
#include <memory>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class ListPainterTest : public ::testing::Test {
protected:
    void SetUp() override { BuildDemoSettings(*doc, {}); }

    ListPrintout TvList()
    {
        ListPrintout printout = SvcPrintout(*doc, kTvKind, AllPositions(*doc, kTvKind));
        printout.source = "demo.std";
        printout.date = "2026-12-09 06:30";
        return printout;
    }
    std::vector<std::string> Pages(const QByteArray& pdf)
    {
        const fs::path path = temp / "list.pdf";
        EXPECT_TRUE(testing_support::WriteFileBytes(
            path, std::span(reinterpret_cast<const uint8_t*>(pdf.constData()), size_t(pdf.size()))));
        return testing_support::PdfPages(path);
    }

    testing_support::TempFolder temp{"list_painter"};
    std::unique_ptr<COrvanel1Doc> doc = std::make_unique<COrvanel1Doc>();
};

// The row's number, then its name, on one line of the page's text.
bool RowOnLine(const std::string& line, const PrintRow& row)
{
    const size_t name = line.find(row[kPrintName]);
    return line.find_first_not_of(' ') == line.find(row[kPrintNumber] + " ") && name != std::string::npos &&
           line.find(row[kPrintSat], name) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& page)
{
    std::vector<std::string> lines;
    std::istringstream in(page);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(ListPainterTest, EveryPageHasTheHeadingsAndTheServicesFollowInOrder)
{
    const ListPrintout printout = TvList();
    int pages = 0;
    const std::vector<std::string> text = Pages(ListPdf(printout, &pages));
    ASSERT_GT(pages, 1) << "320 services take more than one A4 page";
    ASSERT_EQ(int(text.size()), pages);

    size_t row = 0;
    std::vector<size_t> perPage;
    const std::regex header(R"(^\s*No\.\s+Name\s+Satellite\s+TP\s+CAS/FTA\s+Lock\s*$)");
    for (int p = 0; p < pages; ++p) {
        const std::vector<std::string> lines = Lines(text[size_t(p)]);
        const std::string& page = text[size_t(p)];
        EXPECT_NE(page.find("TV Service"), std::string::npos) << "page " << p + 1;
        EXPECT_NE(page.find("2026-12-09 06:30"), std::string::npos) << "page " << p + 1;
        EXPECT_NE(page.find("demo.std \u2014 320 services"), std::string::npos) << "page " << p + 1;
        EXPECT_NE(page.find("Page " + std::to_string(p + 1) + " of " + std::to_string(pages)), std::string::npos);
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return std::regex_match(l, header); }), 1)
            << "page " << p + 1;
        const size_t first = row;
        for (const std::string& line : lines)
            if (row < printout.rows.size() && RowOnLine(line, printout.rows[row]))
                ++row;
        perPage.push_back(row - first);
    }
    EXPECT_EQ(row, printout.rows.size()) << "every service, in order; the next missing is " << row + 1;
    // Full pages but the last, which holds the rest: no more pages than the rows need.
    ASSERT_GT(perPage[0], 0u);
    EXPECT_EQ(size_t(pages), (printout.rows.size() + perPage[0] - 1) / perPage[0]);
    EXPECT_EQ(std::count(perPage.begin(), perPage.end() - 1, perPage[0]), pages - 1);
}

TEST_F(ListPainterTest, ARangeOfPagesPaintsThoseAlone)
{
    const ListPrintout printout = TvList();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    int total = 0, painted = 0;
    {
        QPdfWriter writer(&buffer);
        total = ListPageCount(writer, printout);
        painted = PaintListPages(writer, printout, 2, 3);
    }
    ASSERT_GT(total, 3);
    EXPECT_EQ(painted, 2);
    const std::vector<std::string> text = Pages(buffer.data());
    ASSERT_EQ(text.size(), 2u);
    EXPECT_NE(text[0].find("Page 2 of " + std::to_string(total)), std::string::npos);
    EXPECT_NE(text[1].find("Page 3 of " + std::to_string(total)), std::string::npos);
}

TEST_F(ListPainterTest, NamesTooWideForTheirColumnAreCutNotSpilled)
{
    ListPrintout printout = TvList();
    printout.rows.resize(3);
    printout.rows[1][kPrintName] = std::string(30, 'W');
    printout.rows[1][kPrintSat] = std::string(30, 'M');
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A6));
        ASSERT_EQ(PaintListPages(writer, printout), 1);
    }
    const std::vector<std::string> text = Pages(buffer.data());
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].find(std::string(30, 'W')), std::string::npos);
    EXPECT_NE(text[0].find("WW\u2026"), std::string::npos) << text[0];
    EXPECT_NE(text[0].find("FTA"), std::string::npos) << "the columns after the name stay on the page";
}

TEST_F(ListPainterTest, APdfThatCannotBeWrittenSaysWhyAndLeavesNothing)
{
    std::string failure;
    const fs::path path = temp / "missing" / "list.pdf";
    EXPECT_EQ(WriteListPdf(path, TvList(), failure), 0);
    EXPECT_NE(failure.find("missing"), std::string::npos) << failure;
    EXPECT_FALSE(fs::exists(path));

    // An empty list is one page that says so.
    ListPrintout empty = SvcPrintout(*doc, kTvKind, {});
    empty.emptyText = "No TV Service";
    ASSERT_EQ(WriteListPdf(temp / "empty.pdf", empty, failure), 1);
    const std::vector<std::string> text = testing_support::PdfPages(temp / "empty.pdf");
    ASSERT_EQ(text.size(), 1u);
    EXPECT_NE(text[0].find("No TV Service"), std::string::npos);
    EXPECT_NE(text[0].find("Page 1 of 1"), std::string::npos);
}

}  // namespace
