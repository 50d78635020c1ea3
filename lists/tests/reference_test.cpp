// Apply-reference after a simulated rescan, and the differences between two documents.
#include "lists/apply_reference.h"
#include "lists/list_diff.h"

#include "editing/edit_common.h"
#include "editing/sat_edit.h"
#include "editing/svc_clipboard.h"
#include "editing/svc_edit.h"
#include "editing/svc_refs.h"
#include "editing/testing/random_document.h"
#include "settings/service_purge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <set>

namespace {

using namespace lists;

std::unique_ptr<COrvanel1Doc> Reference()
{
    std::mt19937 rng(11);
    RandomDocOptions options;
    options.tvCount = 400;
    options.radioCount = 150;
    options.maxFavMembers = 60;
    auto doc = MakeRandomDocument(rng, options);
    // The user's work: locks, skips and a few names of their own.
    for (SvcKind kind : {kTvKind, kRadioKind})
        for (uint32_t i = 0; i < SvcCount(*doc, kind); ++i) {
            SvcRecord& svc = SvcTable(*doc, kind)[i];
            svc.lock = i % 7 == 0;
            svc.skip = i % 11 == 0;
            if (i % 13 == 0) {
                Appl_ChangeSvcName(*doc, kind, i, "Mine \xE9 " + std::to_string(i));
                svc.renameFlag = 1;
            }
        }
    return doc;
}

std::vector<uint32_t> Uids(const COrvanel1Doc& doc, SvcKind kind)
{
    std::vector<uint32_t> uids;
    for (uint32_t i = 0; i < CountOf(doc, kind); ++i)
        uids.push_back(SvcUid(ListOf(doc, kind)[i]));
    return uids;
}

// (kind, uid) of every service timer and active EPG reservation, in table order.
std::vector<std::pair<int, uint32_t>> TimerAndEpgServices(const COrvanel1Doc& doc)
{
    std::vector<std::pair<int, uint32_t>> named;
    for (const settings::Timer& timer : doc.m_Timer)
        if (timer.timerKind == kTimerKindService)
            named.emplace_back(timer.timerSvcRadio, SvcUid(ListOf(doc, SvcKind(timer.timerSvcRadio))[timer.timerSvcIdx]));
    for (const EpgReserve& epg : doc.m_EpgReserve)
        if (epg.epgKind != 0)
            named.emplace_back(epg.epgRadio, SvcUid(ListOf(doc, SvcKind(epg.epgRadio))[epg.epgSvcIdx]));
    return named;
}

struct Rescan {
    std::set<uint32_t> dropped, added, renumbered;
};

// What a new scan does to a list: the STB's own order, names and flags, services gone and
// new, a few re-numbered, one transponder 1 MHz off, the default favourite groups.
Rescan SimulateRescan(COrvanel1Doc& doc, std::mt19937& rng)
{
    Rescan scan;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        // Re-numbered services, among those whose name is unique on their transponder.
        const std::vector<SvcFacts> all = ListFacts(doc, kind);
        for (uint32_t i = 10; i < all.size(); i += 41) {
            SvcRecord& svc = SvcTable(doc, kind)[i];
            const auto same = std::count_if(all.begin(), all.end(), [&](const SvcFacts& f) {
                return f.name == all[i].name && f.satName == all[i].satName && f.freq == all[i].freq;
            });
            if (same == 1 && !svc.renameFlag)
                svc.svcId = static_cast<uint16_t>(svc.svcId ^ 0x8000), scan.renumbered.insert(SvcUid(svc));
        }
        for (uint32_t i = 0; i < SvcCount(doc, kind); ++i) {
            SvcRecord& svc = SvcTable(doc, kind)[i];
            svc.lock = svc.skip = 0;
            if (svc.renameFlag) {
                Appl_ChangeSvcName(doc, kind, i, "Scan " + std::to_string(SvcUid(svc)));
                svc.renameFlag = 0;
            }
        }
        std::vector<uint32_t> order(SvcCount(doc, kind));
        std::iota(order.begin(), order.end(), 0u);
        std::shuffle(order.begin(), order.end(), rng);
        Appl_ApplySvcOrder(doc, kind, 0, order);
        std::vector<uint32_t> drop;
        for (uint32_t i = 5; i < SvcCount(doc, kind); i += 17) {
            const uint32_t uid = SvcUid(SvcTable(doc, kind)[i]);
            drop.push_back(i), scan.dropped.insert(uid), scan.renumbered.erase(uid);
        }
        Appl_MarkSvc(doc, kind, drop);
        Appl_PurgeMarkedSvc(doc);
        CSvcClipboard clip;
        for (uint32_t n = 0; n < 6; ++n) {
            SvcRecord svc = SvcTable(doc, kind)[n * 3];
            svc.svcId = static_cast<uint16_t>(61000 + n);
            svc.nameOffset = kNoName;
            SetSvcUid(svc, 900000 + kind * 100 + n);
            clip.Start(kind);
            clip.Add(kind, svc, "");
            const uint32_t at = (n * 37) % SvcCount(doc, kind);
            EXPECT_TRUE(Appl_InsertSvc(doc, clip, kind, at, 0));
            Appl_ChangeSvcName(doc, kind, at, "New " + std::to_string(n));
            scan.added.insert(SvcUid(svc));
        }
    }
    doc.m_TpData[Appl_SatTpStart(doc, doc.m_TvSvc[0].satIdx) + doc.m_TvSvc[0].tpIdx].freq += 1;
    doc.m_FavCh = {};
    const char* defaults[] = {"News", "Sports", "Movie", "Music"};
    for (uint32_t g = 0; g < 4; ++g)
        SetFieldText(doc.m_FavCh[g].favName, defaults[g]);
    doc.m_FavCnt = 4;
    return scan;
}

