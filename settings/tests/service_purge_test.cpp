#include "settings/tests/image_test_support.h"
#include "settings/service_purge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {
std::unique_ptr<COrvanel1Doc> DemoDoc(uint32_t tv = 20, uint32_t radio = 10)
{
    DemoShape shape;
    shape.tvSvc = tv;
    shape.radioSvc = radio;
    shape.favGroups = 3;
    shape.favMembers = 0;
    shape.timers = 0;
    shape.epgReservations = 0;
    auto doc = NewDoc();
    FillDemoDocument(*doc, shape);
    return doc;
}

void SetMembers(FavCh& fav, std::vector<std::pair<uint8_t, uint16_t>> members)
{
    fav.numOfFavCh = uint8_t(members.size());
    for (size_t m = 0; m < members.size(); ++m) {
        fav.svcType[m] = members[m].first;
        fav.chNum[m] = members[m].second;
    }
}

settings::Timer ServiceTimer(uint8_t kind, uint16_t slot)
{
    settings::Timer timer;
    timer.timerKind = kTimerKindService;
    timer.timerSvcRadio = kind;
    timer.timerSvcIdx = slot;
    timer.timerLong8 = 0xCAFE;
    return timer;
}

void Delete(COrvanel1Doc& doc, SvcKind kind, std::vector<uint32_t> positions)
{
    Appl_MarkSvc(doc, kind, positions);
    Appl_PurgeMarkedSvc(doc);
}

TEST(ServicePurge, DeletingTv5RenumbersTvReferencesOnly)
{
    auto doc = DemoDoc();
    SetMembers(doc->m_FavCh[0], {{kTvKind, 5}, {kRadioKind, 5}, {kTvKind, 7}, {kRadioKind, 7}});
    doc->m_Timer[0] = ServiceTimer(kTvKind, 5);
    doc->m_TimerComp[0].byteValue = 9;
    doc->m_Timer[1] = ServiceTimer(kTvKind, 7);
    doc->m_Timer[2] = ServiceTimer(kRadioKind, 7);
    doc->m_Timer[3] = ServiceTimer(kTvKind, 9);
    doc->m_Timer[3].timerKind = 1;   // not a service timer: left alone
    doc->m_EpgReserve[0] = {1, kTvKind, 5, 1, 2};
    doc->m_EpgReserve[1] = {2, kTvKind, 7, 3, 4};
    doc->m_EpgReserve[2] = {1, kRadioKind, 7, 5, 6};
    doc->m_EpgReserve[3] = {0, kTvKind, 9, 7, 8};   // free slot: left alone
    doc->m_EtcInfo.lastTvSvc = 9;
    doc->m_EtcInfo.lastRadioSvc = 9;
    doc->m_EtcInfo.altRadioSvc = 3;
    uint16_t id6 = doc->m_TvSvc[6].svcId;

    Delete(*doc, kTvKind, {5});

    EXPECT_EQ(doc->m_TvSvcCnt, 19u);
    EXPECT_EQ(doc->m_TvSvc[5].svcId, id6);
    EXPECT_EQ(doc->m_TvSvc[19], SvcRecord{});
    const FavCh& fav = doc->m_FavCh[0];
    ASSERT_EQ(fav.numOfFavCh, 3);
    EXPECT_EQ(fav.svcType[0], kRadioKind);
    EXPECT_EQ(fav.chNum[0], 5);
    EXPECT_EQ(fav.svcType[1], kTvKind);
    EXPECT_EQ(fav.chNum[1], 6);
    EXPECT_EQ(fav.chNum[2], 7);
    EXPECT_EQ(fav.chNum[3], 0);
    EXPECT_EQ(doc->m_Timer[0], settings::Timer{});
    EXPECT_EQ(doc->m_TimerComp[0], TimerCompanion{});
    EXPECT_EQ(doc->m_Timer[1].timerSvcIdx, 6);
    EXPECT_EQ(doc->m_Timer[2].timerSvcIdx, 7);
    EXPECT_EQ(doc->m_Timer[3].timerSvcIdx, 9);
    EXPECT_EQ(doc->m_EpgReserve[0], EpgReserve{});
    EXPECT_EQ(doc->m_EpgReserve[1], (EpgReserve{2, kTvKind, 6, 3, 4}));
    EXPECT_EQ(doc->m_EpgReserve[2].epgSvcIdx, 7);
    EXPECT_EQ(doc->m_EpgReserve[3].epgSvcIdx, 9);
    EXPECT_EQ(doc->m_EtcInfo.lastTvSvc, 8);
    EXPECT_EQ(doc->m_EtcInfo.altTvSvc, 0xFFFF);
    EXPECT_EQ(doc->m_EtcInfo.lastRadioSvc, 9);
    EXPECT_EQ(doc->m_EtcInfo.altRadioSvc, 3);
}

