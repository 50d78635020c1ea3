// The main window through its keys, menus and toolbar.
#include "frame_fixture.h"

#include "editor_ui/window/command_table.h"
#include "editor_ui/window/fav_view.h"
#include "editor_ui/window/qt_list_printer.h"
#include "editor_ui/window/sat_view.h"
#include "editor_ui/window/svc_list_view.h"
#include "editor_ui/window/svc_view.h"
#include "lists/list_formats.h"

#include <QComboBox>
#include <QListView>
#include <QPrinter>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

QStringList EnabledMenuItems(QMenuBar* bar)
{
    QStringList items;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* action : menu->actions()) {
            if (action->menu()) {
                if (action->isEnabled())
                    walk(action->menu());
            }
            else if (!action->isSeparator() && action->isEnabled())
                items << action->text().section('\t', 0, 0);
        }
    };
    for (QAction* top : bar->actions())
        walk(top->menu());
    return items;
}

TEST_F(FrameTest, WithoutSettingsOnlyTheAlwaysCommandsAreEnabled)
{
    EXPECT_EQ(frame.windowTitle(), "KELU v2.32");
    EXPECT_EQ(frame.minimumSize(), QSize(590, 540));
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Ready");
    EXPECT_EQ(EnabledMenuItems(frame.menuBar()),
              (QStringList{"&Open...", "E&xit", "Open Backup...", "&USB", "&Serial", "&Upload FROM STB",
                           "&About KELU"}));
    EXPECT_TRUE(frame.Action(Cmd::StbReboot)->isEnabled());
    Key(&frame, Qt::Key_F6);
    EXPECT_FALSE(link.usb);
    EXPECT_TRUE(frame.Action(Cmd::PortSetup)->isEnabled());
    EXPECT_TRUE(frame.Action(Cmd::ModeSerial)->isChecked());

    // The toolbar in its order, every button with an icon and its tooltip.
    QToolBar* bar = frame.findChild<QToolBar*>("Toolbar");
    QStringList tips;
    for (QAction* action : bar->actions()) {
        if (action->isSeparator()) {
            tips << "|";
            continue;
        }
        EXPECT_FALSE(action->icon().pixmap(24, 24).isNull()) << action->toolTip().toStdString();
        tips << action->toolTip();
    }
    EXPECT_EQ(tips, (QStringList{"Open (Ctrl+O)", "Save (Ctrl+S)", "|", "Upload FROM STB (Ctrl+U)",
                                 "Download TO STB (Ctrl+D)", "Setup Serial Port (Ctrl+P)", "|",
                                 "Satellite Information (F1)", "TV Service (F2)", "Radio Service (F3)",
                                 "Favorite Group (F4)", "|", "Undo Sorting  (Ctrl+Z)", "|", "About"}));
}

