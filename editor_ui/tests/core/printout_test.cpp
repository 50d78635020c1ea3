// The printed list without painting: rows as the views show them, pages, and the File menu's
// "Print..." and "Export as PDF..." through a scripted printer.
#include "editor_fixture.h"

#include "editing/edit_common.h"
#include "editing/svc_edit.h"
#include "editor_ui/core/list_lines.h"
#include "editor_ui/core/list_printout.h"

#include <regex>

namespace {

TEST(PaginateRows, FullPagesThenTheRestAndOnePageForNothing)
{
    std::vector<PrintPage> pages = PaginateRows(11, 5);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[1].firstRow, 5u);
    EXPECT_EQ(pages[1].rowCount, 5u);
    EXPECT_EQ(pages[2].firstRow, 10u);
    EXPECT_EQ(pages[2].rowCount, 1u);
    EXPECT_EQ(pages[0].footer, "Page 1 of 3");
    EXPECT_EQ(pages[2].footer, "Page 3 of 3");
    EXPECT_EQ(PaginateRows(10, 5).size(), 2u) << "a list that fills its last page exactly";

    pages = PaginateRows(0, 40);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].rowCount, 0u);
    EXPECT_EQ(pages[0].footer, "Page 1 of 1");
    EXPECT_EQ(PaginateRows(3, 0).size(), 3u) << "a page too small for a row still takes one";
}

TEST_F(EditorTest, APrintedRowHoldsWhatTheViewShowsInUtf8)
{
    OpenDemo();
    doc->m_TvSvc[2].scrambled = 1;
    doc->m_TvSvc[2].lock = 1;
    Appl_ChangeTvSvcName(*doc, 2, "Caf\xE9\x01 TV");
    const PrintRow row = PrintRowOf(*doc, kTvKind, 2);
    EXPECT_EQ(row[kPrintNumber], "3");
    EXPECT_EQ(row[kPrintName], "Caf\xC3\xA9 TV");
    EXPECT_EQ(row[kPrintSat], SatName(*doc, doc->m_TvSvc[2].satIdx));
    std::string tp = TpLine(*SvcTp(*doc, doc->m_TvSvc[2]));
    tp = std::regex_replace(tp.substr(tp.find_first_not_of(' ')), std::regex(" +"), " ");
    EXPECT_EQ(row[kPrintTp], tp);
    EXPECT_EQ(row[kPrintCas], "CAS");
    EXPECT_EQ(row[kPrintLock], "Yes");
    EXPECT_EQ(PrintRowOf(*doc, kTvKind, 0)[kPrintCas], "FTA");
    EXPECT_EQ(PrintRowOf(*doc, kTvKind, 0)[kPrintLock], "");

    doc->m_TvSvc[3].satIdx = 200;   // no such satellite: neither it nor a TP is shown
    EXPECT_EQ(PrintRowOf(*doc, kTvKind, 3)[kPrintSat], "");
    EXPECT_EQ(PrintRowOf(*doc, kTvKind, 3)[kPrintTp], "");
}

