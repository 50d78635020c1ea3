#include "editing/tests/edit_test_util.h"
#include "editing/testing/random_document.h"
#include "editing/sat_edit.h"

#include <gtest/gtest.h>

using Names = std::vector<std::string>;

namespace {

TpValues Tp(uint32_t freq, uint32_t sr, uint8_t polar = 1, uint32_t streamId = 0)
{
    TpValues v;
    v.freq = freq;
    v.sr = sr;
    v.polar = polar;
    v.streamId = streamId;
    return v;
}

// Astra with transponders 11719/27450 H and 11000/3000 H.
void NearIdenticalSetup(COrvanel1Doc& doc)
{
    AddTestSat(doc, "Astra", 2);
    doc.m_TpData[0].freq = 11719;
    doc.m_TpData[0].sr = 27450;
    doc.m_TpData[1].freq = 11000;
    doc.m_TpData[1].sr = 3000;
    AddTestSat(doc, "Hotbird", 1, 12000);
}

} // namespace

TEST(Transponders, NearIdenticalRuleAtHighSymbolRates)
{
    EditDoc d;
    NearIdenticalSetup(*d);
    uint32_t match = 99;
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11720, 27500), &match), FindTpResult::NearIdentical);
    EXPECT_EQ(match, 0u);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11722, 27550), nullptr), FindTpResult::NearIdentical);   // |3|, |100|
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11723, 27450), nullptr), FindTpResult::None);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11719, 27551), nullptr), FindTpResult::None);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11719, 27450, 0), nullptr), FindTpResult::None);      // other polarity
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11719, 27450, 1, 5), nullptr), FindTpResult::None);   // other stream
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11719, 27450, 1, 256), nullptr), FindTpResult::NearIdentical);   // low 8 bits

    EXPECT_EQ(Appl_AddTp(*d, 0, Tp(11720, 27500), DvbS2Choice{1, 1, 1}), FindTpResult::NearIdentical);
    EXPECT_EQ(d->m_SatInfo[0].tpNum, 2);
    EXPECT_EQ(d->m_TpData[0].freq, 11720u);
    EXPECT_EQ(d->m_TpData[0].sr, 27500);
    EXPECT_EQ(d->m_TpS2[0].modulation_system, 1u);
    EXPECT_EQ(d->m_TpS2[0].fec, 7u);   // QPSK, second choice: 3/5
    EXPECT_EQ(d->m_TpS2[0].filot, 1u);
}

TEST(Transponders, NearIdenticalRuleBelow5000)
{
    EditDoc d;
    NearIdenticalSetup(*d);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11001, 3010), nullptr), FindTpResult::NearIdentical);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11002, 3000), nullptr), FindTpResult::None);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11000, 2989), nullptr), FindTpResult::None);
    // 4999 uses the narrow rule, 5000 the wide one.
    d->m_TpData[1].sr = 5000;
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11003, 4999), nullptr), FindTpResult::None);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(11003, 5050), nullptr), FindTpResult::NearIdentical);
}

TEST(Transponders, FindRefusesOutOfRangeValuesAndFullSatellites)
{
    EditDoc d;
    NearIdenticalSetup(*d);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(1999, 27500), nullptr), FindTpResult::Invalid);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(16384, 27500), nullptr), FindTpResult::Invalid);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(12000, 999), nullptr), FindTpResult::Invalid);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(12000, 45001), nullptr), FindTpResult::Invalid);
    EXPECT_EQ(Appl_FindTp(*d, 255, Tp(12000, 27500), nullptr), FindTpResult::Invalid);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(2000, 1000), nullptr), FindTpResult::None);
    EXPECT_EQ(Appl_FindTp(*d, 0, Tp(16383, 45000), nullptr), FindTpResult::None);

    EditDoc full;
    AddTestSat(*full, "Astra", kMaxTpPerSat, 2000);
    AddTestSat(*full, "Hotbird", 1);
    EXPECT_EQ(Appl_AddTp(*full, 0, Tp(16050, 27500), {}), FindTpResult::Invalid);
    EXPECT_EQ(full->m_TpCnt, kMaxTpPerSat + 1);
    EXPECT_TRUE(full.prompter.shown.empty());
}

