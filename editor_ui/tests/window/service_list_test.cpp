// The service list's own behaviour and the sort commands, through real clicks and keys.
#include "frame_fixture.h"

#include "editor_ui/window/svc_list_view.h"
#include "editor_ui/window/svc_view.h"
#include "settings/service_purge.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>

namespace {

class ServiceListTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        OpenDemoByKeys();
        Key(&frame, Qt::Key_F2);
        list = frame.View()->SvcView(kTvKind)->List();
    }
    QPoint RowPoint(int row) { return list->visualRect(list->model()->index(row, 0)).center(); }
    void Click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, RowPoint(row));
        QApplication::processEvents();
    }
    std::string Name(uint32_t pos) { return Appl_GetSvcName(*doc, kTvKind, pos); }
    QLineEdit* OpenRenameBox(int row)
    {
        Click(row);
        Click(row);
        EXPECT_TRUE(QTest::qWaitFor([&] { return RenameBox() != nullptr; }));
        return RenameBox();
    }
    // The open in-place editor (a closed one lingers hidden until it is deleted).
    QLineEdit* RenameBox()
    {
        for (QLineEdit* box : list->findChildren<QLineEdit*>())
            if (box->isVisible())
                return box;
        return nullptr;
    }
    QAction* MenuItem(const QString& path)
    {
        QStringList parts = path.split('/');
        QList<QAction*> actions = frame.menuBar()->actions();
        QAction* found = nullptr;
        for (const QString& part : parts) {
            found = nullptr;
            for (QAction* action : actions)
                if (action->text().section('\t', 0, 0) == part)
                    found = action;
            if (!found)
                return nullptr;
            if (found->menu())
                actions = found->menu()->actions();
        }
        return found;
    }

    CSvcListView* list = nullptr;
};

TEST_F(ServiceListTest, RenameInPlaceKeepsTwentyTwoCharactersAndEscapeCancels)
{
    std::string second = Name(1);
    QLineEdit* box = OpenRenameBox(1);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text().toStdString(), second);
    box->selectAll();
    QTest::keyClicks(box, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QTest::keyClick(box, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(Name(1), second);
    EXPECT_FALSE(ctl.Edited());

    box = OpenRenameBox(1);
    ASSERT_NE(box, nullptr);
    box->selectAll();
    QTest::keyClicks(box, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QTest::keyClick(box, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(Name(1), "ABCDEFGHIJKLMNOPQRSTUV");
    EXPECT_EQ(list->model()->index(1, 0).data().toString(), "   2. ABCDEFGHIJKLMNOPQRSTUV");
    EXPECT_TRUE(ctl.Edited());
}

TEST_F(ServiceListTest, AKeyBeforeTheRenameOpensCancelsIt)
{
    std::vector<std::string> names{Name(3), Name(4)};
    Click(3);
    Click(3);
    ASSERT_TRUE(list->RenamePending());
    Key(list, Qt::Key_Down);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !list->RenamePending(); }));
    EXPECT_EQ(RenameBox(), nullptr);
    EXPECT_EQ(ctl.SvcState(kTvKind).selection, std::vector<uint32_t>{4});
    Key(list, Qt::Key_Return);
    EXPECT_EQ((std::vector<std::string>{Name(3), Name(4)}), names);
}

TEST_F(ServiceListTest, DeleteKeyAsksWhileEditDeleteDoesNot)
{
    uint32_t count = doc->m_TvSvcCnt;
    std::string third = Name(2);
    Click(1);
    {
        CMessageBoxAnswerer answerer({QMessageBox::Yes});
        Key(list, Qt::Key_Delete);
        ASSERT_EQ(answerer.Shown().size(), 1);
        EXPECT_EQ(answerer.Shown()[0].text, "Delete This Service?");
        EXPECT_EQ(answerer.Shown()[0].title, "Warnning");
    }
    EXPECT_EQ(doc->m_TvSvcCnt, count - 1);
    EXPECT_EQ(Name(1), third);
    EXPECT_EQ(list->model()->rowCount(), int(count - 1));

    // Every Delete item names the key, which the list handles with its question.
    EXPECT_EQ(MenuItem("Edit/&Delete")->text(), "&Delete\tDel");
    EXPECT_EQ(MenuItem("Function/&TV Service/&Delete Service")->text(), "&Delete Service\tDel");
    EXPECT_EQ(MenuItem("Function/&Radio Service/&Delete Service")->text(), "&Delete Service\tDel");
    CMessageBoxAnswerer answerer;
    MenuItem("Edit/&Delete")->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(answerer.Shown().isEmpty());
    EXPECT_EQ(doc->m_TvSvcCnt, count - 2);
}

TEST_F(ServiceListTest, ShiftDownMovesTheBlockAndACutBlockPastes)
{
    std::vector<std::string> names{Name(0), Name(1), Name(2), Name(3), Name(4)};
    Click(1);
    Click(2, Qt::ShiftModifier);
    Key(list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ((std::vector<std::string>{Name(0), Name(1), Name(2), Name(3)}),
              (std::vector<std::string>{names[0], names[3], names[1], names[2]}));
    EXPECT_EQ(ctl.SvcState(kTvKind).selection, (std::vector<uint32_t>{2, 3}));

    Key(list, Qt::Key_X, Qt::ControlModifier);   // cuts names[1], names[2]
    EXPECT_EQ(Name(2), names[4]);
    Click(0);
    Key(list, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ((std::vector<std::string>{Name(0), Name(1), Name(2), Name(3)}),
              (std::vector<std::string>{names[1], names[2], names[0], names[3]}));
}

TEST_F(ServiceListTest, SortShowsItsLabelAndCtrlZRestoresTheOrder)
{
    QStringList before;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        before << list->model()->index(row, 0).data().toString();
    MenuItem("Function/&TV Service/&Sort/Alphabetic")->trigger();
    QApplication::processEvents();
    QList<QLabel*> labels = frame.View()->SvcView(kTvKind)->findChildren<QLabel*>();
    auto previous = std::find_if(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "Previous Sort Type :"; });
    ASSERT_NE(previous, labels.end());
    auto sortLabel = std::find_if(labels.begin(), labels.end(), [](QLabel* l) { return l->accessibleName() == "Sort Type"; });
    ASSERT_NE(sortLabel, labels.end());
    EXPECT_EQ((*sortLabel)->text(), "Current Sort Type : Alphabetic");
    EXPECT_NE(list->model()->index(0, 0).data().toString(), before[0]);

    Key(list, Qt::Key_Z, Qt::ControlModifier);
    QStringList after;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        after << list->model()->index(row, 0).data().toString();
    EXPECT_EQ(after, before);
    EXPECT_EQ((*sortLabel)->text(), "");
    EXPECT_FALSE(frame.Action(Cmd::UndoSort)->isEnabled());
}

}  // namespace
