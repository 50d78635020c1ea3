// The plan that brings a satellite's transponders up to date from a table, and carrying it out.
#include "tables/tp_plan.h"

#include "editing/edit_common.h"
#include "editing/sat_edit.h"
#include "editing/testing/random_document.h"
#include "settings/demo_settings.h"
#include "settings/service_purge.h"
#include "tables/tests/table_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using namespace tables;
using tables_testing::Tp;

constexpr uint8_t kDvbS2Model = 13;

std::unique_ptr<COrvanel1Doc> Demo(uint8_t modelId)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    BuildDemoSettings(*doc, DemoOptions{.modelId = modelId});
    return doc;
}

const TpData& SatTp(const COrvanel1Doc& doc, uint32_t sat, uint32_t tpIdx)
{
    return doc.m_TpData[Appl_SatTpStart(doc, sat) + tpIdx];
}

// The satellite's transponders as a table lists them (DVB-S, 3/4).
TpTable TableOfSat(const COrvanel1Doc& doc, uint32_t sat)
{
    TpTable table;
    table.name = "test table";
    for (uint32_t i = 0; i < doc.m_SatInfo[sat].tpNum; ++i) {
        const TpData& tp = SatTp(doc, sat, i);
        table.tps.push_back(Tp(tp.freq * 1000, tp.polar ? Polarization::Horizontal : Polarization::Vertical, tp.sr * 1000u));
        table.tps.back().line = 10 * (i + 1);
    }
    return table;
}

// Each service's transponder by frequency and polarization.
std::vector<std::pair<uint32_t, uint8_t>> ServiceCarriers(const COrvanel1Doc& doc, SvcKind kind)
{
    std::vector<std::pair<uint32_t, uint8_t>> carriers;
    for (uint32_t i = 0; i < SvcCount(doc, kind); ++i) {
        const SvcRecord& svc = SvcTable(doc, kind)[i];
        const TpData& tp = SatTp(doc, svc.satIdx, svc.tpIdx);
        carriers.emplace_back(tp.freq, tp.polar);
    }
    return carriers;
}

TEST(TpPlan, TheSatellitesOwnTableChangesNothing)
{
    auto doc = Demo(0);
    const TpPlan plan = PlanTpUpdate(*doc, 1, TableOfSat(*doc, 1));
    EXPECT_EQ(plan.unchanged, doc->m_SatInfo[1].tpNum);
    EXPECT_TRUE(plan.adds.empty());
    EXPECT_TRUE(plan.changes.empty());
    EXPECT_TRUE(plan.unlisted.empty());
    EXPECT_TRUE(plan.losses.empty()) << "nothing is written, so nothing is lost";
}