TEST(Transponders, AddInsertsAtTheEndOfTheSatellitesBlock)
{
    EditDoc d;
    NearIdenticalSetup(*d);
    AddTestSvc(*d, kTvKind, "on Hotbird", 1, 0);
    d->m_TpS2[2].fec = 9;   // moves with its transponder
    EXPECT_EQ(Appl_AddTp(*d, 0, Tp(12500, 22000, 0, 0x1FF), DvbS2Choice{2, 5, 0}), FindTpResult::None);
    EXPECT_EQ(d->m_TpCnt, 4u);
    EXPECT_EQ(d->m_SatInfo[0].tpNum, 3);
    const TpData& added = d->m_TpData[2];
    EXPECT_EQ(added.freq, 12500u);
    EXPECT_EQ(added.polar, 0);
    EXPECT_EQ(added.satIdx, 0);
    EXPECT_EQ(added.tpWord1, 0xFF);
    EXPECT_EQ(d->m_TpS2[2].modulation_type, 2u);
    EXPECT_EQ(d->m_TpS2[2].fec, 9u);   // 8PSK, sixth choice: 9/10
    EXPECT_EQ(d->m_TpData[3].satIdx, 1);
    EXPECT_EQ(d->m_TpS2[3].fec, 9u);
    EXPECT_EQ(d->m_SatInfo[1].firstTp, 3u);
    EXPECT_EQ(d->m_TvSvc[0].tpIdx, 0);   // indexes count within the satellite
    EXPECT_TRUE(CheckDocInvariants(*d).empty());
}

TEST(Transponders, AFullTableSaysErrorTpNewAdd)
{
    EditDoc d;
    for (uint32_t s = 0; s < 12; ++s)
        AddTestSat(*d, "Sat" + std::to_string(s), s < 11 ? 255 : 194, 2000);
    ASSERT_EQ(d->m_TpCnt, kMaxEditTp);
    const uint64_t before = d->m_Revision.Current();
    EXPECT_EQ(Appl_AddTp(*d, 11, Tp(2050, 27500), {}), FindTpResult::Invalid);
    EXPECT_EQ(d->m_Revision.Current(), before);
    EXPECT_EQ(d.prompter.Texts(), (Names{"Error Tp new Add"}));
    EXPECT_EQ(d.prompter.shown[0].title, "Notice");
    EXPECT_EQ(d->m_TpCnt, kMaxEditTp);
    EXPECT_FALSE(Appl_CanAddSat(*d));
}

TEST(Transponders, EditWritesWithoutTheNearIdenticalTest)
{
    EditDoc d;
    NearIdenticalSetup(*d);
    EXPECT_TRUE(Appl_EditTp(*d, 0, 1, Tp(11719, 27450, 1, 0x305), DvbS2Choice{}));
    EXPECT_EQ(d->m_TpData[1].freq, 11719u);
    EXPECT_EQ(d->m_TpData[1].tpWord1, 5);
    EXPECT_EQ(d->m_TpS2[1].modulation_type, 1u);
    EXPECT_EQ(d->m_SatInfo[0].tpNum, 2);
    EXPECT_FALSE(Appl_EditTp(*d, 0, 2, Tp(11719, 27450), {}));
    EXPECT_FALSE(Appl_EditTp(*d, -1, 0, Tp(11719, 27450), {}));
    EXPECT_EQ(d.prompter.Texts(), (Names{"First, Select TP !", "First, Select TP !"}));
}

TEST(Transponders, DvbS2ChoicesRoundTrip)
{
    for (int modulation = 0; modulation < 3; ++modulation)
        for (int fec = 0; fec < static_cast<int>(std::max<size_t>(FecNumbers(modulation).size(), 1)); ++fec)
            for (int pilot = 0; pilot < (modulation ? 2 : 1); ++pilot) {
                const DvbS2Choice choice{modulation, modulation ? fec : 0, pilot};
                const DvbS2Choice back = ChoiceFromDvbS2(DvbS2FromChoice(choice, 0));
                EXPECT_EQ(back.modulation, choice.modulation);
                EXPECT_EQ(back.fecIdx, choice.fecIdx);
                EXPECT_EQ(back.pilot, choice.pilot);
            }
    DvbS2Params unknown;
    unknown.modulation_system = 1;
    unknown.modulation_type = 1;
    unknown.fec = 5;
    EXPECT_EQ(ChoiceFromDvbS2(unknown).fecIdx, 0);
    EXPECT_EQ(FecTexts(1), (Names{"1/2", "3/5", "2/3", "3/4", "4/5", "5/6", "8/9", "9/10"}));
    EXPECT_EQ(FecTexts(2), (Names{"3/5", "2/3", "3/4", "5/6", "8/9", "9/10"}));
}