TEST(ServicePurge, CurrentFavouriteGroupResetsWhenItEmpties)
{
    auto doc = DemoDoc();
    SetMembers(doc->m_FavCh[1], {{kTvKind, 4}});
    SetMembers(doc->m_FavCh[2], {{kTvKind, 4}, {kTvKind, 6}});
    doc->m_EtcInfo.curFavGroup = 2;
    Delete(*doc, kTvKind, {4});
    EXPECT_EQ(doc->m_FavCh[1].numOfFavCh, 0);
    EXPECT_EQ(doc->m_EtcInfo.curFavGroup, 2);
    doc->m_EtcInfo.curFavGroup = 1;
    Delete(*doc, kTvKind, {5});
    EXPECT_EQ(doc->m_FavCh[2].numOfFavCh, 0);
    EXPECT_EQ(doc->m_EtcInfo.curFavGroup, 1);   // group 1 was empty already
    SetMembers(doc->m_FavCh[1], {{kRadioKind, 0}, {kRadioKind, 0}});
    Delete(*doc, kRadioKind, {0});
    EXPECT_EQ(doc->m_FavCh[1].numOfFavCh, 0);   // a duplicate member goes with the first
    EXPECT_EQ(doc->m_EtcInfo.curFavGroup, 0xFF);
}

TEST(ServicePurge, SharedNameKeepsThePool)
{
    auto doc = DemoDoc();
    doc->m_TvSvc[3].nameOffset = doc->m_TvSvc[12].nameOffset;
    auto pool = doc->m_SvcName;
    uint32_t pos = doc->m_SvcNamePos;
    Delete(*doc, kTvKind, {3});
    EXPECT_EQ(doc->m_SvcName, pool);
    EXPECT_EQ(doc->m_SvcNamePos, pos);
    EXPECT_EQ(Appl_GetSvcName(*doc, kTvKind, 11), "TV 12");
}

TEST(ServicePurge, NameSharedWithTheRadioListOrATailIsKept)
{
    auto doc = DemoDoc();
    doc->m_RadioSvc[2].nameOffset = doc->m_TvSvc[15].nameOffset + 3;   // "15" inside "TV 15"
    uint32_t pos = doc->m_SvcNamePos;
    Delete(*doc, kTvKind, {15});
    EXPECT_EQ(doc->m_SvcNamePos, pos);
    EXPECT_EQ(Appl_GetSvcName(*doc, kRadioKind, 2), "15");
}

TEST(ServicePurge, UniqueNameIsCutOutAndLaterOffsetsFollow)
{
    auto doc = DemoDoc();
    std::map<uint16_t, std::string> before;
    for (uint32_t i = 0; i < doc->m_TvSvcCnt; ++i)
        before[doc->m_TvSvc[i].svcId] = Appl_GetSvcName(*doc, kTvKind, i);
    std::vector<std::string> radioBefore;
    for (uint32_t i = 0; i < doc->m_RadioSvcCnt; ++i)
        radioBefore.push_back(Appl_GetSvcName(*doc, kRadioKind, i));
    uint32_t pos = doc->m_SvcNamePos;
    uint16_t goneId = doc->m_TvSvc[2].svcId;
    Delete(*doc, kTvKind, {2});
    EXPECT_EQ(doc->m_SvcNamePos, pos - 5);   // "TV 2" and its NUL
    for (uint32_t i = 0; i < doc->m_TvSvcCnt; ++i) {
        ASSERT_NE(doc->m_TvSvc[i].svcId, goneId);
        EXPECT_EQ(Appl_GetSvcName(*doc, kTvKind, i), before[doc->m_TvSvc[i].svcId]);
    }
    for (uint32_t i = 0; i < doc->m_RadioSvcCnt; ++i)
        EXPECT_EQ(Appl_GetSvcName(*doc, kRadioKind, i), radioBefore[i]);
    // Deleting everything empties the pool.
    std::vector<uint32_t> all(doc->m_TvSvcCnt);
    for (uint32_t i = 0; i < all.size(); ++i)
        all[i] = i;
    Delete(*doc, kTvKind, all);
    all.resize(doc->m_RadioSvcCnt);
    Delete(*doc, kRadioKind, all);
    EXPECT_EQ(doc->m_SvcNamePos, 0u);
    EXPECT_EQ(doc->m_TvSvcCnt + doc->m_RadioSvcCnt, 0u);
}

