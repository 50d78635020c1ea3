#include "editing/dialog_rules.h"
#include "editing/tests/edit_test_util.h"
#include "editing/svc_edit.h"

#include <gtest/gtest.h>

using Names = std::vector<std::string>;

namespace {

// A TV service timer and an active EPG reservation on `slot`.
void ReferToTv(COrvanel1Doc& doc, uint32_t index, uint16_t slot)
{
    doc.m_Timer[index].timerKind = kTimerKindService;
    doc.m_Timer[index].timerSvcIdx = slot;
    doc.m_EpgReserve[index].epgKind = 1;
    doc.m_EpgReserve[index].epgSvcIdx = slot;
}

} // namespace

TEST(SvcClipboard, PasteKeepsClipboardOrderAtThePosition)
{
    EditDoc d;
    FillTv(*d, Numbered("S", 15));
    AddFavGroup(*d, "Sports", kTvKind, {10, 9});
    ReferToTv(*d, 0, 12);
    d->m_EtcInfo.lastTvSvc = 10;

    ASSERT_TRUE(Appl_CopySvc(*d, d.clip, kTvKind, {7, 2, 5}));
    EXPECT_EQ(Appl_PasteSvc(*d, d.clip, kTvKind, 10, {10}), 3u);

    const Names names = SvcNames(*d, kTvKind);
    ASSERT_EQ(names.size(), 18u);
    EXPECT_EQ((Names{names[9], names[10], names[11], names[12], names[13]}), (Names{"S9", "S2", "S5", "S7", "S10"}));
    EXPECT_EQ(d->m_FavCh[0].chNum[0], 13);   // S10 followed by its references
    EXPECT_EQ(d->m_FavCh[0].chNum[1], 9);
    EXPECT_EQ(d->m_Timer[0].timerSvcIdx, 15);
    EXPECT_EQ(d->m_EpgReserve[0].epgSvcIdx, 15);
    EXPECT_EQ(d->m_EtcInfo.lastTvSvc, 13);
    EXPECT_EQ(d->m_EtcInfo.altTvSvc, 0xFFFF);
    // Pasting again works: the clipboard survives.
    EXPECT_EQ(Appl_PasteSvc(*d, d.clip, kTvKind, 0, {0}), 3u);
    EXPECT_EQ(SvcNames(*d, kTvKind)[0], "S2");
}

TEST(SvcClipboard, CutThenPasteMovesTheServices)
{
    EditDoc d;
    FillTv(*d, {"A", "B", "C", "D", "E"});
    ASSERT_TRUE(Appl_CutSvc(*d, d.clip, kTvKind, {1, 3}));
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"A", "C", "E"}));
    EXPECT_EQ(Appl_PasteSvc(*d, d.clip, kTvKind, 0, {0}), 2u);
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"B", "D", "A", "C", "E"}));
}

TEST(SvcClipboard, DeleteClearsTheMarkOnlyFromTheEditMenu)
{
    EditDoc d;
    FillTv(*d, {"A", "B", "C", "D"});
    ASSERT_TRUE(Appl_CopySvc(*d, d.clip, kTvKind, {0}));
    ASSERT_TRUE(Appl_DeleteSvc(*d, kTvKind, {3}));   // Function menu: the clipboard stays
    EXPECT_EQ(Appl_PasteSvc(*d, d.clip, kTvKind, 1, {1}), 1u);
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"A", "A", "B", "C"}));

    EXPECT_FALSE(Appl_DeleteSvcClearClip(*d, d.clip, kTvKind, {}));   // no selection: nothing at all
    EXPECT_TRUE(d.clip.Valid(kTvKind));
    ASSERT_TRUE(Appl_DeleteSvcClearClip(*d, d.clip, kTvKind, {0}));
    EXPECT_EQ(Appl_PasteSvc(*d, d.clip, kTvKind, 0, {0}), 0u);
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"A", "B", "C"}));
    EXPECT_TRUE(d.prompter.shown.empty());
    // A cut makes it valid again.
    ASSERT_TRUE(Appl_CutSvc(*d, d.clip, kTvKind, {2}));
    EXPECT_EQ(Appl_PasteSvc(*d, d.clip, kTvKind, 0, {0}), 1u);
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"C", "A", "B"}));
}

TEST(SvcClipboard, ClearingForgetsRecordsNamesAndMarks)
{
    EditDoc d;
    FillTv(*d, {"A", "B"});
    ASSERT_TRUE(Appl_CopySvc(*d, d.clip, kTvKind, {1}));
    EXPECT_TRUE(d.clip.Holds(kTvKind));
    EXPECT_FALSE(d.clip.Holds(kRadioKind));
    EXPECT_EQ(d.clip.Name(0), "B");
    d.clip.Clear();
    EXPECT_FALSE(d.clip.Valid(kTvKind));
    EXPECT_EQ(d.clip.Name(0), "");
    EXPECT_EQ(Appl_PasteSvc(*d, d.clip, kTvKind, 0, {0}), 0u);
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"A", "B"}));
}