TEST(TpPlan, AStaleSatelliteIsBroughtUpToDateAndServicesKeepTheirTransponders)
{
    auto doc = Demo(kDvbS2Model);
    const uint32_t sat = 1;
    const uint32_t tpNum = doc->m_SatInfo[sat].tpNum;
    const auto tvBefore = ServiceCarriers(*doc, kTvKind);
    TpTable table = TableOfSat(*doc, sat);
    for (TableTp& tp : table.tps) {   // moved by a MHz and a quarter, now DVB-S2 8PSK 3/4 with pilots
        tp.freqKHz += 1250;
        tp.system = DeliverySystem::DvbS2;
        tp.modulation = Modulation::Psk8;
        tp.pilot = Pilot::On;
    }
    table.tps[3].symbolRate = 30000000;
    table.tps.erase(table.tps.begin() + 5);
    table.tps.erase(table.tps.begin());
    for (uint32_t f : {11000000u, 11050000u, 11100000u})
        table.tps.push_back(Tp(f, Polarization::Vertical, 22000000, DeliverySystem::DvbS2, Modulation::Qpsk, Fec::R5_6));

    TpPlan plan = PlanTpUpdate(*doc, int(sat), table);
    ASSERT_EQ(plan.changes.size(), tpNum - 2);
    ASSERT_EQ(plan.adds.size(), 3u);
    ASSERT_EQ(plan.unlisted.size(), 2u);
    EXPECT_EQ(plan.unlisted[0].tpIdx, 0u);
    EXPECT_EQ(plan.unlisted[1].tpIdx, 5u);
    EXPECT_EQ(plan.changes[2].after.sr, 30000);
    for (size_t i = 0; i < plan.unlisted.size(); ++i)
        EXPECT_EQ(SetRemove(plan, i, true), plan.unlisted[i].users == 0);

    TpUpdateResult result;
    ASSERT_TRUE(ApplyTpPlan(*doc, plan, result)) << result.error;
    EXPECT_EQ(result.added, 3u);
    EXPECT_EQ(result.changed, tpNum - 2);
    EXPECT_TRUE(CheckDocInvariants(*doc).empty());

    // Every entry of the table is one transponder of the satellite, with the table's values.
    const uint32_t now = doc->m_SatInfo[sat].tpNum;
    for (const TableTp& entry : table.tps) {
        const uint32_t freq = (entry.freqKHz + 500) / 1000;
        uint32_t found = 0;
        for (uint32_t i = 0; i < now; ++i) {
            const uint32_t at = Appl_SatTpStart(*doc, sat) + i;
            const TpData& tp = doc->m_TpData[at];
            if (tp.freq != freq || tp.polar != (entry.polar == Polarization::Horizontal))
                continue;
            ++found;
            EXPECT_EQ(tp.sr, entry.symbolRate / 1000);
            EXPECT_EQ(doc->m_TpS2[at].modulation_system, 1u);
            EXPECT_EQ(doc->m_TpS2[at].modulation_type, entry.modulation == Modulation::Psk8 ? 2u : 1u);
            EXPECT_EQ(doc->m_TpS2[at].fec, entry.fec == Fec::R3_4 ? 3u : 4u);
            EXPECT_EQ(doc->m_TpS2[at].filot, entry.pilot == Pilot::On ? 1u : 0u);
        }
        EXPECT_EQ(found, 1u) << DescribeTableTp(entry);
    }
    // The unlisted ones went where no service used them, and stayed where one did.
    EXPECT_EQ(now, tpNum + 3 - result.removed);
    for (const UnlistedTp& u : plan.unlisted) {
        bool kept = false;
        for (uint32_t i = 0; i < now; ++i)
            kept |= SatTp(*doc, sat, i) == u.tp;
        EXPECT_EQ(kept, u.users > 0) << StbTpText(u.tp, nullptr);
    }
    // Each service is on the same carrier as before: the same polarization, within the tolerance.
    const auto tvAfter = ServiceCarriers(*doc, kTvKind);
    ASSERT_EQ(tvAfter.size(), tvBefore.size());
    for (size_t i = 0; i < tvAfter.size(); ++i) {
        EXPECT_EQ(tvAfter[i].second, tvBefore[i].second) << i;
        EXPECT_LE(std::abs(int(tvAfter[i].first) - int(tvBefore[i].first)), int(kWideTpTolerance)) << i;
    }
}

TEST(TpPlan, ATransponderInUseCannotBeTickedAndIsNeverRemoved)
{
    auto doc = Demo(0);
    TpTable table = TableOfSat(*doc, 0);
    table.tps.erase(table.tps.begin());
    TpPlan plan = PlanTpUpdate(*doc, 0, table);
    ASSERT_EQ(plan.unlisted.size(), 1u);
    ASSERT_GT(plan.unlisted[0].users, 0u) << "the demo has services on every transponder";
    EXPECT_FALSE(SetRemove(plan, 0, true));
    plan.unlisted[0].remove = true;   // even when a caller ticks it behind the rule's back
    TpUpdateResult result;
    ASSERT_TRUE(ApplyTpPlan(*doc, plan, result));
    EXPECT_EQ(result.removed, 0u);
    EXPECT_EQ(doc->m_SatInfo[0].tpNum, plan.tpNum);
}