// Editing may fill TV slots past the 3490 that loading examines; their names move too.
TEST(ServicePurge, TvSlotsPastTheCheckedOnesKeepTheirNames)
{
    auto doc = DemoDoc(kCheckedTvSlots, 0);
    doc->m_TvSvc[kCheckedTvSlots + 2] = doc->m_TvSvc[0];
    doc->m_TvSvc[kCheckedTvSlots + 2].nameOffset = Appl_AddSvcName(*doc, "Late");
    doc->m_TvSvcCnt = kCheckedTvSlots + 3;
    Delete(*doc, kTvKind, {1});
    EXPECT_EQ(Appl_GetSvcName(*doc, kTvKind, kCheckedTvSlots + 1), "Late");
    EXPECT_EQ(doc->m_TvSvcCnt, kCheckedTvSlots + 2);
}

TEST(ServicePurge, ProviderIsClearedWithItsLastService)
{
    auto doc = DemoDoc();
    for (uint32_t i = 0; i < doc->m_TvSvcCnt; ++i)
        doc->m_TvSvc[i].providerIdx = kNoProvider;
    for (uint32_t i = 0; i < doc->m_RadioSvcCnt; ++i)
        doc->m_RadioSvc[i].providerIdx = kNoProvider;
    doc->m_TvSvc[1].providerIdx = 2;
    doc->m_RadioSvc[4].providerIdx = 2;
    Delete(*doc, kTvKind, {1});
    EXPECT_STREQ(doc->m_Provider[2].data(), "Provider 2");
    Delete(*doc, kRadioKind, {4});
    EXPECT_EQ(doc->m_Provider[2], decltype(doc->m_Provider)::value_type{});
    EXPECT_STREQ(doc->m_Provider[1].data(), "Provider 1");
}

