#include "editing/tests/edit_test_util.h"
#include "settings/image_codec.h"
#include "editing/testing/random_document.h"
#include "editing/svc_edit.h"
#include "editing/svc_sort.h"

#include <gtest/gtest.h>

#include <numeric>

using Names = std::vector<std::string>;

TEST(SortKeyCompare, FoldsAsciiCaseAndSkipsBlanksAndControlBytes)
{
    EXPECT_EQ(CompareSortKeys("Eurosport", "EUROSPORT"), 0);
    EXPECT_EQ(CompareSortKeys("ABC1", "ABC 1"), 0);
    EXPECT_EQ(CompareSortKeys("\x01\x1F" "A\x85" "B", "AB"), 0);
    EXPECT_NE(CompareSortKeys("A\xA0", "A"), 0);        // 160 is not skipped
    EXPECT_NE(CompareSortKeys("[", "{"), 0);            // only a-z fold
    EXPECT_LT(CompareSortKeys("AB", "ABC"), 0);         // the shorter text first
    EXPECT_LT(CompareSortKeys("Zulu", "\xFF"), 0);      // 0xFF after letters and digits
    EXPECT_LT(CompareSortKeys("99999", "\xFF" "00000"), 0);
    EXPECT_GT(CompareSortKeys("b", "A"), 0);
    EXPECT_EQ(CompareSortKeys("", "  "), 0);
}

TEST(SortDescriptions, CarryTheLabelPadding)
{
    EXPECT_EQ(PadSortDescription(SortDescription(kSortAlphabetic)), "Current Sort Type : Alphabetic \t\t ");
    EXPECT_EQ(SortDescription(7), "");
    for (auto [length, padding] : {std::pair<size_t, std::string>{15, ""}, {16, " \t "}, {26, " \t\t "}, {36, " \t\t\t "}})
        EXPECT_EQ(PadSortDescription(std::string(length, 'x')), std::string(length, 'x') + padding);
}

namespace {

// A B C D with B and D scrambled.
void FillCasList(COrvanel1Doc& doc)
{
    FillTv(doc, {"A", "B", "C", "D"});
    doc.m_TvSvc[1].scrambled = 1;
    doc.m_TvSvc[3].scrambled = 1;
}

} // namespace

TEST(SortOrders, CasAndFtaKeepThePreviousOrderWithinEachKind)
{
    EditDoc d;
    FillCasList(*d);
    ASSERT_TRUE(Appl_SortSvcList(*d, kTvKind, kSortCasToFta));
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"B", "D", "A", "C"}));

    EditDoc e;
    FillCasList(*e);
    ASSERT_TRUE(Appl_SortSvcList(*e, kTvKind, kSortFtaToCas));
    EXPECT_EQ(SvcNames(*e, kTvKind), (Names{"A", "C", "B", "D"}));
}

TEST(SortOrders, FavouritesFirstByGroupNameAndMembersFollow)
{
    EditDoc d;
    FillTv(*d, {"S0", "S1", "S2", "S3", "S4", "S5"});
    AddFavGroup(*d, "Zeta", kTvKind, {4, 5});
    AddFavGroup(*d, "Alpha", kTvKind, {1});
    AddFavGroup(*d, "Mid", kTvKind, {4});      // the last group that has S4 names its key
    AddFavGroup(*d, "Radio", kRadioKind, {0}); // radio members do not count for TV
    ASSERT_TRUE(Appl_SortSvcList(*d, kTvKind, kSortFavToNoFav));
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"S1", "S4", "S5", "S0", "S2", "S3"}));
    EXPECT_EQ(d->m_FavCh[0].chNum[0], 1);
    EXPECT_EQ(d->m_FavCh[0].chNum[1], 2);
    EXPECT_EQ(d->m_FavCh[1].chNum[0], 0);
    EXPECT_EQ(d->m_FavCh[2].chNum[0], 1);
    EXPECT_EQ(d->m_FavCh[3].chNum[0], 0);
}

TEST(SortOrders, EmptyProviderNamesSortFirstAndMissingProvidersLast)
{
    EditDoc d;
    FillTv(*d, {"none", "zdf", "empty", "ard"});
    SetFieldText(d->m_Provider[1], "ZDF");
    SetFieldText(d->m_Provider[2], "ARD");
    d->m_TvSvc[1].providerIdx = 1;
    d->m_TvSvc[2].providerIdx = 7;   // an unused entry: empty name, key of digits only
    d->m_TvSvc[3].providerIdx = 2;
    ASSERT_TRUE(Appl_SortSvcList(*d, kTvKind, kSortProvider));
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"empty", "ard", "zdf", "none"}));
}