TEST(TpPlan, TheToleranceIsTwoMHzAndOneForNarrowCarriers)
{
    auto doc = Demo(0);
    const TpData first = SatTp(*doc, 2, 0);
    TpData narrow = first;
    narrow.freq = 12500;
    narrow.sr = 3000;
    ASSERT_GE(Appl_InsertTp(*doc, 2, narrow), 0);
    const Polarization polar = first.polar ? Polarization::Horizontal : Polarization::Vertical;
    const Polarization narrowPolar = narrow.polar ? Polarization::Horizontal : Polarization::Vertical;
    const struct {
        uint32_t freqKHz;
        uint32_t sr;
        Polarization polar;
        bool same;
    } cases[] = {{first.freq * 1000 + 2000, first.sr * 1000u, polar, true},
                 {first.freq * 1000 - 2400, first.sr * 1000u, polar, true},
                 {first.freq * 1000 + 2600, first.sr * 1000u, polar, false},
                 {first.freq * 1000, first.sr * 1000u, polar == Polarization::Vertical ? Polarization::Horizontal : Polarization::Vertical, false},
                 {first.freq * 1000, first.sr * 1000u, polar == Polarization::Vertical ? Polarization::Right : Polarization::Left, true},
                 {12501000, 3000000, narrowPolar, true},
                 {12502000, 3000000, narrowPolar, false}};
    for (const auto& c : cases) {
        TpTable table;
        table.tps = {Tp(c.freqKHz, c.polar, c.sr)};
        const TpPlan plan = PlanTpUpdate(*doc, 2, table);
        EXPECT_EQ(plan.adds.size(), c.same ? 0u : 1u) << c.freqKHz;
        EXPECT_EQ(plan.unlisted.size(), doc->m_SatInfo[2].tpNum - (c.same ? 1u : 0u)) << c.freqKHz;
    }
}

TEST(TpPlan, WhatTheModelCannotHoldIsListedWithItsReason)
{
    auto doc = Demo(kDvbS2Model);
    TpTable table;
    table.tps = {Tp(11000000, Polarization::Horizontal, 27500000, DeliverySystem::DvbS2, Modulation::Apsk16, Fec::R3_4),
                 Tp(11100000, Polarization::Horizontal, 27500000, DeliverySystem::DvbS2, Modulation::Psk8, Fec::R1_2),
                 Tp(11200000, Polarization::Horizontal, 27500000, DeliverySystem::DvbS2, Modulation::Qpsk, Fec::Auto),
                 Tp(19700000, Polarization::Horizontal, 27500000),
                 Tp(11300000, Polarization::Horizontal, 500000),
                 Tp(11400000, Polarization::Horizontal, 27500000),
                 Tp(11500000, Polarization::Left, 27500000, DeliverySystem::DvbS2, Modulation::Psk8, Fec::R2_3)};
    table.tps[5].streamId = 300;
    for (size_t i = 0; i < table.tps.size(); ++i)
        table.tps[i].line = uint32_t(i + 1);
    const TpPlan plan = PlanTpUpdate(*doc, 0, table);
    std::vector<std::string> why;
    for (const HeldNot& h : plan.notHeld)
        why.push_back(h.why);
    EXPECT_EQ(why, (std::vector<std::string>{"frequency 19700 MHz: the STB keeps 2000 to 16383 MHz",
                                             "symbol rate 500 kS/s: the STB keeps 1000 to 45000 kS/s",
                                             "stream id 300: the STB keeps 0 to 255",
                                             "modulation 16APSK: this model stores QPSK or 8PSK",
                                             "code rate 1/2 of 8PSK: not one this model stores",
                                             "code rate auto of QPSK: not one this model stores"}));
    ASSERT_EQ(plan.adds.size(), 1u);
    EXPECT_EQ(plan.adds[0].tp.polar, 1) << "circular left is tuned as horizontal";
    EXPECT_EQ(plan.adds[0].s2, (DvbS2Params{1, 2, 2, 0, 0}));
    EXPECT_EQ(plan.losses, (std::vector<std::string>{
                               "1 circular polarizations stored as Horizontal (left) or Vertical (right)",
                               "1 pilots \"auto\" stored as off (the model keeps on or off)"}));

    // A model without DVB-S2 values takes the carrier and says what it drops.
    auto plain = Demo(0);
    const TpPlan plainPlan = PlanTpUpdate(*plain, 0, table);
    EXPECT_EQ(plainPlan.adds.size(), 4u);
    EXPECT_NE(std::find(plainPlan.losses.begin(), plainPlan.losses.end(),
                        "4 DVB-S2 system, modulation and pilot not stored (this model keeps DVB-S values only)"),
              plainPlan.losses.end());
}

