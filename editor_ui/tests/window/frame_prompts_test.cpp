// Leaving the program, the LNB panel and the "Tuner Number" box through the real widgets.
#include "frame_fixture.h"

#include "editor_ui/window/lnb_panel_widget.h"
#include "editor_ui/window/sat_view.h"
#include "editor_ui/window/svc_info_panel.h"
#include "editor_ui/window/svc_list_view.h"
#include "editor_ui/window/svc_view.h"
#include "settings/demo_settings.h"
#include "settings/settings_file.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {

TEST_F(FrameTest, ExitWithAnEditedDocumentAsks)
{
    OpenDemoByKeys();
    Key(&frame, Qt::Key_F2);
    CSvcView* tv = frame.View()->SvcView(kTvKind);
    QTest::mouseClick(tv->List()->viewport(), Qt::LeftButton, {},
                      tv->List()->visualRect(tv->List()->model()->index(0, 0)).center());
    QList<QLineEdit*> edits = tv->findChildren<QLineEdit*>();
    auto pmt = std::find_if(edits.begin(), edits.end(), [](QLineEdit* e) { return e->accessibleName() == "PMT"; });
    ASSERT_NE(pmt, edits.end());
    (*pmt)->setFocus();
    (*pmt)->selectAll();
    QTest::keyClicks(*pmt, "99");
    EXPECT_EQ(doc->m_TvSvc[0].pmtPid, 99) << "a valid value is written at once";

    CMessageBoxAnswerer answerer({QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::No});
    EXPECT_FALSE(frame.close()) << "Cancel keeps the program";
    EXPECT_FALSE(frame.close()) << "Yes and a cancelled Save As keep it";
    EXPECT_TRUE(frame.close()) << "No closes";
    ASSERT_EQ(answerer.Shown().size(), 3);
    EXPECT_EQ(answerer.Shown()[0].text, "Save the Current information?");
    EXPECT_EQ(answerer.Shown()[0].title, "Warnning");
    EXPECT_EQ(answerer.Shown()[0].icon, QMessageBox::Question);
}

TEST_F(FrameTest, InvalidPanelValueIsRefusedWithTheFrameworkText)
{
    OpenDemoByKeys();
    Key(&frame, Qt::Key_F3);
    CSvcView* radio = frame.View()->SvcView(kRadioKind);
    QTest::mouseClick(radio->List()->viewport(), Qt::LeftButton, {},
                      radio->List()->visualRect(radio->List()->model()->index(0, 0)).center());
    uint16_t pcr = doc->m_RadioSvc[0].pcrPid;
    QList<QLineEdit*> edits = radio->findChildren<QLineEdit*>();
    auto edit = std::find_if(edits.begin(), edits.end(), [](QLineEdit* e) { return e->accessibleName() == "PCR"; });
    ASSERT_NE(edit, edits.end());
    (*edit)->setFocus();
    (*edit)->selectAll();
    QTest::keyClicks(*edit, "-5");
    CMessageBoxAnswerer answerer;
    QTest::keyClick(*edit, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(doc->m_RadioSvc[0].pcrPid, pcr);
    EXPECT_EQ((*edit)->text(), QString::number(pcr)) << "the stored value again";

    (*edit)->selectAll();
    QTest::keyClicks(*edit, "99999");   // each valid step is written at once: 9, 99, 999, 9999
    QTest::keyClick(*edit, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(answerer.Texts(), (QStringList{"Please enter a positive integer.", "Please enter an integer between 0 and 8191."}));
    EXPECT_EQ(doc->m_RadioSvc[0].pcrPid, 999);
    EXPECT_EQ((*edit)->text(), "999");
}

TEST_F(FrameTest, LnbPanelWritesTheTunersBlockAndLoopThroughDisablesIt)
{
    auto source = std::make_unique<COrvanel1Doc>();
    source->m_SideFileFolder = dir;
    BuildDemoSettings(*source, {.modelId = 12});
    ASSERT_EQ(SaveSettingsFile(*source, dir / "st.std"), SettingsFileResult::Ok);
    dialogs.openFiles = {dir / "st.std"};
    Key(&frame, Qt::Key_O, Qt::ControlModifier);
    CLnbPanelWidget* lnb = frame.View()->SatView()->LnbPanel();
    QComboBox* tuner = lnb->TunerBox();
    ASSERT_TRUE(tuner->isEnabled());
    QList<QComboBox*> boxes = lnb->findChildren<QComboBox*>();
    auto named = [&](const QString& first) {
        return *std::find_if(boxes.begin(), boxes.end(), [&](QComboBox* b) { return b->itemText(0) == first; });
    };
    QComboBox* type = named("5150 MHz");
    QComboBox* connection = named("Separated");
    QCheckBox* tone = lnb->findChild<QCheckBox*>(QString(), Qt::FindChildrenRecursively);
    QList<QCheckBox*> checks = lnb->findChildren<QCheckBox*>();
    tone = *std::find_if(checks.begin(), checks.end(), [](QCheckBox* c) { return c->text() == "22 KHz"; });

    Key(tuner, Qt::Key_Down);   // tuner 2
    EXPECT_EQ(ctl.Tuner(), 1);
    EXPECT_TRUE(connection->isEnabled());
    EXPECT_EQ(connection->currentText(), "Loop Through");
    EXPECT_FALSE(type->isEnabled()) << "tuner 2 follows tuner 1";
    Key(connection, Qt::Key_Up);   // Separated
    const SatInfo& sat = doc->m_SatInfo[0];
    EXPECT_EQ(sat.lnb[1].tunerMode, 0);
    ASSERT_TRUE(type->isEnabled());

    type->setCurrentIndex(0);
    Key(type, Qt::Key_Down);   // "9750 MHz"
    EXPECT_EQ(sat.lnb[1].loFreq, 9750);
    EXPECT_EQ(sat.lnb[1].dualLo, 0);
    EXPECT_TRUE(tone->isVisibleTo(lnb));
    for (int i = 0; i < 6; ++i)
        Key(type, Qt::Key_Down);   // to "9750/10750"
    EXPECT_EQ(sat.lnb[1].loFreq, 9750);
    EXPECT_EQ(sat.lnb[1].loFreq2, 10750);
    EXPECT_EQ(sat.lnb[1].dualLo, 1);
    EXPECT_FALSE(tone->isVisibleTo(lnb));
    Key(type, Qt::Key_Down);       // "User"
    EXPECT_EQ(sat.lnb[1].dualLo, 0);
    EXPECT_TRUE(tone->isVisibleTo(lnb));
    EXPECT_EQ(QApplication::focusWidget()->accessibleName(), "Low");
    EXPECT_NE(sat.lnb[0], sat.lnb[1]) << "tuner 1's block is untouched";
    EXPECT_TRUE(ctl.Edited());
}

}  // namespace