TEST(SortOrders, SatelliteAndTransponderKeys)
{
    EditDoc d;
    AddTestSat(*d, "Hotbird", 2, 12000);
    AddTestSat(*d, "Astra", 2, 11000);
    AddTestSvc(*d, kTvKind, "h1", 0, 1);
    AddTestSvc(*d, kTvKind, "a1", 1, 1);
    AddTestSvc(*d, kTvKind, "h0", 0, 0);
    AddTestSvc(*d, kTvKind, "a0", 1, 0);
    AddTestSvc(*d, kTvKind, "a1b", 1, 1);
    ASSERT_TRUE(Appl_SortSvcList(*d, kTvKind, kSortSatName));
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"a1", "a0", "a1b", "h1", "h0"}));
    ASSERT_TRUE(Appl_SortSvcList(*d, kTvKind, kSortTransponder));
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"a0", "a1", "a1b", "h0", "h1"}));
    ASSERT_TRUE(Appl_SortSvcList(*d, kTvKind, kSortAlphabetic));
    EXPECT_EQ(SvcNames(*d, kTvKind), (Names{"a0", "a1", "a1b", "h0", "h1"}));
    EXPECT_FALSE(Appl_SortSvcList(*d, kTvKind, -1));
}

namespace {

// The sort exactly as the heap sort over the live records: keys built anew at every
// comparison, each swap exchanging records, permutation entries and the references.
void ReferenceSort(COrvanel1Doc& doc, SvcKind kind, int type)
{
    const uint32_t n = SvcCount(doc, kind);
    std::vector<uint32_t> perm(n);
    std::iota(perm.begin(), perm.end(), 0u);
    SvcRecord* table = SvcTable(doc, kind);
    auto cmp = [&](uint32_t i, uint32_t j) {
        return CompareSortKeys(BuildSortKey(doc, kind, type, i, perm[i]).c_str(),
                               BuildSortKey(doc, kind, type, j, perm[j]).c_str());
    };
    auto redirect = [&](uint16_t& slot, uint32_t i, uint32_t j) {
        if (slot == i)
            slot = static_cast<uint16_t>(j);
        else if (slot == j)
            slot = static_cast<uint16_t>(i);
    };
    auto swap = [&](uint32_t i, uint32_t j) {
        std::swap(perm[i], perm[j]);
        std::swap(table[i], table[j]);
        for (FavCh& group : doc.m_FavCh)
            for (uint32_t m = 0; m < group.numOfFavCh; ++m)
                if (group.svcType[m] == kind)
                    redirect(group.chNum[m], i, j);
        redirect(kind == kTvKind ? doc.m_EtcInfo.lastTvSvc : doc.m_EtcInfo.lastRadioSvc, i, j);
        for (settings::Timer& timer : doc.m_Timer)
            if (timer.timerKind == kTimerKindService && timer.timerSvcRadio == kind)
                redirect(timer.timerSvcIdx, i, j);
        for (EpgReserve& epg : doc.m_EpgReserve)
            if (epg.epgKind != 0 && epg.epgRadio == kind)
                redirect(epg.epgSvcIdx, i, j);
    };
    auto siftDown = [&](uint32_t a, uint32_t last) {
        for (uint32_t c = 2 * a + 1; c <= last; a = c, c = 2 * c + 1) {
            if (c + 1 <= last && cmp(c, c + 1) < 0)
                ++c;
            if (cmp(a, c) >= 0)
                return;
            swap(a, c);
        }
    };
    for (uint32_t k = n / 2; k >= 1; --k)
        siftDown(k - 1, n - 1);
    for (uint32_t last = n - 1; last > 0;) {
        swap(0, last);
        --last;
        siftDown(0, last);
    }
}

std::vector<uint32_t> Uids(const COrvanel1Doc& doc, SvcKind kind)
{
    std::vector<uint32_t> uids;
    const SvcRecord* table = kind == kTvKind ? doc.m_TvSvc.data() : doc.m_RadioSvc.data();
    for (uint32_t i = 0; i < (kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt); ++i)
        uids.push_back(SvcUid(table[i]));
    return uids;
}

// A list full of equal keys: few names, two satellites, mostly free-to-air.
std::unique_ptr<COrvanel1Doc> EqualKeyDocument(uint32_t seed)
{
    std::mt19937 rng(seed);
    RandomDocOptions options;
    options.tvCount = 150;
    options.radioCount = 60;
    options.satCount = 2;
    options.maxTpPerSat = 2;
    auto doc = MakeRandomDocument(rng, options);
    for (uint32_t i = 0; i < doc->m_TvSvcCnt; ++i) {
        doc->m_TvSvc[i].nameOffset = doc->m_TvSvc[i % 3].nameOffset;
        doc->m_TvSvc[i].providerIdx = i % 4 == 0 ? 1 : kNoProvider;
        doc->m_TvSvc[i].scrambled = i % 7 == 0;
    }
    return doc;
}

} // namespace