TEST(TpPlan, AnEntryListedTwiceIsTakenOnce)
{
    auto doc = Demo(0);
    TpTable table;
    table.tps = {Tp(12100000, Polarization::Vertical, 27500000), Tp(12101000, Polarization::Vertical, 27500000)};
    table.tps[0].line = 3;
    table.tps[1].line = 11;
    const TpPlan plan = PlanTpUpdate(*doc, 0, table);
    EXPECT_EQ(plan.adds.size(), 1u);
    ASSERT_EQ(plan.duplicates.size(), 1u);
    EXPECT_EQ(plan.duplicates[0].why, "the same transponder as line 3");
}

TEST(TpPlan, AdditionsStopAtTheSatellitesAndTheStbsLimits)
{
    auto doc = Demo(0);
    TpTable table = TableOfSat(*doc, 0);
    for (uint32_t i = 0; i < 300; ++i)
        table.tps.push_back(Tp(2100000 + i * 10000, Polarization::Horizontal, 27500000));
    TpPlan plan = PlanTpUpdate(*doc, 0, table);
    const PlanRoom room = RoomFor(*doc, plan);
    EXPECT_EQ(room.fit, kMaxTpPerSat - plan.tpNum);
    EXPECT_EQ(room.limit, std::to_string(300 - room.fit) + " transponders cannot be added: a satellite holds at most "
                                                           "255 transponders");
    TpUpdateResult result;
    ASSERT_TRUE(ApplyTpPlan(*doc, plan, result));
    EXPECT_EQ(doc->m_SatInfo[0].tpNum, kMaxTpPerSat);
    EXPECT_EQ(result.notAdded, 300 - room.fit);

    // Other satellites full up to a few short of the STB's limit; satellite 5 keeps room of its own.
    constexpr uint32_t kRoomy = 5;
    while (doc->m_TpCnt < kMaxEditTp - 5) {
        uint32_t sat = 1;
        while (sat < doc->m_SatCnt && (sat == kRoomy || doc->m_SatInfo[sat].tpNum == kMaxTpPerSat))
            ++sat;
        if (sat == doc->m_SatCnt) {
            ASSERT_GE(Appl_AddSat(*doc, "Filler " + std::to_string(sat), 127), 0);
            continue;
        }
        TpData tp = SatTp(*doc, sat, 0);
        tp.freq = 2000 + doc->m_SatInfo[sat].tpNum * 10;
        ASSERT_GE(Appl_InsertTp(*doc, int(sat), tp), 0);
    }
    TpTable few = TableOfSat(*doc, kRoomy);
    for (uint32_t i = 0; i < 8; ++i)
        few.tps.push_back(Tp(16000000 + i * 20000, Polarization::Vertical, 27500000));
    plan = PlanTpUpdate(*doc, int(kRoomy), few);
    ASSERT_EQ(plan.adds.size(), 8u);
    EXPECT_EQ(RoomFor(*doc, plan).limit, "3 transponders cannot be added: the STB holds at most 2999 transponders");
    ASSERT_TRUE(ApplyTpPlan(*doc, plan, result));
    EXPECT_EQ(doc->m_TpCnt, kMaxEditTp);
    EXPECT_TRUE(CheckDocInvariants(*doc).empty());
}