TEST(ServicePurge, NamePoolAddCutsAndFills)
{
    auto doc = DemoDoc(0, 0);
    EXPECT_EQ(doc->m_SvcNamePos, 0u);
    uint32_t offset = Appl_AddSvcName(*doc, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(doc->m_SvcNamePos, 24u);
    doc->m_TvSvc[0].nameOffset = offset;
    doc->m_TvSvcCnt = 1;
    EXPECT_EQ(Appl_GetSvcName(*doc, kTvKind, 0), "ABCDEFGHIJKLMNOPQRSTUVW");

    doc->m_SvcNamePos = kSvcNamePoolSize - 1 - 5;
    EXPECT_EQ(Appl_AddSvcName(*doc, "abcde"), kSvcNamePoolSize - 6);   // its NUL lands on the last byte
    EXPECT_EQ(doc->m_SvcNamePos, kSvcNamePoolSize);
    EXPECT_EQ(doc->m_SvcName[kSvcNamePoolSize - 1], 0);
    doc->m_SvcNamePos = kSvcNamePoolSize - 1;
    EXPECT_EQ(Appl_AddSvcName(*doc, "x"), uint32_t(kNoName));
    EXPECT_EQ(doc->m_SvcNamePos, kSvcNamePoolSize - 1);
}

TEST(ServicePurge, UnresolvableNameReadsNoNameAndForgetsItsOffset)
{
    auto doc = DemoDoc();
    doc->m_TvSvc[0].nameOffset = doc->m_SvcNamePos;
    EXPECT_EQ(Appl_GetSvcName(*doc, kTvKind, 0), "No Name");
    EXPECT_EQ(doc->m_TvSvc[0].nameOffset, kNoName);
    EXPECT_EQ(Appl_GetSvcName(*doc, kTvKind, 0), "No Name");
    EXPECT_EQ(Appl_GetSvcName(*doc, kRadioKind, 1), "Radio 1");
    EXPECT_EQ(Appl_GetSvcName(*doc, kRadioKind, kMaxRadioSvc), "No Name");
}

TEST(ServicePurge, RecomputeDropsOffsetsBeyondThePool)
{
    auto doc = DemoDoc();
    doc->m_TvSvc[3].nameOffset = 70000;
    Appl_RecomputeSvcNamePos(*doc);
    EXPECT_EQ(doc->m_TvSvc[3].nameOffset, kNoName);
    EXPECT_LT(doc->m_SvcNamePos, 1000u);
    EXPECT_EQ(Appl_GetSvcName(*doc, kTvKind, 19), "TV 19");
}

// A randomized purge of hundreds of services in both lists, checked against a model that
// follows services by identity instead of slot.
class PurgeModel {
public:
    struct Ref {
        uint8_t kind;
        uint32_t id;
        bool operator==(const Ref&) const = default;
    };

    explicit PurgeModel(COrvanel1Doc& doc) : m_Doc(doc)
    {
        for (SvcKind kind : {kTvKind, kRadioKind})
            for (uint32_t i = 0; i < SvcCount(doc, kind); ++i) {
                uint32_t id = Id(kind, i);
                m_Ids[kind].push_back(id);
                m_Names[id] = Appl_GetSvcName(doc, kind, i);
                m_Provider[id] = SvcTable(doc, kind)[i].providerIdx;
            }
        for (const FavCh& fav : doc.m_FavCh) {
            m_Fav.emplace_back();
            for (uint32_t m = 0; m < fav.numOfFavCh; ++m)
                m_Fav.back().push_back({fav.svcType[m], m_Ids[fav.svcType[m]][fav.chNum[m]]});
        }
        for (const settings::Timer& t : doc.m_Timer)
            m_Timer.push_back(t.timerKind == kTimerKindService ? std::optional<Ref>({t.timerSvcRadio, m_Ids[t.timerSvcRadio][t.timerSvcIdx]})
                                                              : std::nullopt);
        for (const EpgReserve& e : doc.m_EpgReserve)
            m_Epg.push_back(e.epgKind ? std::optional<Ref>({e.epgRadio, m_Ids[e.epgRadio][e.epgSvcIdx]}) : std::nullopt);
    }

    // Ids are stamped into svcId: TV slots 0.., radio slots 10000...
    static uint32_t Id(SvcKind kind, uint32_t slot) { return kind == kTvKind ? slot : 10000 + slot; }

    void Delete(SvcKind kind, const std::set<uint32_t>& slots)
    {
        for (uint32_t s : slots)
            m_Gone.insert(m_Ids[kind][s]);
    }

    void Check(const std::map<int, uint32_t>& lastBefore, const std::map<int, std::set<uint32_t>>& deleted) const
    {
        COrvanel1Doc& doc = m_Doc;
        std::map<uint32_t, uint32_t> slotOf;
        std::set<std::string> names;
        std::set<uint16_t> providersLeft;
        for (SvcKind kind : {kTvKind, kRadioKind}) {
            std::vector<uint32_t> expected;
            for (uint32_t id : m_Ids[kind])
                if (!m_Gone.count(id))
                    expected.push_back(id);
            ASSERT_EQ(SvcCount(doc, kind), expected.size());
            for (uint32_t i = 0; i < expected.size(); ++i) {
                const SvcRecord& svc = SvcTable(doc, kind)[i];
                ASSERT_EQ(svc.svcId, expected[i]);
                ASSERT_EQ(svc.deleteMark, 0);
                ASSERT_EQ(Appl_GetSvcName(doc, kind, i), m_Names.at(expected[i]));
                slotOf[expected[i]] = i;
                names.insert(m_Names.at(expected[i]));
                providersLeft.insert(svc.providerIdx);
            }
            for (uint32_t i = uint32_t(expected.size()); i < m_Ids[kind].size(); ++i)
                ASSERT_EQ(SvcTable(doc, kind)[i], SvcRecord{});
            uint32_t last = lastBefore.at(kind);
            const auto& gone = deleted.at(kind);
            uint32_t below = uint32_t(std::count_if(gone.begin(), gone.end(), [&](uint32_t p) { return p < last; }));
            EXPECT_EQ(kind == kTvKind ? doc.m_EtcInfo.lastTvSvc : doc.m_EtcInfo.lastRadioSvc, last - below);
        }
        // The pool holds exactly the surviving names, packed.
        uint32_t packed = 0;
        for (const std::string& n : names)
            packed += uint32_t(n.size()) + 1;
        EXPECT_EQ(doc.m_SvcNamePos, packed);
        for (const auto& [id, provider] : m_Provider)
            if (provider < kMaxProvider) {
                EXPECT_EQ(doc.m_Provider[provider][0] != 0, providersLeft.count(provider) == 1) << provider;
            }
        for (uint32_t g = 0; g < kMaxFavGroup; ++g) {
            std::vector<Ref> expected;
            for (const Ref& r : m_Fav[g])
                if (!m_Gone.count(r.id))
                    expected.push_back(r);
            const FavCh& fav = doc.m_FavCh[g];
            ASSERT_EQ(fav.numOfFavCh, expected.size()) << g;
            for (uint32_t m = 0; m < expected.size(); ++m) {
                ASSERT_EQ(fav.svcType[m], expected[m].kind);
                ASSERT_EQ(fav.chNum[m], slotOf.at(expected[m].id));
            }
        }
        for (uint32_t t = 0; t < kMaxTimer; ++t) {
            const settings::Timer& timer = doc.m_Timer[t];
            if (m_Timer[t] && m_Gone.count(m_Timer[t]->id)) {
                EXPECT_EQ(timer, settings::Timer{});
            } else if (m_Timer[t]) {
                EXPECT_EQ(timer.timerSvcRadio, m_Timer[t]->kind);
                EXPECT_EQ(timer.timerSvcIdx, slotOf.at(m_Timer[t]->id));
            }
        }
        for (uint32_t e = 0; e < kMaxEpgReserve; ++e) {
            const EpgReserve& epg = doc.m_EpgReserve[e];
            if (m_Epg[e] && m_Gone.count(m_Epg[e]->id)) {
                EXPECT_EQ(epg, EpgReserve{});
            } else if (m_Epg[e]) {
                EXPECT_EQ(epg.epgSvcIdx, slotOf.at(m_Epg[e]->id));
            }
        }
    }

private:
    COrvanel1Doc& m_Doc;
    std::vector<uint32_t> m_Ids[2];
    std::map<uint32_t, std::string> m_Names;
    std::map<uint32_t, uint16_t> m_Provider;
    std::vector<std::vector<Ref>> m_Fav;
    std::vector<std::optional<Ref>> m_Timer, m_Epg;
    std::set<uint32_t> m_Gone;
};

class RandomPurge : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RandomPurge, EveryReferenceFollowsItsService)
{
    DemoShape shape;
    shape.satellites = 20;
    shape.tpsPerSat = 10;
    shape.tvSvc = 900;
    shape.radioSvc = 600;
    shape.providers = 40;
    shape.favGroups = kMaxFavGroup;
    shape.favMembers = 60;
    shape.timers = kMaxTimer;
    shape.epgReservations = kMaxEpgReserve;
    shape.seed = GetParam();
    auto doc = NewDoc();
    FillDemoDocument(*doc, shape);
    std::mt19937 rng(GetParam());
    for (SvcKind kind : {kTvKind, kRadioKind})
        for (uint32_t i = 0; i < SvcCount(*doc, kind); ++i) {
            SvcRecord* table = SvcTable(*doc, kind);
            table[i].svcId = uint16_t(PurgeModel::Id(kind, i));
            // Some services share a name with another of either list, as the STB's own data may.
            if (rng() % 10 == 0) {
                SvcKind other = rng() % 2 ? kTvKind : kRadioKind;
                table[i].nameOffset = SvcTable(*doc, other)[rng() % SvcCount(*doc, other)].nameOffset;
            }
        }
    // Names that no service holds any more would stay in the pool; start from a packed one.
    auto packed = NewDoc();
    std::map<std::string, uint32_t> offsetOf;
    for (SvcKind kind : {kTvKind, kRadioKind})
        for (uint32_t i = 0; i < SvcCount(*doc, kind); ++i) {
            std::string name = Appl_GetSvcName(*doc, kind, i);
            auto [it, fresh] = offsetOf.try_emplace(name, 0);
            if (fresh)
                it->second = Appl_AddSvcName(*packed, name);
            SvcTable(*packed, kind)[i].nameOffset = it->second;
        }
    for (SvcKind kind : {kTvKind, kRadioKind})
        for (uint32_t i = 0; i < SvcCount(*doc, kind); ++i)
            SvcTable(*doc, kind)[i].nameOffset = SvcTable(*packed, kind)[i].nameOffset;
    doc->m_SvcName = packed->m_SvcName;
    doc->m_SvcNamePos = packed->m_SvcNamePos;

    doc->m_EtcInfo.lastTvSvc = uint16_t(rng() % doc->m_TvSvcCnt);
    doc->m_EtcInfo.lastRadioSvc = uint16_t(rng() % doc->m_RadioSvcCnt);
    PurgeModel model(*doc);
    std::map<int, uint32_t> lastBefore{{kTvKind, doc->m_EtcInfo.lastTvSvc}, {kRadioKind, doc->m_EtcInfo.lastRadioSvc}};
    std::map<int, std::set<uint32_t>> deleted;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        for (uint32_t i = 0; i < SvcCount(*doc, kind); ++i)
            if (rng() % 5 < 2)
                deleted[kind].insert(i);
        model.Delete(kind, deleted[kind]);
        Appl_MarkSvc(*doc, kind, {deleted[kind].begin(), deleted[kind].end()});
    }
    ASSERT_GT(deleted[kTvKind].size() + deleted[kRadioKind].size(), 400u);
    Appl_PurgeMarkedSvc(*doc);
    model.Check(lastBefore, deleted);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomPurge, ::testing::Values(1u, 2u, 3u));
}