TEST(Transponders, DeletingTransponderRemovesItsServicesOnConsent)
{
    EditDoc d;
    AddTestSat(*d, "Astra", 4);
    AddTestSat(*d, "Hotbird", 2, 12000);
    AddTestSvc(*d, kTvKind, "tp1", 0, 1);
    AddTestSvc(*d, kTvKind, "tp3", 0, 3);
    AddTestSvc(*d, kRadioKind, "tp2", 0, 2);
    AddTestSvc(*d, kTvKind, "hot1", 1, 1);

    EXPECT_FALSE(Appl_DeleteTps(*d, 0, {0, 1, 2, 3}));
    EXPECT_FALSE(Appl_DeleteTps(*d, 0, {}));
    EXPECT_FALSE(Appl_DeleteTps(*d, -1, {0}));
    EXPECT_EQ(d.prompter.Texts(), (Names{"Cannot delete all TP..", "First, Select TP !", "First, Select TP !"}));
    EXPECT_EQ(d.prompter.shown[0].title, kProgramTitle);

    // Yes to delete, Yes for TP 2 (radio), No for TP 1: TP 2 stays deleted.
    d.prompter.shown.clear();
    d.prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes, PromptAnswer::No};
    EXPECT_FALSE(Appl_DeleteTps(*d, 0, {1, 2}));
    EXPECT_EQ(d.prompter.Texts(),
              (Names{"Delete TP information?", "One or more TV/Radio services use this TP info.\nDo you want to continue?",
                     "One or more TV/Radio services use this TP info.\nDo you want to continue?"}));
    EXPECT_EQ(d->m_SatInfo[0].tpNum, 3);
    EXPECT_EQ(d->m_RadioSvcCnt, 0u);
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"tp1", "tp3", "hot1"}));
    EXPECT_EQ(d->m_TvSvc[1].tpIdx, 2);   // was 3
    EXPECT_EQ(d->m_TvSvc[2].tpIdx, 1);   // other satellite untouched
    EXPECT_EQ(d->m_TpData[2].freq, 11300u);
    EXPECT_TRUE(CheckDocInvariants(*d).empty());
}

TEST(Satellites, DeletingSatelliteTwoOfFiveRenumbersTheRest)
{
    EditDoc d;
    for (uint32_t s = 0; s < 5; ++s)
        AddTestSat(*d, "Sat" + std::to_string(s), s + 1, 10000 + 1000 * s);
    for (uint8_t s = 0; s < 5; ++s)
        AddTestSvc(*d, kTvKind, "on" + std::to_string(s), s, s / 2);
    AddTestSvc(*d, kRadioKind, "r2", 2, 2);
    AddTestSvc(*d, kRadioKind, "r4", 4, 3);
    AddFavGroup(*d, "Fav", kTvKind, {4, 2});
    d->m_TpS2[d->m_SatInfo[3].firstTp].fec = 4;

    d.prompter.answers = {PromptAnswer::Yes, PromptAnswer::No};
    EXPECT_FALSE(Appl_DeleteSat(*d, 2));
    EXPECT_EQ(d->m_SatCnt, 5u);
    EXPECT_EQ(d->m_TvSvcCnt, 5u);

    d.prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    EXPECT_TRUE(Appl_DeleteSat(*d, 2));
    EXPECT_EQ(d.prompter.shown[2].text, "Delete Satellite?");
    EXPECT_EQ(d.prompter.shown[3].text, "One or more TV/Radio services use this sat info.\nWant to continue?");
    EXPECT_EQ(d->m_SatCnt, 4u);
    EXPECT_EQ(FieldText(d->m_SatInfo[2].name), "Sat3");
    EXPECT_EQ(d->m_SatInfo[2].satIndexByte, 2);
    EXPECT_EQ(d->m_SatInfo[4].name[0], '\0');
    EXPECT_EQ(d->m_TpCnt, 15u - 3u);
    EXPECT_EQ(d->m_TpS2[d->m_SatInfo[2].firstTp].fec, 4u);
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"on0", "on1", "on3", "on4"}));
    EXPECT_EQ(d->m_TvSvc[2].satIdx, 2);
    EXPECT_EQ(d->m_TvSvc[3].satIdx, 3);
    EXPECT_EQ(d->m_RadioSvc[0].satIdx, 3);
    EXPECT_EQ(d->m_RadioSvcCnt, 1u);
    EXPECT_EQ(d->m_FavCh[0].numOfFavCh, 1);
    EXPECT_EQ(d->m_FavCh[0].chNum[0], 3);
    EXPECT_TRUE(CheckDocInvariants(*d).empty());
}

