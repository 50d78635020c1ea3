// The editing dialogs with real widgets, keys and clicks over the demo settings.
#include "dialog_test_support.h"

#include "common/qt/testing/message_box_answerer.h"
#include "editing/edit_common.h"
#include "editing/sat_edit.h"
#include "editing/testing/random_document.h"
#include "editor_ui/core/tp_update.h"
#include "editor_ui/dialogs/editor_dialogs.h"
#include "editor_ui/dialogs/fav_group_dialog.h"
#include "editor_ui/dialogs/sat_dialog.h"
#include "editor_ui/dialogs/svc_name_dialog.h"
#include "editor_ui/dialogs/tp_dialog.h"
#include "editor_ui/dialogs/tp_update_dialog.h"
#include "settings/demo_settings.h"
#include "settings/service_purge.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>

#include <fstream>

namespace {

class EditorDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pDoc = LoadDemoDocument(m_Prompter);
        ASSERT_NE(m_pDoc, nullptr);
    }
    COrvanel1Doc& Doc() { return *m_pDoc; }

    CQtPrompter m_Prompter;
    CMessageBoxAnswerer m_Boxes;
    std::unique_ptr<COrvanel1Doc> m_pDoc;
};

// A user's double-click: the first click presses the line the second one opens.
void DoubleClickRow(QListView* view, int row)
{
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

QString LastText(const CMessageBoxAnswerer& boxes) { return boxes.Shown().isEmpty() ? QString() : boxes.Shown().last().text; }

// --- New Satellite and Edit Satellite ---

TEST_F(EditorDialogs, NewSatelliteTrimsBothEndsEditSatelliteKeepsTheLeadingBlank)
{
    OnModalDialog([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "New Satellite");
        EXPECT_EQ(Child<QLineEdit>(d, "positionIdx")->text(), "127");
        Retype(d, "name", " Test Sat A ");
        ClickButton(d, "ok");
    });
    ASSERT_TRUE(RunNewSatelliteDialog(nullptr, Doc(), m_Prompter));
    EXPECT_EQ(FieldText(Doc().m_SatInfo[Doc().m_SatCnt - 1].name), "Test Sat A");

    OnModalDialog([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Edit Satellite");
        Retype(d, "name", " Test Sat B ");
        Retype(d, "positionIdx", "60");
        ClickButton(d, "ok");
    });
    ASSERT_TRUE(RunEditSatelliteDialog(nullptr, Doc(), 0, m_Prompter));
    EXPECT_EQ(FieldText(Doc().m_SatInfo[0].name), " Test Sat B");
    EXPECT_EQ(Doc().m_SatInfo[0].lnb[1].positionIdx, 60);
}

TEST_F(EditorDialogs, PositionIndexZeroSixtyAnd127PassMinusOneSixtyOneAndWordsStayOpen)
{
    struct Case { const char* typed; const char* refusal; };
    const Case cases[] = {{"0", nullptr}, {"60", nullptr}, {"127", nullptr},
                          {"-1", "Please enter an integer default value or between 0 and 60"},
                          {"61", "Please enter an integer default value or between 0 and 60"},
                          {"twelve", "Please enter an integer default value or between 0 and 60"},
                          {"99999999999", "Please enter an integer default value or between 0 and 60"}};
    for (int sat : {-1, 2}) {
        for (const Case& c : cases) {
            CSatDlg dialog(nullptr, Doc(), sat, m_Prompter);
            dialog.show();
            Retype(&dialog, "name", "Fresh Name");
            Retype(&dialog, "positionIdx", c.typed);
            const int shown = int(m_Boxes.Shown().size());
            ClickButton(&dialog, "ok");
            if (!c.refusal) {
                EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.typed;
                EXPECT_EQ(dialog.m_PositionIdx, QByteArray(c.typed).toInt());
                continue;
            }
            ASSERT_EQ(m_Boxes.Shown().size(), shown + 1) << c.typed;
            const QString expected = sat < 0 ? c.refusal : "Please enter an integer between 0 and 60";
            EXPECT_EQ(m_Boxes.Shown().last().text, expected);
            EXPECT_EQ(m_Boxes.Shown().last().title, "Error");
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(Child<QLineEdit>(&dialog, "positionIdx")->text(), c.typed);
        }
    }
}

