// The service lists' own commands, the panel's checks and the LNB panel.
#include "editor_fixture.h"

#include "editing/sat_edit.h"
#include "editing/testing/random_document.h"
#include "editor_ui/core/list_lines.h"
#include "editor_ui/core/tp_update.h"
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

// --- Update Transponders from Table ---

namespace {

// The first carrier of the satellite moved by 1 MHz, a new DVB-S2 one and a new DVB-S one.
std::string StaleAndNewCarriers(const COrvanel1Doc& doc, uint32_t sat)
{
    const TpData& first = doc.m_TpData[Appl_SatTpStart(doc, sat)];
    return "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = " + std::to_string(first.freq * 1000 + 1000) +
           "\n\tPOLARIZATION = " + (first.polar ? "HORIZONTAL" : "VERTICAL") + "\n\tSYMBOL_RATE = " +
           std::to_string(first.sr * 1000) +
           "\n\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11000000\n\tPOLARIZATION = HORIZONTAL\n"
           "\tSYMBOL_RATE = 27500000\n\tINNER_FEC = 3/4\n\tMODULATION = PSK/8\n\tPILOT = ON\n\n"
           "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11100000\n\tPOLARIZATION = VERTICAL\n"
           "\tSYMBOL_RATE = 22000000\n\tINNER_FEC = 5/6\n";
}

TEST_F(EditorTest, UpdatingTranspondersFromATableShowsThePlanAndIsOneStep)
{
    PassingMessages passing;
    ctl.SetListener(&passing);
    OpenDemo({.modelId = 13});
    ctl.SelectSat(1);
    const uint32_t tpNum = doc->m_SatInfo[1].tpNum;
    const uint32_t firstFreq = doc->m_TpData[Appl_SatTpStart(*doc, 1)].freq;
    std::ofstream(dir / "Hotbird-13.0E") << StaleAndNewCarriers(*doc, 1);
    dialogs.tableFiles = {dir / "Hotbird-13.0E"};
    std::vector<std::string> added, unlisted;
    dialogs.updateTps = [&](CTpTableUpdate& update) {
        EXPECT_EQ(doc->m_SatInfo[1].tpNum, tpNum) << "nothing changes before the plan is accepted";
        added = update.Lines(tables::PlanPart::Add);
        unlisted = update.Lines(tables::PlanPart::Unlisted);
        EXPECT_EQ(update.Summary(), "2 to add, 1 to change, 0 unchanged, " + std::to_string(tpNum - 1) +
                                        " not in the table, 0 the STB cannot hold; 0 ticked for removal.");
        EXPECT_FALSE(update.SetTick(0, true)) << "the demo's transponders all carry services";
        return true;
    };
    const size_t steps = ctl.History().Size();
    ctl.Run(Cmd::UpdateTps);
    EXPECT_EQ(added, (std::vector<std::string>{"11000 MHz H 27500 kS/s DVB-S2 8PSK 3/4 pilot on  (line 7)",
                                               "11100 MHz V 22000 kS/s DVB-S  (line 16)"}));
    EXPECT_EQ(unlisted.size(), tpNum - 1);
    EXPECT_EQ(doc->m_SatInfo[1].tpNum, tpNum + 2);
    EXPECT_EQ(doc->m_TpData[Appl_SatTpStart(*doc, 1)].freq, firstFreq + 1);
    ASSERT_EQ(ctl.History().Size(), steps + 1);
    EXPECT_EQ(ctl.History().Entry(steps).description, "Satellite Information : Update Transponders from Table (Hotbird 13E)");
    EXPECT_EQ(passing.Last(), "Satellite \"Hotbird 13E\": 2 transponders added, 1 changed, 0 removed");
    EXPECT_EQ(ctl.CurrentSat(), 1);

    ctl.Run(Cmd::UndoChange);
    EXPECT_EQ(doc->m_SatInfo[1].tpNum, tpNum);
    EXPECT_EQ(doc->m_TpData[Appl_SatTpStart(*doc, 1)].freq, firstFreq);
}

TEST_F(EditorTest, ACancelledOrRefusedTableChangesNothing)
{
    OpenDemo();
    EXPECT_TRUE(ctl.Enabled(Cmd::UpdateTps));
    ctl.Run(Cmd::ViewTv);
    EXPECT_FALSE(ctl.Enabled(Cmd::UpdateTps));
    ctl.Run(Cmd::ViewSat);
    ctl.SelectSat(1);
    std::ofstream(dir / "Hotbird-13.0E") << StaleAndNewCarriers(*doc, 1);
    std::ofstream(dir / "junk", std::ios::binary) << std::string("\x7F" "ELF\x02\x01\x01\x00", 8);
    const uint64_t revision = doc->m_Revision.Current();
    dialogs.tableFiles = {std::nullopt, dir / "junk", dir / "Hotbird-13.0E"};
    dialogs.updateTps = [](CTpTableUpdate&) { return false; };
    ctl.Run(Cmd::UpdateTps);
    ctl.Run(Cmd::UpdateTps);
    EXPECT_EQ(dialogs.opened, 0) << "no file, then no table: no dialog";
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "Cannot take the transponder table \"" + (dir / "junk").string() + "\" line 1: binary data, no scan table.");
    EXPECT_EQ(prompter.shown[0].title, "Update Transponders from Table");
    ctl.Run(Cmd::UpdateTps);
    EXPECT_EQ(dialogs.opened, 1);
    EXPECT_EQ(doc->m_Revision.Current(), revision);
    EXPECT_FALSE(ctl.Edited());
}