TEST_F(FrameTest, TheOpenedDemoShowsEveryViewInItsFormats)
{
    OpenDemoByKeys();
    ASSERT_TRUE(ctl.Held());
    COrvanel1View* view = frame.View();
    CSatView* sat = view->SatView();
    EXPECT_EQ(view->currentWidget(), sat);
    EXPECT_EQ(sat->SatBox()->currentText(), "Astra 19.2E");
    EXPECT_EQ(Lines(sat->TpList(), 2), (QStringList{" 10714 Mhz    22000 KS/s     Vertical",
                                                    " 12693 Mhz    27500 KS/s   Horizontal"}));
    EXPECT_TRUE(QApplication::focusWidget() == sat->TpList());

    Key(&frame, Qt::Key_F2);
    CSvcListView* tv = view->SvcView(kTvKind)->List();
    EXPECT_EQ(view->currentWidget(), view->SvcView(kTvKind));
    EXPECT_EQ(tv->model()->rowCount(), int(doc->m_TvSvcCnt));
    EXPECT_EQ(Lines(tv, 3), (QStringList{"   1. Das Erste", "   2. ZDF", "   3. 3sat"}));
    EXPECT_TRUE(frame.Action(Cmd::ViewTv)->isChecked());

    Key(&frame, Qt::Key_F3);
    EXPECT_EQ(Lines(view->SvcView(kRadioKind)->List(), 1), QStringList{"   1. Bayern 3"});

    Key(&frame, Qt::Key_F4);
    CFavView* fav = view->FavView();
    EXPECT_EQ(fav->GroupBox()->currentText(), "News");
    QAbstractItemModel* members = fav->MemberList()->model();
    EXPECT_EQ(members->index(0, 0).data().toString(), "   1. Das Erste");
    EXPECT_EQ(members->index(2, 0).data().toString(), "  15. Canal+ Sport");
    EXPECT_EQ(members->index(2, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_EQ(members->index(0, 0).data(Qt::AccessibleTextRole).toString(), "   1. Das Erste");
}

TEST_F(FrameTest, ADoubleClickOnATransponderEditsItAndASaveIsAnnounced)
{
    OpenDemoByKeys();
    QListView* tps = frame.View()->SatView()->TpList();
    const QPoint second = tps->visualRect(tps->model()->index(1, 0)).center();
    QTest::mouseClick(tps->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QTest::mouseDClick(tps->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    EXPECT_EQ(dialogs.editedTps, (std::vector<std::pair<int, int>>{{0, 1}}));

    Key(&frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Saved demo.std");
}

TEST_F(FrameTest, FileMenuAppliesAReferenceListAndExportsTheLists)
{
    OpenDemoByKeys();
    QMenu* file = frame.menuBar()->actions().front()->menu();
    QStringList items;
    for (QAction* action : file->actions())
        items << (action->isSeparator() ? "|" : action->text().section('\t', 0, 0));
    EXPECT_EQ(items, (QStringList{"&Open...", "&Save", "Save &As...", "|", "&Print...", "Export as PDF...", "|", "E&xit",
                                  "|", "Apply Reference List...", "Export List as CSV...", "Import List...",
                                  "Export List...", "Open Backup..."}));

    dialogs.referenceFiles = {demo};
    CMessageBoxAnswerer answerer({QMessageBox::Ok});
    file->actions()[9]->trigger();
    ASSERT_EQ(answerer.Shown().size(), 1);
    EXPECT_EQ(answerer.Shown()[0].title, "Apply Reference List");
    EXPECT_TRUE(answerer.Shown()[0].text.startsWith("TV: 320 matched"));
    frame.Action(Cmd::ViewTv)->trigger();
    EXPECT_TRUE(frame.Action(Cmd::UndoSort)->isEnabled());

    dialogs.csvFiles = {dir / "list.csv"};
    file->actions()[10]->trigger();
    EXPECT_GT(fs::file_size(dir / "list.csv"), 0u);

    dialogs.listChoices = {ListChoice{lists::FindListFormat("m3u"), dir / "list.m3u"}};
    answerer.Push(QMessageBox::Ok);
    file->actions()[12]->trigger();
    EXPECT_GT(fs::file_size(dir / "list.m3u"), 0u);
    ASSERT_EQ(answerer.Shown().size(), 2);
    EXPECT_EQ(answerer.Shown()[1].title, "Export List");
}

TEST_F(FrameTest, FileMenuPrintsAndExportsTheListInView)
{
    CQtListPrinter printer;
    std::vector<int> offered;
    printer.SetChooser([&](QPrinter& chosen, int pages) {
        offered.push_back(pages);
        chosen.setOutputFormat(QPrinter::PdfFormat);
        chosen.setOutputFileName(QString::fromStdString((dir / "printed.pdf").string()));
        return true;
    });
    ctl.SetPrinter(&printer);
    OpenDemoByKeys();
    QMenu* file = frame.menuBar()->actions().front()->menu();
    EXPECT_FALSE(frame.Action(Cmd::Print)->isEnabled()) << "the satellite view has no list to print";

    Key(&frame, Qt::Key_F3);
    ASSERT_TRUE(frame.Action(Cmd::Print)->isEnabled());
    file->actions()[4]->trigger();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_GT(offered[0], 1) << "the dialog offers the pages of 120 radio services";
    std::vector<std::string> pages = testing_support::PdfPages(dir / "printed.pdf");
    ASSERT_GT(pages.size(), 1u);
    EXPECT_NE(pages[0].find("Radio Service"), std::string::npos);
    EXPECT_NE(pages[0].find("Bayern 3"), std::string::npos);
    EXPECT_EQ(frame.statusBar()->currentMessage(),
              QString("Printed Radio Service (%1 pages)").arg(pages.size()));

    Key(&frame, Qt::Key_F4);
    dialogs.pdfFiles = {dir / "news.pdf"};
    file->actions()[5]->trigger();
    pages = testing_support::PdfPages(dir / "news.pdf");
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find("Favorite Group : News"), std::string::npos);
    EXPECT_NE(pages[0].find("Canal+ Sport"), std::string::npos);
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Exported Favorite Group : News (TV Group) to news.pdf (1 page)");
    ctl.SetPrinter(nullptr);
}

}  // namespace