TEST(ApplyReference, RestoresTheReferenceOrderAfterARescan)
{
    const auto reference = Reference();
    ASSERT_EQ(CheckDocInvariants(*reference), std::vector<std::string>{});
    auto target = std::make_unique<COrvanel1Doc>(*reference);
    std::mt19937 rng(5);
    const Rescan scan = SimulateRescan(*target, rng);
    ASSERT_FALSE(scan.renumbered.empty());
    const auto timersBefore = TimerAndEpgServices(*target);
    const std::array<std::vector<uint32_t>, 2> scanned{Uids(*target, kTvKind), Uids(*target, kRadioKind)};

    const ReferenceReport report = ApplyReference(*reference, *target);

    EXPECT_EQ(CheckDocInvariants(*target), std::vector<std::string>{});
    EXPECT_EQ(TimerAndEpgServices(*target), timersBefore);
    std::map<uint32_t, const SvcRecord*> refByUid;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        std::vector<uint32_t> expected;
        for (uint32_t uid : Uids(*reference, kind))
            if (!scan.dropped.count(uid))
                expected.push_back(uid);
        for (uint32_t uid : scanned[kind])
            if (scan.added.count(uid))
                expected.push_back(uid);
        EXPECT_EQ(Uids(*target, kind), expected);
        for (uint32_t i = 0; i < CountOf(*reference, kind); ++i)
            refByUid[SvcUid(ListOf(*reference, kind)[i])] = &ListOf(*reference, kind)[i];
        for (uint32_t i = 0; i < CountOf(*target, kind); ++i) {
            const SvcRecord& svc = ListOf(*target, kind)[i];
            if (scan.added.count(SvcUid(svc)))
                continue;
            const SvcRecord& ref = *refByUid[SvcUid(svc)];
            EXPECT_EQ(svc.lock, ref.lock);
            EXPECT_EQ(svc.skip, ref.skip);
            if (ref.renameFlag) {
                EXPECT_EQ(SvcNameOf(*target, svc), SvcNameOf(*reference, ref));
            }
        }
        const auto& list = report.lists[kind];
        EXPECT_EQ(list.unmatchedSlots.size(), 6u);
        EXPECT_EQ(list.strong + list.weak + list.unmatchedSlots.size(), CountOf(*target, kind));
    }
    EXPECT_EQ(report.lists[kTvKind].weak + report.lists[kRadioKind].weak, scan.renumbered.size());

    // The reference's groups, members that survived the scan in their order.
    ASSERT_GE(target->m_FavCnt, reference->m_FavCnt);
    for (uint32_t g = 0; g < reference->m_FavCnt; ++g) {
        const FavCh& want = reference->m_FavCh[g];
        const FavCh& got = target->m_FavCh[g];
        EXPECT_EQ(FieldText(got.favName), FieldText(want.favName));
        std::vector<uint32_t> wantUids, gotUids;
        for (uint32_t m = 0; m < want.numOfFavCh; ++m) {
            const uint32_t uid = SvcUid(ListOf(*reference, SvcKind(want.svcType[m]))[want.chNum[m]]);
            if (!scan.dropped.count(uid))
                wantUids.push_back(uid);
        }
        for (uint32_t m = 0; m < got.numOfFavCh; ++m)
            gotUids.push_back(SvcUid(ListOf(*target, SvcKind(got.svcType[m]))[got.chNum[m]]));
        EXPECT_EQ(gotUids, wantUids) << FieldText(want.favName);
    }
    EXPECT_NE(DescribeReferenceReport(report, *target).find("weak match: "), std::string::npos);
    const std::string shortReport = DescribeReferenceReport(report, *target, 3);
    EXPECT_NE(shortReport.find("... and " + std::to_string(scan.renumbered.size() + 12 - 3) + " more"),
              std::string::npos) << shortReport;
}