TEST_F(EditorTest, TheUpdateTakesTheTablesSatelliteAtOurPositionAndTicksOnlyUnusedTransponders)
{
    OpenDemo();
    // The last satellite without services, so that its transponders may go.
    const uint32_t last = doc->m_SatCnt - 1;
    RemoveSatServices(*doc, last);
    std::ofstream(dir / "satellites.xml")
        << "<satellites>\n<sat name=\"Astra\" position=\"192\">\n"
           "<transponder frequency=\"11000000\" symbol_rate=\"27500000\" polarization=\"0\"/>\n</sat>\n"
           "<sat name=\"Thor\" position=\"-10\">\n"
           "<transponder frequency=\"10800000\" symbol_rate=\"24500000\" polarization=\"1\"/>\n</sat>\n</satellites>\n";
    tables::TableFile table;
    std::string error;
    ASSERT_TRUE(tables::LoadTableFile(dir / "satellites.xml", table, error)) << error;

    CTpTableUpdate update(*doc, int(last), table);
    EXPECT_EQ(update.SatelliteText(), "Thor 1W");
    EXPECT_EQ(update.TableSat(), 1) << "Thor 1W is at 1.0W";
    EXPECT_EQ(update.TableSatellites(), (std::vector<std::string>{"Astra at 19.2E, 1 transponder",
                                                                  "Thor at 1.0W, 1 transponder"}));
    const size_t unlisted = update.Plan().unlisted.size();
    ASSERT_EQ(unlisted, doc->m_SatInfo[last].tpNum);
    for (size_t i = 0; i < unlisted; ++i)
        EXPECT_TRUE(update.SetTick(i, true));
    EXPECT_EQ(update.Summary(), "1 to add, 0 to change, 0 unchanged, " + std::to_string(unlisted) +
                                    " not in the table, 0 the STB cannot hold; " + std::to_string(unlisted) +
                                    " ticked for removal.");
    tables::TpUpdateResult result;
    ASSERT_TRUE(update.Apply(*doc, result)) << result.error;
    EXPECT_EQ(doc->m_SatInfo[last].tpNum, 1u);
    EXPECT_EQ(doc->m_TpData[Appl_SatTpStart(*doc, last)].freq, 10800u);

    CTpTableUpdate elsewhere(*doc, 1, table);
    EXPECT_EQ(elsewhere.TableSat(), -1) << "no satellite of the table is at 13.0E";
    EXPECT_FALSE(elsewhere.CanApply());
    EXPECT_NE(elsewhere.Summary().find("has no satellite at 13.0E"), std::string::npos);
    elsewhere.ChooseTableSat(0);
    EXPECT_TRUE(elsewhere.CanApply());
    EXPECT_EQ(elsewhere.Lines(tables::PlanPart::Add), (std::vector<std::string>{"11000 MHz H 27500 kS/s  (line 3)"}));
}

}  // namespace