TEST(Satellites, DeleteNeedsTwoSatellitesAndAChoice)
{
    EditDoc d;
    AddTestSat(*d, "Astra", 1);
    EXPECT_FALSE(Appl_DeleteSat(*d, 0));
    AddTestSat(*d, "Hotbird", 1);
    EXPECT_FALSE(Appl_DeleteSat(*d, 2));
    EXPECT_FALSE(Appl_DeleteSat(*d, -1));
    EXPECT_EQ(d.prompter.Texts(), (Names(3, "Cannot delete the selected Satellite !")));
    d.prompter.answers = {PromptAnswer::No};
    EXPECT_FALSE(Appl_DeleteSat(*d, 1));
    EXPECT_EQ(d->m_SatCnt, 2u);
}

TEST(Satellites, AddMakesTheNewSatelliteFromTheLastOne)
{
    EditDoc d;
    EXPECT_EQ(Appl_AddSat(*d, "First", 127), -1);
    EXPECT_EQ(d.prompter.Texts(), (Names{"Cannot add new satellite!"}));

    AddTestSat(*d, "Astra", 2, 11000);
    AddTestSat(*d, "Hotbird", 3, 12000);
    d->m_SatInfo[1].satWord = 0x1234;
    d->m_SatInfo[1].lnb[0].loFreq = 5150;
    EXPECT_EQ(Appl_AddSat(*d, "Eutelsat", 12), 2);
    const SatInfo& sat = d->m_SatInfo[2];
    EXPECT_EQ(FieldText(sat.name), "Eutelsat");
    EXPECT_EQ(sat.satWord, 0x1234);
    EXPECT_EQ(sat.satIndexByte, 2);
    EXPECT_EQ(sat.satTail[1], 0);
    EXPECT_EQ(sat.satTail[2], 0xFFFF);
    for (const LnbBlock& lnb : sat.lnb) {
        EXPECT_EQ(lnb.lnbPower, 1);
        EXPECT_EQ(lnb.dualLo, 1);
        EXPECT_EQ(lnb.loFreq, 9750);
        EXPECT_EQ(lnb.loFreq2, 10600);
        EXPECT_EQ(lnb.positionIdx, 12);
        EXPECT_EQ(lnb.positionIdxB, 12);
        EXPECT_EQ(lnb.lnbByte7, 127);
    }
    EXPECT_EQ(sat.tpNum, 1);
    EXPECT_EQ(d->m_TpData[5].freq, 12000u);
    EXPECT_EQ(d->m_TpData[5].satIdx, 2);
    EXPECT_EQ(d->m_SatCnt, 3u);
    EXPECT_TRUE(CheckDocInvariants(*d).empty());

    EXPECT_TRUE(Appl_EditSat(*d, 2, "Eutel", 127));
    EXPECT_EQ(d->m_SatInfo[2].lnb[1].positionIdxB, 127);
    EXPECT_EQ(FieldText(d->m_SatInfo[2].name), "Eutel");
}

TEST(Satellites, AddIsRefusedAtTheVariantsLimit)
{
    EditDoc d;
    for (uint32_t s = 0; s < 120; ++s)
        AddTestSat(*d, "S" + std::to_string(s), 1);
    EXPECT_TRUE(Appl_CanAddSat(*d));
    d->m_ModelId = 8;   // the ST image holds 120 satellites
    EXPECT_FALSE(Appl_CanAddSat(*d));
    d->m_ModelId = 0;
    for (uint32_t s = 120; s < kMaxEditSat; ++s)
        AddTestSat(*d, "S" + std::to_string(s), 1);
    EXPECT_FALSE(Appl_CanAddSat(*d));
    EXPECT_EQ(d.prompter.Texts(), (Names(2, "Cannot add more satellite!")));
}