TEST(ListDiff, ReportsEveryKindOfChange)
{
    const auto a = Reference();
    auto b = std::make_unique<COrvanel1Doc>(*a);
    Appl_MoveSvc(*b, kTvKind, 0, 50);                  // one move, not 50
    Appl_ChangeSvcName(*b, kTvKind, 3, "Other \xFC");
    b->m_TvSvc[4].pmtPid ^= 1;
    Appl_MarkSvc(*b, kRadioKind, {7});
    Appl_PurgeMarkedSvc(*b);
    SetFieldText(b->m_FavCh[0].favName, "Renamed");

    const DocDiff diff = DiffDocuments(*a, *b);
    const ListDiff& tv = diff.lists[kTvKind];
    EXPECT_TRUE(tv.added.empty());
    EXPECT_TRUE(tv.removed.empty());
    ASSERT_EQ(tv.changed.size(), 3u);
    EXPECT_TRUE(tv.changed[0].moved);
    EXPECT_EQ(tv.changed[0].b.pos, 50u);
    EXPECT_TRUE(tv.changed[1].renamed);
    EXPECT_EQ(tv.changed[2].fields, std::vector<std::string>{"pmtPid"});
    ASSERT_EQ(diff.lists[kRadioKind].removed.size(), 1u);
    EXPECT_EQ(diff.lists[kRadioKind].removed[0].pos, 7u);
    EXPECT_EQ(diff.favAdded, std::vector<std::string>{"Renamed"});
    EXPECT_EQ(diff.favRemoved.size(), 1u);
    EXPECT_TRUE(diff.satAdded.empty() && diff.tpAdded.empty() && diff.tpChanged.empty());
    EXPECT_NE(DiffSummary(diff).find("TV: 0 added, 0 removed, 1 moved, 1 renamed, 1 with changed PIDs or flags"),
              std::string::npos);
    EXPECT_NE(DiffDetails(diff).find("\"Other \xC3\xBC\""), std::string::npos);   // UTF-8 for people
    EXPECT_TRUE(DiffDocuments(*a, *a).Empty());
}

} // namespace