TEST(TpPlan, NothingIsDoneWhenTheSatelliteChangedOrEveryTransponderWouldGo)
{
    auto doc = Demo(0);
    TpTable table = TableOfSat(*doc, 0);
    table.tps[0].freqKHz += 1000;
    TpPlan plan = PlanTpUpdate(*doc, 0, table);
    ASSERT_GE(Appl_InsertTp(*doc, 0, SatTp(*doc, 0, 1)), 0);
    TpUpdateResult result;
    EXPECT_FALSE(ApplyTpPlan(*doc, plan, result));
    EXPECT_EQ(result.error, "The satellite's transponders changed since the plan was made; nothing was changed.");

    // A satellite no service uses, whose every transponder the table leaves out.
    auto empty = Demo(0);
    const uint32_t last = empty->m_SatCnt - 1;
    RemoveSatServices(*empty, last);
    TpTable elsewhere;
    elsewhere.tps = {Tp(19700000, Polarization::Vertical, 27500000)};
    plan = PlanTpUpdate(*empty, int(last), elsewhere);
    for (size_t i = 0; i < plan.unlisted.size(); ++i)
        ASSERT_TRUE(SetRemove(plan, i, true));
    EXPECT_FALSE(ApplyTpPlan(*empty, plan, result));
    EXPECT_EQ(result.error, "Cannot delete all TP..");
    EXPECT_EQ(empty->m_SatInfo[last].tpNum, plan.tpNum);

    // With a new carrier in the table, the old ones all go and the new one stays.
    elsewhere.tps.push_back(Tp(11111000, Polarization::Horizontal, 27500000));
    plan = PlanTpUpdate(*empty, int(last), elsewhere);
    for (size_t i = 0; i < plan.unlisted.size(); ++i)
        ASSERT_TRUE(SetRemove(plan, i, true));
    ASSERT_TRUE(ApplyTpPlan(*empty, plan, result)) << result.error;
    EXPECT_EQ(result.removed, plan.tpNum);
    ASSERT_EQ(empty->m_SatInfo[last].tpNum, 1u);
    EXPECT_EQ(SatTp(*empty, last, 0).freq, 11111u);
    EXPECT_TRUE(CheckDocInvariants(*empty).empty());
}

TEST(TpPlan, TheReportNamesEveryPart)
{
    auto doc = Demo(kDvbS2Model);
    TpTable table = TableOfSat(*doc, 0);
    table.name = "Astra-19.2E";
    table.tps[1].freqKHz += 1000;
    table.tps.push_back(Tp(12603000, Polarization::Vertical, 22000000, DeliverySystem::DvbS2, Modulation::Psk8, Fec::R3_4));
    table.tps.back().line = 99;
    table.tps.push_back(table.tps.back());
    table.tps.back().line = 107;
    table.skipped = {{120, "no POLARIZATION"}};
    table.tps.erase(table.tps.begin());
    const TpPlan plan = PlanTpUpdate(*doc, 0, table);
    const std::string text = DescribeTpPlan(*doc, plan);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "Satellite 1 \"Astra 19.2E\" from \"Astra-19.2E\": 1 to add, " + std::to_string(plan.changes.size()) +
                  " to change, " + std::to_string(plan.unchanged) + " unchanged, 1 not in the table, 0 the STB "
                  "cannot hold");
    for (const char* part : {"To add:\n  12603 MHz V 22000 kS/s DVB-S2 8PSK 3/4 pilot off  (line 99)\n",
                             "To change:\n", "Not in the table (kept unless ticked; never while services use them):\n",
                             "Listed twice:\n", "the same transponder as line 99", "Left out of the table:\n  line 120: no POLARIZATION\n",
                             "Not kept:\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

}  // namespace