TEST_F(EditorTest, PrintHandsTheListAsTheViewShowsItAndChangesNothing)
{
    OpenDemo();
    ScriptedPrinter printer;
    PassingMessages status;
    ctl.SetListener(&status);
    ctl.Run(Cmd::ViewTv);
    EXPECT_FALSE(ctl.Enabled(Cmd::Print)) << "without a printer";
    ctl.SetPrinter(&printer);
    const size_t steps = ctl.History().Size();
    printer.answer = {ListPrinter::Outcome::Done, 9, {}};
    ctl.Run(Cmd::Print);
    ASSERT_EQ(printer.printed.size(), 1u);
    const ListPrintout& all = printer.printed[0];
    EXPECT_EQ(all.title, "TV Service");
    EXPECT_EQ(all.source, "demo.std");
    EXPECT_EQ(all.summary, "320 services");
    EXPECT_TRUE(std::regex_match(all.date, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d)"))) << all.date;
    ASSERT_EQ(all.rows.size(), 320u);
    for (uint32_t pos = 0; pos < 320; ++pos)
        ASSERT_EQ(all.rows[pos], PrintRowOf(*doc, kTvKind, pos)) << pos;
    EXPECT_EQ(status.Last(), "Printed TV Service (9 pages)");
    EXPECT_FALSE(ctl.Edited());
    EXPECT_EQ(ctl.History().Size(), steps);

    // A filtered list prints its shown services only, with their true positions.
    ctl.SetFilter(kTvKind, {.favGroup = 1});
    ctl.Run(Cmd::Print);
    const uint32_t shown = ctl.ShownCount(kTvKind);
    ASSERT_EQ(printer.printed[1].rows.size(), shown);
    ASSERT_LT(shown, 320u);
    for (uint32_t row = 0; row < shown; ++row)
        EXPECT_EQ(printer.printed[1].rows[row], PrintRowOf(*doc, kTvKind, ctl.ShownPos(kTvKind, row)));
    EXPECT_EQ(printer.printed[1].summary, std::to_string(shown) + " of 320 services");

    ctl.Run(Cmd::ViewSat);
    EXPECT_FALSE(ctl.Enabled(Cmd::Print));
    EXPECT_FALSE(ctl.Enabled(Cmd::ExportPdf));
    ctl.Run(Cmd::ViewRadio);
    ctl.Run(Cmd::Print);
    EXPECT_EQ(printer.printed[2].title, "Radio Service");
    EXPECT_EQ(printer.printed[2].rows.size(), doc->m_RadioSvcCnt);
}

TEST_F(EditorTest, AFavouriteGroupPrintsItsMembersInTheirOrder)
{
    OpenDemo();
    ScriptedPrinter printer;
    ctl.SetPrinter(&printer);
    ctl.Run(Cmd::ViewFav);
    ctl.SelectFavGroup(0);
    ctl.Run(Cmd::Print);
    ASSERT_EQ(printer.printed.size(), 1u);
    const FavCh& group = doc->m_FavCh[0];
    const ListPrintout& printout = printer.printed[0];
    EXPECT_EQ(printout.title, "Favorite Group : News (TV Group)");
    ASSERT_EQ(printout.rows.size(), group.numOfFavCh);
    for (uint32_t m = 0; m < group.numOfFavCh; ++m)
        EXPECT_EQ(printout.rows[m], PrintRowOf(*doc, kTvKind, group.chNum[m])) << m;

    // A member that lies outside its list keeps its number, as the view shows it.
    doc->m_FavCh[0].chNum[1] = 3000;
    const ListPrintout stale = FavPrintout(*doc, 0);
    EXPECT_EQ(stale.rows[1], (PrintRow{"3001", "", "", "", "", ""}));
    doc->m_FavCnt = 0;
    ctl.Run(Cmd::ViewFav);
    EXPECT_FALSE(ctl.Enabled(Cmd::Print)) << "no group to print";
}

TEST_F(EditorTest, ExportAsPdfWritesWhereTheUserChoseAndSaysWhyItCouldNot)
{
    OpenDemo();
    ScriptedPrinter printer;
    PassingMessages status;
    ctl.SetPrinter(&printer);
    ctl.SetListener(&status);
    ctl.Run(Cmd::ViewTv);
    ctl.Run(Cmd::ExportPdf);
    EXPECT_TRUE(printer.written.empty()) << "no file chosen";

    dialogs.pdfFiles = {dir / "list.pdf"};
    ctl.Run(Cmd::ExportPdf);
    ASSERT_EQ(printer.written.size(), 1u);
    EXPECT_EQ(printer.written[0].first, dir / "list.pdf");
    EXPECT_EQ(printer.written[0].second.rows.size(), 320u);
    EXPECT_EQ(status.Last(), "Exported TV Service to list.pdf (1 page)");

    dialogs.pdfFiles = {dir / "gone" / "list.pdf"};
    printer.answer = {ListPrinter::Outcome::Failed, 0, "\"gone/list.pdf\": No such file or directory"};
    ctl.Run(Cmd::ExportPdf);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Cannot Create or Open File!\n\"gone/list.pdf\": No such file or directory");
    EXPECT_EQ(prompter.shown[0].title, "Notice");

    printer.answer = {ListPrinter::Outcome::Failed, 0, "the printer could not be started"};
    ctl.Run(Cmd::Print);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].text, "Cannot print the list: the printer could not be started");
}

}  // namespace