TEST(SvcClipboard, CopyOfMoreThan500IsRefusedAndKeepsTheOldClipboard)
{
    EditDoc d;
    FillTv(*d, Numbered("S", 520));
    ASSERT_TRUE(Appl_CopySvc(*d, d.clip, kTvKind, {3}));
    std::vector<uint32_t> many(501);
    for (uint32_t i = 0; i < 501; ++i)
        many[i] = i;
    EXPECT_FALSE(Appl_CopySvc(*d, d.clip, kTvKind, many));
    EXPECT_FALSE(Appl_CutSvc(*d, d.clip, kTvKind, many));
    ASSERT_EQ(d.prompter.shown.size(), 2u);
    EXPECT_EQ(d.prompter.shown[0].text, "Cannot copy more than 500 service Information!");
    EXPECT_EQ(d.prompter.shown[0].title, kProgramTitle);
    EXPECT_EQ(d->m_TvSvcCnt, 520u);
    EXPECT_EQ(d.clip.Count(kTvKind), 1u);
    many.pop_back();
    EXPECT_TRUE(Appl_CopySvc(*d, d.clip, kTvKind, many));
    EXPECT_EQ(d.clip.Count(kTvKind), 500u);
}

TEST(SvcClipboard, PasteStopsAtTheEditingLimitAndSaysSo)
{
    EditDoc d;
    FillTv(*d, Numbered("S", kMaxEditTvSvc - 1));
    d->m_TvSvc[kLastTvSlot].svcId = 0xBEEF;   // the STB's scratch service
    ASSERT_TRUE(Appl_CopySvc(*d, d.clip, kTvKind, {0, 1, 2}));

    EXPECT_EQ(Appl_PasteSvc(*d, d.clip, kTvKind, 5, {5}), 1u);   // room for the first entry only
    EXPECT_EQ(SvcNames(*d, kTvKind)[5], "S0");
    EXPECT_EQ(SvcNames(*d, kTvKind)[6], "S5");
    ASSERT_EQ(d.prompter.shown.size(), 1u);
    EXPECT_EQ(d.prompter.shown[0].text, "Cannot add more TV service Information!");
    EXPECT_EQ(d.prompter.shown[0].title, "Error");

    EXPECT_EQ(Appl_PasteSvc(*d, d.clip, kTvKind, 0, {0}), 0u);
    EXPECT_FALSE(Appl_InsertSvc(*d, d.clip, kTvKind, 0, 0));
    EXPECT_EQ(d->m_TvSvcCnt, kMaxEditTvSvc);
    EXPECT_EQ(d.prompter.shown.size(), 2u);
    EXPECT_EQ(d->m_TvSvc[kLastTvSlot].svcId, 0xBEEF);
}

TEST(SvcRename, NamesAreCutTo23AndTheRestOfThePoolStays)
{
    EditDoc d;
    FillTv(*d, {"Alpha", "Beta", "Gamma"});
    const std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";   // 30 characters
    Appl_ChangeTvSvcName(*d, 0, longName);
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{longName.substr(0, 23), "Beta", "Gamma"}));
    EXPECT_EQ(d->m_TvSvc[0].renameFlag, 0);   // the caller's job

    AddTestSvc(*d, kRadioKind, "Radio");
    Appl_ChangeRadioSvcName(*d, 0, "FM 1");
    EXPECT_EQ(SvcNames(*d, kRadioKind), (Names{"FM 1"}));
    EXPECT_EQ(SvcNames(*d, kTvKind)[2], "Gamma");
}

TEST(SvcMove, ReferencesFollowTheMovedServices)
{
    EditDoc d;
    FillTv(*d, Numbered("S", 8));
    AddTestSvc(*d, kRadioKind, "R0");
    AddFavGroup(*d, "Mix", kTvKind, {2, 4, 6, 7});
    d->m_FavCh[0].svcType[3] = kRadioKind;   // radio member 7 must stay
    ReferToTv(*d, 0, 2);
    ReferToTv(*d, 1, 4);
    d->m_EtcInfo.lastTvSvc = 6;

    ASSERT_TRUE(Appl_MoveSvc(*d, kTvKind, 2, 6));
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"S0", "S1", "S3", "S4", "S5", "S6", "S2", "S7"}));
    const FavCh& group = d->m_FavCh[0];
    EXPECT_EQ((std::vector<int>{group.chNum[0], group.chNum[1], group.chNum[2], group.chNum[3]}),
              (std::vector<int>{6, 3, 5, 7}));
    EXPECT_EQ(d->m_Timer[0].timerSvcIdx, 6);
    EXPECT_EQ(d->m_EpgReserve[1].epgSvcIdx, 3);
    EXPECT_EQ(d->m_EtcInfo.lastTvSvc, 5);

    ASSERT_TRUE(Appl_MoveSvc(*d, kTvKind, 6, 2));
    EXPECT_EQ(SvcNames(*d, kTvKind), Numbered("S", 8));
    EXPECT_EQ(group.chNum[0], 2);
    EXPECT_EQ(d->m_EtcInfo.lastTvSvc, 6);
    EXPECT_FALSE(Appl_MoveSvc(*d, kTvKind, 2, 8));
}