TEST(SortOrders, EqualKeysOrderExactlyAsTheHeapSortOverLiveRecords)
{
    for (int type = 0; type < kSortTypeCount; ++type)
        for (SvcKind kind : {kTvKind, kRadioKind}) {
            auto fast = EqualKeyDocument(40 + type);
            auto slow = EqualKeyDocument(40 + type);
            ASSERT_TRUE(Appl_SortSvcList(*fast, kind, type));
            ReferenceSort(*slow, kind, type);
            EXPECT_EQ(Uids(*fast, kind), Uids(*slow, kind)) << "type " << type << " kind " << int(kind);
            EXPECT_EQ(ReferencedSvcUids(*fast), ReferencedSvcUids(*slow)) << "type " << type;
            EXPECT_EQ(ReferencedSvcUids(*fast), ReferencedSvcUids(*EqualKeyDocument(40 + type)));
        }
}

namespace {

std::unique_ptr<COrvanel1Doc> EncodableDocument(ScriptedPrompter& prompter)
{
    std::mt19937 rng(7);
    RandomDocOptions options;
    options.tvCount = 60;
    options.radioCount = 20;
    auto doc = MakeRandomDocument(rng, options);
    doc->m_pPrompter = &prompter;
    doc->m_bLoaded = true;
    return doc;
}

} // namespace

TEST(SortUndo, SeventeenSortsKeepSixteenSnapshots)
{
    ScriptedPrompter prompter;
    auto doc = EncodableDocument(prompter);
    CSortUndo undo;
    EXPECT_EQ(undo.LastDescription(), "");
    Names afterFirstSort;
    for (int i = 0; i < 17; ++i) {
        const int type = i % kSortTypeCount;
        ASSERT_TRUE(ChList_Sort(*doc, undo, type, i % 2 ? kRadioKind : kTvKind));
        EXPECT_EQ(undo.LastDescription(), SortDescription(type) + " \t\t ");
        if (i == 0)
            afterFirstSort = SvcNames(*doc, kTvKind);
    }
    EXPECT_EQ(undo.Depth(), CSortUndo::kDepth);
    EXPECT_FALSE(ChList_Sort(*doc, undo, kSortTypeCount, kTvKind));
    EXPECT_EQ(undo.Depth(), CSortUndo::kDepth);
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(undo.Available());
        ASSERT_TRUE(Appl_UndoSort(*doc, undo));
    }
    EXPECT_EQ(undo.LastDescription(), "");
    EXPECT_FALSE(undo.Available());
    EXPECT_FALSE(Appl_UndoSort(*doc, undo));
    EXPECT_TRUE(doc->m_bLoaded);
    // The oldest snapshot (before the first sort) was dropped: the list is as the first sort left it.
    EXPECT_EQ(SvcNames(*doc, kTvKind), afterFirstSort);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST(SortUndo, UndoRestoresEverythingFromBeforeTheSort)
{
    ScriptedPrompter prompter;
    auto doc = EncodableDocument(prompter);
    CSortUndo undo;
    // Bring the document to what a load gives, so that the comparison is exact.
    ASSERT_TRUE(InverseParseImage(*doc));
    ASSERT_TRUE(ParseImage(*doc));
    const Names before = SvcNames(*doc, kTvKind);
    const std::vector<uint64_t> refsBefore = ReferencedSvcUids(*doc);
    const FavCh favBefore = doc->m_FavCh[0];

    ASSERT_TRUE(ChList_Sort(*doc, undo, kSortAlphabetic, kTvKind));
    ASSERT_NE(SvcNames(*doc, kTvKind), before);
    EXPECT_EQ(ReferencedSvcUids(*doc), refsBefore);   // references followed the sort
    Appl_ChangeTvSvcName(*doc, 0, "Renamed after sort");
    Appl_MoveSvc(*doc, kTvKind, 0, 5);

    ASSERT_TRUE(Appl_UndoSort(*doc, undo));
    EXPECT_EQ(SvcNames(*doc, kTvKind), before);
    EXPECT_EQ(ReferencedSvcUids(*doc), refsBefore);
    EXPECT_EQ(doc->m_FavCh[0].chNum, favBefore.chNum);
    EXPECT_TRUE(CheckDocInvariants(*doc).empty());
}