TEST_F(EditorDialogs, SatelliteNameTakesFifteenCharacters)
{
    CSatDlg dialog(nullptr, Doc(), -1, m_Prompter);
    dialog.show();
    Retype(&dialog, "name", "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(Child<QLineEdit>(&dialog, "name")->text(), "ABCDEFGHIJKLMNO");
}

// --- Edit Transponder Information ---

TEST_F(EditorDialogs, TransponderDvbS2FrameIsEmptyAndDisabledWithoutDvbS2Settings)
{
    OnModalDialog([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Edit Transponder Information");
        for (const char* box : {"modulation", "fec", "pilot"}) {
            EXPECT_EQ(Child<QComboBox>(d, box)->count(), 0) << box;
            EXPECT_FALSE(Child<QComboBox>(d, box)->isEnabled()) << box;
        }
        ClickButton(d, "cancel");
    });
    EXPECT_FALSE(RunEditTransponderDialog(nullptr, Doc(), 0, 0, m_Prompter));
}

TEST_F(EditorDialogs, TransponderModulationSwitchRefillsFecAndPilot)
{
    const DvbS2Choice start{2, 1, 1};
    CTpDlg dialog(nullptr, TpValues{}, start, true, m_Prompter);
    dialog.show();
    auto* modulation = Child<QComboBox>(&dialog, "modulation");
    auto* fec = Child<QComboBox>(&dialog, "fec");
    auto* pilot = Child<QComboBox>(&dialog, "pilot");
    EXPECT_EQ(modulation->currentText(), "DVB-S2 / 8PSK");
    EXPECT_EQ(fec->count(), 6);
    EXPECT_EQ(fec->currentText(), "2/3");
    EXPECT_EQ(pilot->currentText(), "ON");

    modulation->setFocus();
    QTest::keyClick(modulation, Qt::Key_Home);
    EXPECT_EQ(modulation->currentText(), "DVB-S");
    EXPECT_EQ(fec->count(), 0);
    EXPECT_FALSE(fec->isEnabled());
    EXPECT_FALSE(pilot->isEnabled());

    QTest::keyClick(modulation, Qt::Key_Down);
    EXPECT_EQ(modulation->currentText(), "DVB-S2 / QPSK");
    ASSERT_EQ(fec->count(), 8);
    EXPECT_EQ(fec->itemText(1), "3/5");
    EXPECT_EQ(fec->currentIndex(), 0);
    EXPECT_EQ(pilot->count(), 2);
    EXPECT_EQ(pilot->currentText(), "OFF");
    EXPECT_TRUE(fec->isEnabled() && pilot->isEnabled());
}

TEST_F(EditorDialogs, TransponderFieldsOutsideTheirRangesShowTheFrameworkTexts)
{
    CTpDlg dialog(nullptr, TpValues{}, DvbS2Choice{}, false, m_Prompter);
    dialog.show();
    Retype(&dialog, "frequency", "1999");
    ClickButton(&dialog, "ok");
    EXPECT_EQ(LastText(m_Boxes), "Please enter an integer between 2000 and 16383.");
    Retype(&dialog, "frequency", "11720");
    Retype(&dialog, "symbolRate", "45001");
    ClickButton(&dialog, "ok");
    EXPECT_EQ(LastText(m_Boxes), "Please enter an integer between 1000 and 45000.");
    Retype(&dialog, "symbolRate", "27500");
    Retype(&dialog, "streamId", "-1");
    ClickButton(&dialog, "ok");
    EXPECT_EQ(LastText(m_Boxes), "Please enter a positive integer.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(Child<QLineEdit>(&dialog, "frequency")->text(), "11720");

    Retype(&dialog, "streamId", "3");
    ClickButton(&dialog, "ok");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_Values.freq, 11720u);
    EXPECT_EQ(dialog.m_Values.sr, 27500u);
    EXPECT_EQ(dialog.m_Values.streamId, 3u);
    EXPECT_EQ(m_Boxes.Shown().size(), 3);
}

TEST_F(EditorDialogs, EditTransponderWritesTheDvbS2ChoiceOnTheDvbS2Model)
{
    auto st71xx = std::make_unique<COrvanel1Doc>();
    COrvanel1Doc& doc = *st71xx;
    doc.m_pPrompter = &m_Prompter;
    BuildDemoSettings(doc, DemoOptions{13, 0x25, 0x2203, 40, 10});
    OnModalDialog([](QDialog* d) {
        auto* modulation = Child<QComboBox>(d, "modulation");
        EXPECT_TRUE(modulation->isEnabled());
        modulation->setFocus();
        QTest::keyClick(modulation, Qt::Key_End);
        auto* pilot = Child<QComboBox>(d, "pilot");
        pilot->setFocus();
        QTest::keyClick(pilot, Qt::Key_Down);
        ClickButton(d, "ok");
    });
    ASSERT_TRUE(RunEditTransponderDialog(nullptr, doc, 1, 0, m_Prompter));
    const DvbS2Params& s2 = doc.m_TpS2[Appl_SatTpStart(doc, 1)];
    EXPECT_EQ(s2.modulation_system, 1u);
    EXPECT_EQ(s2.modulation_type, 2u);
    EXPECT_EQ(s2.fec, 7u);
    EXPECT_EQ(s2.filot, 1u);
}

// --- Service Name ---

TEST_F(EditorDialogs, ServiceIndexOutsideTheListIsBroughtBack)
{
    CSvcNameDlg dialog(nullptr, "Das Erste", 5, 320, m_Prompter);
    dialog.show();
    auto* index = Child<QLineEdit>(Child(&dialog, "index"), "qt_spinbox_lineedit");
    Retype(&dialog, "name", "Das Erste");
    index->setFocus();
    index->selectAll();
    QTest::keyClicks(index, "0");
    EXPECT_EQ(LastText(m_Boxes), "Service Index is too small!");
    EXPECT_EQ(m_Boxes.Shown().last().title, "Error");
    EXPECT_EQ(index->text(), "1");
    index->selectAll();
    QTest::keyClicks(index, "400");
    EXPECT_EQ(LastText(m_Boxes), "Service Index is too big!");
    EXPECT_EQ(index->text(), "320");
    EXPECT_EQ(m_Boxes.Shown().size(), 2);
    QTest::keyClick(index, Qt::Key_Up);
    EXPECT_EQ(index->text(), "320");
    QTest::keyClick(index, Qt::Key_Down);
    EXPECT_EQ(index->text(), "319");
}

TEST_F(EditorDialogs, ServiceNameTypedBeyond23CharactersStaysAtTheLimit)
{
    CSvcNameDlg dialog(nullptr, "ABCDEFGHIJKLMNOPQRSTUV", 1, 10, m_Prompter);
    dialog.show();
    auto* name = Child<QLineEdit>(&dialog, "name");
    name->setFocus();
    name->end(false);
    QTest::keyClicks(name, "WX");
    EXPECT_EQ(name->text(), "ABCDEFGHIJKLMNOPQRSTUVW");
    ASSERT_EQ(m_Boxes.Shown().size(), 1);
    EXPECT_EQ(m_Boxes.Shown()[0].text, "Service Name is too long.");
    EXPECT_EQ(m_Boxes.Shown()[0].title, "Notice");
    EXPECT_EQ(m_Boxes.Shown()[0].icon, QMessageBox::Warning);
}

TEST_F(EditorDialogs, ServiceNameOkRenamesEvenUnchangedAndMovesToTheNewIndex)
{
    COrvanel1Doc& doc = Doc();
    doc.m_TvSvc[4].renameFlag = 0;
    const std::string name = Appl_GetSvcName(doc, kTvKind, 4);
    OnModalDialog([](QDialog* d) { ClickButton(d, "ok"); });
    EXPECT_EQ(RunServiceNameDialog(nullptr, doc, kTvKind, 4, m_Prompter), 4);
    EXPECT_EQ(doc.m_TvSvc[4].renameFlag, 1);
    EXPECT_EQ(Appl_GetSvcName(doc, kTvKind, 4), name);

    OnModalDialog([](QDialog* d) {
        auto* index = Child<QLineEdit>(Child(d, "index"), "qt_spinbox_lineedit");
        index->setFocus();
        index->selectAll();
        QTest::keyClicks(index, "2");
        Retype(d, "name", "Moved One");
        ClickButton(d, "ok");
    });
    EXPECT_EQ(RunServiceNameDialog(nullptr, doc, kTvKind, 4, m_Prompter), 1);
    EXPECT_EQ(Appl_GetSvcName(doc, kTvKind, 1), "Moved One");
    EXPECT_EQ(doc.m_TvSvc[1].renameFlag, 1);
}

// --- Favorite Group ---

TEST_F(EditorDialogs, FavoriteGroupWithTvMembersRefusesRadio)
{
    FavCh group{};
    SetFieldText(group.favName, "Three");
    for (uint16_t i = 0; i < 3; ++i)
        group.chNum[i] = i;
    group.numOfFavCh = 3;
    CFavGroupDlg dialog(nullptr, Doc(), group, m_Prompter);
    dialog.show();
    QTest::mouseClick(Child<QRadioButton>(&dialog, "radio"), Qt::LeftButton);
    ASSERT_EQ(m_Boxes.Shown().size(), 1);
    EXPECT_EQ(m_Boxes.Shown()[0].text, "Cannot Change Service Type");
    EXPECT_TRUE(Child<QRadioButton>(&dialog, "tv")->isChecked());
    EXPECT_EQ(dialog.Kind(), kTvKind);
    EXPECT_EQ(Child<QListView>(&dialog, "seletedService")->model()->index(2, 0).data().toString().left(4), "  3.");
}

TEST_F(EditorDialogs, FavoriteGroupAddsAndRemovesByDoubleClickAndArrows)
{
    CFavGroupDlg dialog(nullptr, Doc(), FavCh{}, m_Prompter);
    dialog.resize(640, 420);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* all = Child<QListView>(&dialog, "allService");
    auto* members = Child<QListView>(&dialog, "seletedService");
    EXPECT_EQ(all->model()->rowCount(), int(Doc().m_TvSvcCnt));
    EXPECT_EQ(all->currentIndex().row(), 0);
    EXPECT_EQ(Child<QToolButton>(&dialog, "add")->toolTip(), "Add Serivce into Favorite Group");
    EXPECT_EQ(Child<QToolButton>(&dialog, "remove")->toolTip(), "Delete Serivce from Favorite Group");

    DoubleClickRow(all, 0);
    QTest::mouseClick(all->viewport(), Qt::LeftButton, {}, all->visualRect(all->model()->index(2, 0)).center());
    QTest::mouseClick(all->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      all->visualRect(all->model()->index(4, 0)).center());
    QTest::mouseClick(Child<QToolButton>(&dialog, "add"), Qt::LeftButton);
    ASSERT_EQ(dialog.m_Group.numOfFavCh, 4);
    EXPECT_EQ(dialog.m_Group.chNum[0], 0);
    EXPECT_EQ(dialog.m_Group.chNum[3], 4);
    const QString first = members->model()->index(0, 0).data().toString();
    EXPECT_EQ(first.left(5), "  1. ");
    EXPECT_EQ(first.mid(5), all->model()->index(0, 0).data().toString().mid(6));

    EXPECT_EQ(all->selectionModel()->selectedIndexes().size(), 3);
    members->setFocus();
    EXPECT_TRUE(all->selectionModel()->selectedIndexes().isEmpty());
    DoubleClickRow(members, 1);
    ASSERT_EQ(dialog.m_Group.numOfFavCh, 3);
    EXPECT_EQ(dialog.m_Group.chNum[1], 3);
}

TEST_F(EditorDialogs, FavoriteGroupNameTypedBeyondElevenCharactersStaysAtTheLimit)
{
    CFavGroupDlg dialog(nullptr, Doc(), FavCh{}, m_Prompter);
    dialog.show();
    auto* name = Child<QLineEdit>(&dialog, "name");
    name->setFocus();
    QTest::keyClicks(name, "Documentary");
    EXPECT_TRUE(m_Boxes.Shown().isEmpty());
    QTest::keyClicks(name, "X");
    EXPECT_EQ(name->text(), "Documentary");
    EXPECT_EQ(FieldText(dialog.m_Group.favName), "Documentary");
    ASSERT_EQ(m_Boxes.Shown().size(), 1);
    EXPECT_EQ(m_Boxes.Shown()[0].text, "Favorite Group name is too Long!");
    EXPECT_EQ(m_Boxes.Shown()[0].title, "Warning");
    EXPECT_EQ(m_Boxes.Shown()[0].icon, QMessageBox::Critical);
}

// --- Every dialog ---

TEST_F(EditorDialogs, CancelNeverChangesTheDocument)
{
    COrvanel1Doc& doc = Doc();
    const std::vector<uint8_t> before = EncodedImage(doc);
    ASSERT_FALSE(before.empty());
    auto typeThenCancel = [](QDialog* d) {
        if (auto* name = Child<QLineEdit>(d, "name"))
            QTest::keyClicks(name, "Zz");
        if (auto* radio = Child<QRadioButton>(d, "radio"))
            QTest::mouseClick(radio, Qt::LeftButton);
        if (auto* add = Child<QToolButton>(d, "add"))
            QTest::mouseClick(add, Qt::LeftButton);
        ClickButton(d, "cancel");
    };
    OnModalDialog(typeThenCancel);
    EXPECT_FALSE(RunNewSatelliteDialog(nullptr, doc, m_Prompter));
    OnModalDialog(typeThenCancel);
    EXPECT_FALSE(RunEditSatelliteDialog(nullptr, doc, 1, m_Prompter));
    OnModalDialog(typeThenCancel);
    EXPECT_EQ(RunAddTransponderDialog(nullptr, doc, 1, m_Prompter), -1);
    OnModalDialog(typeThenCancel);
    EXPECT_FALSE(RunEditTransponderDialog(nullptr, doc, 1, 1, m_Prompter));
    OnModalDialog(typeThenCancel);
    EXPECT_EQ(RunServiceNameDialog(nullptr, doc, kRadioKind, 3, m_Prompter), -1);
    OnModalDialog(typeThenCancel);
    EXPECT_EQ(RunAddFavGroupDialog(nullptr, doc, m_Prompter), -1);
    OnModalDialog(typeThenCancel);
    EXPECT_FALSE(RunEditFavGroupDialog(nullptr, doc, 0, m_Prompter));
    EXPECT_TRUE(EncodedImage(doc) == before);
}

} // namespace

