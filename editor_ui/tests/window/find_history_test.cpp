// The find bar and the History window through real keys, clicks and boxes: typing finds,
// F3 finds the next (and is the radio view's key again once the bar is closed), a filter
// keeps true positions, and choosing a step in the History window goes back to it.
#include "frame_fixture.h"

#include "editor_ui/core/list_lines.h"
#include "editor_ui/window/find_bar.h"
#include "editor_ui/window/history_window.h"
#include "editor_ui/window/svc_list_view.h"
#include "editor_ui/window/svc_view.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableView>

namespace {

class FindHistoryTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        OpenDemoByKeys();
        Key(&frame, Qt::Key_F2);
        list = frame.View()->SvcView(kTvKind)->List();
    }
    std::string CaretName() { return SvcListName(*doc, kTvKind, uint32_t(ctl.SvcState(kTvKind).caret)); }

    CSvcListView* list = nullptr;
};

TEST_F(FindHistoryTest, TypingFindsF3FindsTheNextAndAFilterKeepsTruePositions)
{
    Key(&frame, Qt::Key_F, Qt::ControlModifier);
    CFindBar* bar = frame.FindBar();
    ASSERT_TRUE(bar->isVisible());
    QLineEdit* text = bar->TextEdit();
    EXPECT_TRUE(testing_support::PollUntil([&] { return text->hasFocus(); }));
    QTest::keyClicks(text, "bbc");
    EXPECT_EQ(CaretName(), "BBC One");
    Key(text, Qt::Key_F3);
    EXPECT_EQ(CaretName(), "BBC Two");
    Key(text, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(CaretName(), "BBC One");
    EXPECT_EQ(ctl.View(), kTvView) << "F3 in the bar does not switch views";
    const int caretRow = list->currentIndex().row();
    EXPECT_EQ(list->model()->index(caretRow, 0).data().toString().toStdString(),
              NumberedLine(uint32_t(ctl.SvcState(kTvKind).caret) + 1, "BBC One"));

    QComboBox* satellites = nullptr;
    for (QComboBox* box : bar->findChildren<QComboBox*>())
        if (box->accessibleName() == "Satellite")
            satellites = box;
    ASSERT_NE(satellites, nullptr);
    satellites->setFocus();
    Key(satellites, Qt::Key_Down);
    Key(satellites, Qt::Key_Down);   // the second satellite
    ASSERT_EQ(ctl.Filter(kTvKind).sat, 1);
    ASSERT_GT(list->model()->rowCount(), 1);
    EXPECT_LT(uint32_t(list->model()->rowCount()), doc->m_TvSvcCnt);
    for (int row = 0; row < 2; ++row) {
        const uint32_t pos = ctl.ShownPos(kTvKind, uint32_t(row));
        EXPECT_EQ(doc->m_TvSvc[pos].satIdx, 1);
        EXPECT_EQ(list->model()->index(row, 0).data().toString().toStdString(),
                  NumberedLine(pos + 1, SvcListName(*doc, kTvKind, pos)));
    }

    Key(text, Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(uint32_t(list->model()->rowCount()), doc->m_TvSvcCnt) << "closing the bar shows every service";
    Key(&frame, Qt::Key_F3);
    EXPECT_EQ(ctl.View(), kRadioView);
}

TEST_F(FindHistoryTest, TheHistoryWindowListsTheStepsAndGoesBackToTheChosenOne)
{
    const uint32_t count = doc->m_TvSvcCnt;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(2, 0)).center());
    Key(list, Qt::Key_X, Qt::ControlModifier);
    ASSERT_EQ(doc->m_TvSvcCnt, count - 1);
    Key(list, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(doc->m_TvSvcCnt, count - 1) << "Ctrl+Z stays Undo Sorting, which has nothing to undo";

    Key(&frame, Qt::Key_H, Qt::ControlModifier);
    CHistoryWindow* history = frame.HistoryWindow();
    ASSERT_TRUE(history->isVisible());
    QTableView* steps = history->Steps();
    ASSERT_EQ(steps->model()->rowCount(), 2);
    EXPECT_EQ(steps->model()->index(0, 1).data().toString(), "Open");
    EXPECT_EQ(steps->model()->index(1, 1).data().toString(), "TV Service : Cut (3sat)");
    EXPECT_FALSE(steps->model()->index(1, 0).data().toString().isEmpty());

    const QPoint first = steps->visualRect(steps->model()->index(0, 1)).center();
    QTest::mouseClick(steps->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(steps->viewport(), Qt::LeftButton, {}, first);
    QApplication::processEvents();
    EXPECT_EQ(doc->m_TvSvcCnt, count);
    EXPECT_FALSE(ctl.Edited());
    EXPECT_TRUE(steps->model()->index(0, 1).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Returned to \"Open\"");

    QApplication::setActiveWindow(&frame);
    Key(&frame, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(doc->m_TvSvcCnt, count - 1);
    EXPECT_TRUE(ctl.Edited());
    EXPECT_TRUE(steps->model()->index(1, 1).data(Qt::FontRole).value<QFont>().bold());
}

// The bar's own controls (the find row and the filter row), in the frame's coordinates.
QList<QRect> BarControls(const CFindBar* bar, const QWidget* frame)
{
    QList<QRect> rects;
    for (const QWidget* w : bar->findChildren<QWidget*>()) {
        const bool control = qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractButton*>(w) ||
                             qobject_cast<const QLabel*>(w) || qobject_cast<const QLineEdit*>(w);
        if (control && w->isVisible() && !w->size().isEmpty() && !qobject_cast<const QComboBox*>(w->parentWidget()))
            rects << QRect(w->mapTo(frame, QPoint(0, 0)), w->size());
    }
    return rects;
}

TEST_F(FindHistoryTest, TheFindAndFilterRowsFitTheDefaultWindowAndTheSmallestOne)
{
    EXPECT_EQ(frame.size(), QSize(760, 600));
    Key(&frame, Qt::Key_F, Qt::ControlModifier);
    CFindBar* bar = frame.FindBar();
    for (const QSize size : {QSize(760, 600), QSize(CMainFrame::kMinWidth, CMainFrame::kMinHeight)}) {
        frame.resize(size);
        QApplication::processEvents();
        const QRect barRect(bar->mapTo(&frame, QPoint(0, 0)), bar->size());
        const QList<QRect> controls = BarControls(bar, &frame);
        ASSERT_GE(controls.size(), 14);
        for (qsizetype i = 0; i < controls.size(); ++i) {
            EXPECT_TRUE(barRect.contains(controls[i])) << "at " << size.width() << ": control " << i;
            for (qsizetype j = i + 1; j < controls.size(); ++j)
                EXPECT_FALSE(controls[i].intersects(controls[j])) << "at " << size.width() << ": " << i << " and " << j;
        }
        const QWidget* view = frame.View();
        EXPECT_FALSE(barRect.intersects(QRect(view->mapTo(&frame, QPoint(0, 0)), view->size())));
    }
}

}  // namespace
