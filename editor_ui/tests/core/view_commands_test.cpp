// The service lists' own commands, the panel's checks and the LNB panel.
#include "editor_fixture.h"

#include "editor_ui/core/list_lines.h"
#include "settings/service_purge.h"

namespace {

std::vector<std::string> Names(COrvanel1Doc& doc, SvcKind kind, uint32_t from, uint32_t count)
{
    std::vector<std::string> names;
    for (uint32_t i = from; i < from + count; ++i)
        names.push_back(Appl_GetSvcName(doc, kind, i));
    return names;
}

TEST_F(EditorTest, RenameKeepsTwentyTwoCharactersAndSetsTheFlag)
{
    OpenDemo();
    ctl.Run(Cmd::ViewTv);
    ctl.CommitRename(kTvKind, 4, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(Appl_GetSvcName(*doc, kTvKind, 4), "ABCDEFGHIJKLMNOPQRSTUV");
    EXPECT_EQ(doc->m_TvSvc[4].renameFlag, 1);
    EXPECT_EQ(SvcListName(*doc, kTvKind, 4), "ABCDEFGHIJKLMNOPQRSTUV");
    EXPECT_EQ(NumberedLine(5, SvcListName(*doc, kTvKind, 4)), "   5. ABCDEFGHIJKLMNOPQRSTUV");
}

TEST_F(EditorTest, TheListsDeleteAsksWhileTheMenusDoesNot)
{
    OpenDemo();
    ctl.Run(Cmd::ViewTv);
    uint32_t count = doc->m_TvSvcCnt;
    std::string third = Appl_GetSvcName(*doc, kTvKind, 2);
    ctl.SetSvcSelection(kTvKind, {0, 1}, 1);
    prompter.answers = {PromptAnswer::No, PromptAnswer::Yes};
    ctl.DeleteAsked(kTvKind);
    EXPECT_EQ(doc->m_TvSvcCnt, count);
    ctl.DeleteAsked(kTvKind);
    EXPECT_EQ(doc->m_TvSvcCnt, count - 2);
    EXPECT_EQ(prompter.shown.back().text, "Delete This Service?");
    EXPECT_EQ(prompter.shown.back().title, "Warnning");
    EXPECT_EQ(Appl_GetSvcName(*doc, kTvKind, 0), third);
    EXPECT_EQ(ctl.SvcState(kTvKind).selection, std::vector<uint32_t>{0});

    ctl.Run(Cmd::Delete);
    EXPECT_EQ(doc->m_TvSvcCnt, count - 3);
    EXPECT_EQ(prompter.shown.size(), 2u);
}

TEST_F(EditorTest, ShiftMovesTheBlockHoldingTheCaret)
{
    OpenDemo();
    ctl.Run(Cmd::ViewTv);
    auto names = Names(*doc, kTvKind, 0, 5);
    ctl.SetSvcSelection(kTvKind, {1, 2}, 2);
    EXPECT_TRUE(ctl.MoveBlock(kTvKind, +1));
    EXPECT_EQ(Names(*doc, kTvKind, 0, 5), (std::vector<std::string>{names[0], names[3], names[1], names[2], names[4]}));
    EXPECT_EQ(ctl.SvcState(kTvKind).selection, (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(ctl.SvcState(kTvKind).caret, 3);
    ctl.SetSvcSelection(kTvKind, {0}, 0);
    EXPECT_FALSE(ctl.MoveBlock(kTvKind, -1)) << "the top stops it";
    ctl.SetSvcSelection(kTvKind, {0, 2}, 0);
    EXPECT_FALSE(ctl.MoveBlock(kTvKind, +1)) << "not contiguous";
}

TEST_F(EditorTest, CutAndPasteMoveABlockAndPasteNeedsTheClipboard)
{
    OpenDemo();
    ctl.Run(Cmd::ViewRadio);
    auto names = Names(*doc, kRadioKind, 0, 6);
    EXPECT_FALSE(ctl.CanPaste(kRadioKind));
    ctl.SetSvcSelection(kRadioKind, {0, 1}, 0);
    ctl.Run(Cmd::Cut);
    EXPECT_TRUE(ctl.CanPaste(kRadioKind));
    ctl.SetSvcSelection(kRadioKind, {2}, 2);
    ctl.Run(Cmd::Paste);
    EXPECT_EQ(Names(*doc, kRadioKind, 0, 6), (std::vector<std::string>{names[2], names[3], names[0], names[1], names[4], names[5]}));
    EXPECT_EQ(ctl.SvcState(kRadioKind).selection, (std::vector<uint32_t>{2, 3}));
    ctl.Run(Cmd::Delete);
    EXPECT_FALSE(ctl.CanPaste(kRadioKind)) << "Edit > Delete invalidates the clipboard";
}

TEST_F(EditorTest, EmptyListTexts)
{
    OpenDemo({.radioServices = 2});
    EXPECT_EQ(ctl.EmptyText(kTvKind), "No TV Service");
    EXPECT_EQ(ctl.EmptyText(kRadioKind), "No Ridio Service");
    ctl.Run(Cmd::ViewRadio);
    ctl.SetSvcSelection(kRadioKind, {0, 1}, 0);
    ctl.Run(Cmd::RadioDeleteSvc);
    EXPECT_EQ(doc->m_RadioSvcCnt, 0u);
    EXPECT_EQ(ctl.EmptyText(kRadioKind), "No Radio Service");
    ctl.Run(Cmd::ViewTv);
    EXPECT_EQ(ctl.EmptyText(kRadioKind), "No Ridio Service");
}

TEST_F(EditorTest, PanelEditsCheckTheirRangeWithTheFrameworkTexts)
{
    OpenDemo();
    ctl.Run(Cmd::ViewRadio);
    ctl.SetSvcSelection(kRadioKind, {0}, 0);
    uint16_t pmt = doc->m_RadioSvc[0].pmtPid;
    EXPECT_EQ(ctl.SetPid(kRadioKind, SvcPidField::PmtPid, "8192", true), FieldResult::Invalid);
    EXPECT_EQ(ctl.SetPid(kRadioKind, SvcPidField::PmtPid, "-1", true), FieldResult::Invalid);
    EXPECT_EQ(ctl.SetPid(kRadioKind, SvcPidField::VideoPid, "5", true), FieldResult::Invalid) << "no VID on radio";
    EXPECT_EQ(ctl.SetPid(kRadioKind, SvcPidField::SvcId, "65535", true), FieldResult::Written);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Please enter an integer between 0 and 8191.",
                                                          "Please enter a positive integer."}));
    EXPECT_EQ(doc->m_RadioSvc[0].pmtPid, pmt);
    EXPECT_EQ(doc->m_RadioSvc[0].svcId, 65535);
    ctl.SetSvcSelection(kRadioKind, {0, 1}, 0);
    EXPECT_FALSE(ctl.PanelEditable(kRadioKind));
    ctl.SetTunerNum(kRadioKind, 2);
    EXPECT_EQ(doc->m_RadioSvc[0].tunerNum, 2);
    EXPECT_EQ(doc->m_RadioSvc[1].tunerNum, 2);
}

// Click the first service, then Ctrl+click the second twice: the first stays selected while
// the panel shows the second.
TEST_F(EditorTest, PanelEditsWriteTheShownServiceOnlyWhileItIsTheOneSelected)
{
    OpenDemo();
    ctl.Run(Cmd::ViewTv);
    const SvcRecord first = doc->m_TvSvc[0];
    const SvcRecord second = doc->m_TvSvc[1];
    ctl.SetSvcSelection(kTvKind, {0}, 1);
    EXPECT_FALSE(ctl.PanelEditable(kTvKind));
    EXPECT_EQ(ctl.SetPid(kTvKind, SvcPidField::PmtPid, "4321", true), FieldResult::Invalid);
    EXPECT_TRUE(doc->m_TvSvc[0] == first);
    EXPECT_TRUE(doc->m_TvSvc[1] == second);

    ctl.SetSvcSelection(kTvKind, {1}, 1);
    ASSERT_TRUE(ctl.PanelEditable(kTvKind));
    EXPECT_EQ(ctl.SetPid(kTvKind, SvcPidField::PmtPid, "4321", true), FieldResult::Written);
    EXPECT_EQ(doc->m_TvSvc[1].pmtPid, 4321);
    EXPECT_TRUE(doc->m_TvSvc[0] == first);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(EditorTest, ATransponderJustAddedIsSelected)
{
    OpenDemo();
    ctl.SetTpSelection({0}, 0);
    dialogs.addedTp = 2;
    ctl.Run(Cmd::AddTp);
    EXPECT_EQ(ctl.TpSelection(), std::vector<uint32_t>{2});
    EXPECT_EQ(ctl.TpCaret(), 2);
    dialogs.addedTp = -1;   // cancelled
    ctl.Run(Cmd::AddTp);
    EXPECT_EQ(ctl.TpCaret(), 2);
}

TEST_F(EditorTest, LnbPanelWritesTheChosenTunersBlock)
{
    OpenDemo({.modelId = 12});
    ctl.SelectSat(1);
    SatInfo& sat = doc->m_SatInfo[1];
    ctl.SetTuner(1);
    ctl.SetLnb(LnbField::Connection, 0);   // Separated: tuner 2 has a block of its own
    ctl.SetLnb(LnbField::Type, 1);         // "9750 MHz"
    EXPECT_EQ(sat.lnb[1].loFreq, 9750);
    EXPECT_EQ(sat.lnb[1].dualLo, 0);
    EXPECT_TRUE(ctl.Lnb().toneVisible);
    ctl.SetLnb(LnbField::Type, 7);   // "9750/10750"
    EXPECT_EQ(sat.lnb[1].loFreq2, 10750);
    EXPECT_EQ(sat.lnb[1].dualLo, 1);
    EXPECT_FALSE(ctl.Lnb().toneVisible);
    ctl.SetLnb(LnbField::Type, kLnbTypeUser);
    EXPECT_EQ(sat.lnb[1].dualLo, 0);
    EXPECT_EQ(ctl.SetLnbLow("5150", false), FieldResult::Written);
    EXPECT_EQ(sat.lnb[1].loFreq, 5150);
    EXPECT_EQ(ctl.Lnb().type, kLnbTypeUser) << "the chosen type stays until the block is read again";
    EXPECT_TRUE(ctl.Lnb().lowEnabled);
    ctl.SetTuner(1);
    EXPECT_EQ(ctl.Lnb().type, 0) << "5150 MHz";
    EXPECT_TRUE(ctl.Edited());

    LnbBlock tuner1 = sat.lnb[0];
    ctl.SetLnb(LnbField::Connection, 1);   // Loop Through
    LnbPanelState state = ctl.Lnb();
    EXPECT_FALSE(state.controlsEnabled);
    EXPECT_TRUE(state.connectionEnabled);
    EXPECT_EQ(state.shownTuner, 0);
    ctl.SetLnb(LnbField::Power, 0);
    EXPECT_EQ(sat.lnb[0], tuner1) << "the disabled panel writes nothing";
    ctl.SetTuner(0);
    EXPECT_FALSE(ctl.Lnb().connectionEnabled);
    ctl.SetLnb(LnbField::Diseqc11, 3);
    EXPECT_EQ(sat.lnb[0].diseqc11, 3);
}

TEST_F(EditorTest, ListLinesAreCleanedAndFormatted)
{
    const char raw[] = "A\x01" "B\x85" "C\xE9" "DEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    EXPECT_EQ(CleanListText(raw, sizeof raw - 1), "ABC\xE9" "DEFGHIJKLMNOPQRSTUVWXYZ012");
    TpData tp;
    tp.freq = 11720;
    tp.sr = 27500;
    tp.polar = 1;
    EXPECT_EQ(TpLine(tp), " 11720 Mhz    27500 KS/s   Horizontal");
    OpenDemo();
    SvcPanelText panel = SvcPanel(*doc, kTvKind, 0);
    EXPECT_EQ(panel.tpText.rfind("TP : ", 0), 0u);
    EXPECT_EQ(panel.satName, SatName(*doc, doc->m_TvSvc[0].satIdx));
}

}  // namespace

namespace {

TEST_F(EditorTest, FavouriteMemberDeleteAsksAndKeepsTheCaretInTheList)
{
    OpenDemo();
    ctl.Run(Cmd::ViewFav);
    ASSERT_EQ(ctl.FavGroup(), 0);
    uint8_t members = doc->m_FavCh[0].numOfFavCh;
    ASSERT_GT(members, 1);
    ctl.SetFavMember(members - 1);
    prompter.answers = {PromptAnswer::No, PromptAnswer::Yes};
    ctl.DeleteFavMemberAsked();
    EXPECT_EQ(doc->m_FavCh[0].numOfFavCh, members);
    ctl.DeleteFavMemberAsked();
    EXPECT_EQ(doc->m_FavCh[0].numOfFavCh, members - 1);
    EXPECT_EQ(ctl.FavMember(), members - 2);
    EXPECT_EQ(prompter.shown.back().text, "Delete This Favorite Item?");
    EXPECT_TRUE(ctl.Edited());
}

}  // namespace