// --- Update Transponders from Table ---

namespace {

QTreeWidgetItem* PartItem(QTreeWidget* plan, const QString& title)
{
    for (int i = 0; i < plan->topLevelItemCount(); ++i)
        if (plan->topLevelItem(i)->text(0).startsWith(title))
            return plan->topLevelItem(i);
    return nullptr;
}

TEST_F(EditorDialogs, UpdateTranspondersShowsThePlanTakesTicksByKeyAndUpdatesOnlyOnOk)
{
    // The last satellite without services, so that its transponders may be ticked.
    const uint32_t last = Doc().m_SatCnt - 1;
    RemoveSatServices(Doc(), last);
    QTemporaryDir dir;
    const std::string path = dir.filePath("satellites.xml").toStdString();
    std::ofstream(path) << "<satellites>\n<sat name=\"Astra\" position=\"192\">\n"
                           "<transponder frequency=\"11000000\" symbol_rate=\"27500000\" polarization=\"0\"/>\n</sat>\n"
                           "<sat name=\"Thor\" position=\"-10\">\n"
                           "<transponder frequency=\"10800000\" symbol_rate=\"24500000\" polarization=\"1\"/>\n</sat>\n"
                           "</satellites>\n";
    tables::TableFile table;
    std::string error;
    ASSERT_TRUE(tables::LoadTableFile(path, table, error)) << error;
    CTpTableUpdate update(Doc(), int(last), table);
    ASSERT_EQ(update.TableSat(), 1);
    const std::vector<uint8_t> before = EncodedImage(Doc());

    OnModalDialog([&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), "Update Transponders from Table");
        auto* plan = Child<QTreeWidget>(d, "plan");
        QTreeWidgetItem* unlisted = PartItem(plan, "Not in the table");
        ASSERT_NE(unlisted, nullptr);
        ASSERT_GT(unlisted->childCount(), 0);
        ASSERT_NE(PartItem(plan, "To add (1)"), nullptr);
        EXPECT_EQ(PartItem(plan, "To add (1)")->child(0)->text(0), "10800 MHz V 24500 kS/s  (line 6)");

        plan->setFocus();
        plan->setCurrentItem(unlisted->child(0));
        QTest::keyClick(plan, Qt::Key_Space);
        EXPECT_TRUE(update.Ticked(0));
        EXPECT_TRUE(Child<QLabel>(d, "summary")->text().endsWith("1 ticked for removal."));

        // Another satellite of the table makes another plan, without the tick.
        auto* tableSat = Child<QComboBox>(d, "tableSat");
        tableSat->setFocus();
        QTest::keyClick(tableSat, Qt::Key_Up);
        EXPECT_EQ(update.TableSat(), 0);
        EXPECT_EQ(PartItem(plan, "To add (1)")->child(0)->text(0), "11000 MHz H 27500 kS/s  (line 3)");
        QTest::keyClick(tableSat, Qt::Key_Down);
        EXPECT_FALSE(update.Ticked(0));
        EXPECT_EQ(EncodedImage(Doc()), before) << "the dialog changes nothing itself";
        ClickButton(d, "ok");
    });
    EXPECT_TRUE(RunTpUpdateDialog(nullptr, update));
    EXPECT_EQ(update.TableSat(), 1);

    OnModalDialog([](QDialog* d) { ClickButton(d, "cancel"); });
    EXPECT_FALSE(RunTpUpdateDialog(nullptr, update));
}

} // namespace