TEST(SvcMove, BlockMovesPutTheNeighbourOnTheOtherSide)
{
    EditDoc d;
    FillTv(*d, Numbered("S", 8));
    AddFavGroup(*d, "News", kTvKind, {2, 4});
    ASSERT_TRUE(Appl_MoveSvcBlock(*d, kTvKind, 3, 3, 2));
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"S0", "S1", "S3", "S4", "S5", "S2", "S6", "S7"}));
    EXPECT_EQ(d->m_FavCh[0].chNum[0], 5);
    EXPECT_EQ(d->m_FavCh[0].chNum[1], 3);
    ASSERT_TRUE(Appl_MoveSvcBlock(*d, kTvKind, 2, 3, 5));
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"S0", "S1", "S2", "S6", "S7", "S3", "S4", "S5"}));
    EXPECT_EQ(d->m_FavCh[0].chNum[0], 2);
    EXPECT_EQ(d->m_FavCh[0].chNum[1], 6);
    EXPECT_FALSE(Appl_MoveSvcBlock(*d, kTvKind, 5, 3, 6));
    EXPECT_FALSE(Appl_MoveSvcBlock(*d, kTvKind, 0, 0, 1));
}

TEST(SvcFlags, TheCurrentServiceDecidesTheToggle)
{
    EditDoc d;
    FillTv(*d, {"A", "B", "C", "D"});
    d->m_TvSvc[1].scrambled = 1;
    ASSERT_TRUE(Appl_ToggleCas(*d, kTvKind, {0, 1, 2}, 1));   // set at the caret: all cleared
    EXPECT_EQ(d->m_TvSvc[0].scrambled + d->m_TvSvc[1].scrambled + d->m_TvSvc[2].scrambled, 0);
    ASSERT_TRUE(Appl_ToggleCas(*d, kTvKind, {0, 2}, 3));      // clear at the caret: all set
    EXPECT_EQ(d->m_TvSvc[0].scrambled + d->m_TvSvc[2].scrambled, 2);
    EXPECT_EQ(d->m_TvSvc[3].scrambled, 0);
    ASSERT_TRUE(Appl_ToggleLock(*d, kTvKind, {3}, 3));
    EXPECT_EQ(d->m_TvSvc[3].lock, 1);
    EXPECT_FALSE(Appl_ToggleLock(*d, kTvKind, {3}, 4));
}

TEST(SvcFlags, TunerAndPidSettersKeepTheirRanges)
{
    EditDoc d;
    FillTv(*d, {"A"});
    AddTestSvc(*d, kRadioKind, "R");
    EXPECT_FALSE(Appl_SetTuner(*d, kTvKind, {0}, 0));
    EXPECT_FALSE(Appl_SetTuner(*d, kTvKind, {0}, 4));
    EXPECT_TRUE(Appl_SetSvcPid(*d, kTvKind, 0, SvcPidField::SvcId, 65535));
    EXPECT_TRUE(Appl_SetSvcPid(*d, kTvKind, 0, SvcPidField::VideoPid, 8191));
    EXPECT_FALSE(Appl_SetSvcPid(*d, kTvKind, 0, SvcPidField::AudioPid, 8192));
    EXPECT_FALSE(Appl_SetSvcPid(*d, kRadioKind, 0, SvcPidField::VideoPid, 10));
    EXPECT_EQ(d->m_TvSvc[0].svcId, 65535);
    EXPECT_EQ(d->m_TvSvc[0].videoPid, 8191);
    EXPECT_EQ(d->m_TvSvc[0].audioPid, 300);
}

TEST(SvcNameDialog, RenamesFlagsAndMoves)
{
    EditDoc d;
    FillTv(*d, {"A", "B", "C"});
    EXPECT_EQ(SvcNameDlg_Apply(*d, kTvKind, 0, "A", 1), 0);
    EXPECT_EQ(d->m_TvSvc[0].renameFlag, 1);   // set even for an unchanged name
    EXPECT_EQ(SvcNameDlg_Apply(*d, kTvKind, 0, "New A", 3), 2);
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"B", "C", "New A"}));
    EXPECT_EQ(d->m_TvSvc[2].renameFlag, 1);
    EXPECT_EQ(SvcNameDlg_Apply(*d, kTvKind, 0, "X", 4), -1);
}
