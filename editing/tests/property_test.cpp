// Random sequences of editing operations on randomized documents: after each one the
// document's invariants hold, references name the same services after moves, pastes and
// sorts, and services keep their transponder when satellites and transponders change.
#include "editing/tests/edit_test_util.h"
#include "editing/fav_edit.h"
#include "editing/testing/random_document.h"
#include "editing/sat_edit.h"
#include "editing/svc_edit.h"
#include "editing/svc_sort.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace {

class RandomPrompter : public Prompter {
public:
    explicit RandomPrompter(std::mt19937& rng) : m_Rng(rng) {}
    void Notify(const std::string&, const std::string&, PromptIcon) override {}
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptIcon) override
    {
        return m_Rng() % 4 == 0 ? PromptAnswer::No : PromptAnswer::Yes;
    }

private:
    std::mt19937& m_Rng;
};

using TpKey = std::tuple<std::string, uint32_t, uint16_t, uint8_t>;

// Per service (by unique id): its satellite's name and its transponder's values.
std::map<uint32_t, TpKey> ServiceTransponders(const COrvanel1Doc& doc)
{
    std::map<uint32_t, TpKey> keys;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        const SvcRecord* table = kind == kTvKind ? doc.m_TvSvc.data() : doc.m_RadioSvc.data();
        for (uint32_t i = 0; i < (kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt); ++i) {
            const TpData& tp = doc.m_TpData[Appl_SatTpStart(doc, table[i].satIdx) + table[i].tpIdx];
            keys[SvcUid(table[i])] = {FieldText(doc.m_SatInfo[table[i].satIdx].name), tp.freq, tp.sr, tp.polar};
        }
    }
    return keys;
}

// The references that named a service before still name it (a current-service slot left
// one past the end by a deletion names nothing and is not compared).
bool SameValidReferences(const std::vector<uint64_t>& before, const std::vector<uint64_t>& after)
{
    constexpr uint64_t kOutOfRange = uint64_t(1) << 32;
    if (before.size() != after.size())
        return false;
    for (size_t i = 0; i < before.size(); ++i)
        if (!(before[i] & kOutOfRange) && before[i] != after[i])
            return false;
    return true;
}

class Driver {
public:
    explicit Driver(uint32_t seed) : m_Rng(seed), m_Prompter(m_Rng)
    {
        RandomDocOptions options;
        options.tvCount = 80 + seed % 50;
        options.radioCount = 30;
        m_Doc = MakeRandomDocument(m_Rng, options);
        m_Doc->m_pPrompter = &m_Prompter;
        m_NextUid = 100000;
    }

    void Step(int op)
    {
        const SvcKind kind = Pick(3) == 0 ? kRadioKind : kTvKind;
        const uint32_t count = SvcCount(*m_Doc, kind);
        const std::vector<uint64_t> refs = ReferencedSvcUids(*m_Doc);
        const auto transponders = ServiceTransponders(*m_Doc);
        bool refsFollow = false;
        bool tpsFollow = false;
        switch (op) {
        case 0:
            refsFollow = Appl_MoveSvc(*m_Doc, kind, Pick(count), Pick(count));
            break;
        case 1: {
            const uint32_t len = 1 + Pick(5);
            refsFollow = Appl_MoveSvcBlock(*m_Doc, kind, Pick(count), len, Pick(count));
            break;
        }
        case 2:
            if (Appl_CopySvc(*m_Doc, m_Clip, kind, Selection(count))) {
                for (SvcRecord& svc : m_Clip.Records(kind))
                    SetSvcUid(svc, ++m_NextUid);
                refsFollow = Appl_PasteSvc(*m_Doc, m_Clip, kind, Pick(count + 1), {0}) > 0;
            }
            break;
        case 3: Appl_CutSvc(*m_Doc, m_Clip, kind, Selection(count)); break;
        case 4: Appl_DeleteSvcClearClip(*m_Doc, m_Clip, kind, Selection(count)); break;
        case 5: refsFollow = Appl_SortSvcList(*m_Doc, kind, static_cast<int>(Pick(kSortTypeCount))); break;
        case 6:
            if (Pick(3) == 0)
                Appl_UndoSort(*m_Doc, m_Undo);
            else
                refsFollow = ChList_Sort(*m_Doc, m_Undo, static_cast<int>(Pick(kSortTypeCount)), kind);
            break;
        case 7: Appl_ChangeSvcName(*m_Doc, kind, Pick(count), "Renamed " + std::to_string(Pick(1000))); break;
        case 8: {
            TpValues tp;
            tp.freq = 10700 + Pick(2000);
            tp.sr = 1000 + Pick(44001);
            tp.polar = static_cast<uint8_t>(Pick(2));
            tpsFollow = Appl_AddTp(*m_Doc, static_cast<int>(Pick(m_Doc->m_SatCnt)), tp, {}) != FindTpResult::Invalid;
            break;
        }
        case 9: {
            const int sat = static_cast<int>(Pick(m_Doc->m_SatCnt));
            Appl_DeleteTps(*m_Doc, sat, Selection(m_Doc->m_SatInfo[sat].tpNum));
            tpsFollow = true;
            break;
        }
        case 10:
            tpsFollow = Appl_CanAddSat(*m_Doc) && Appl_AddSat(*m_Doc, "New " + std::to_string(Pick(99)), 127) >= 0;
            break;
        case 11:
            Appl_DeleteSat(*m_Doc, static_cast<int>(Pick(m_Doc->m_SatCnt)));
            tpsFollow = true;
            break;
        case 12: {
            const int slot = static_cast<int>(Pick(m_Doc->m_FavCnt));
            if (slot < static_cast<int>(m_Doc->m_FavCnt)) {
                FavCh group = m_Doc->m_FavCh[slot];
                const SvcKind groupKind = FavDlg_InitialKind(group);
                const uint32_t listCount = SvcCount(*m_Doc, groupKind);
                FavDlg_AddMembers(group, Selection(listCount), listCount, groupKind, m_Prompter);
                FavDlg_RemoveMembers(group, {Pick(group.numOfFavCh)});
                Appl_EditFavGroup(*m_Doc, slot, group);
            }
            break;
        }
        case 13:
            if (Pick(2) == 0)
                Appl_DeleteFavGroup(*m_Doc, static_cast<int>(Pick(m_Doc->m_FavCnt)));
            else
                Appl_RemoveFavMember(*m_Doc, static_cast<int>(Pick(m_Doc->m_FavCnt)), static_cast<int>(Pick(5)));
            break;
        }
        const std::vector<std::string> bad = CheckDocInvariants(*m_Doc);
        ASSERT_TRUE(bad.empty()) << "after operation " << op << ": " << bad.front();
        if (refsFollow) {
            ASSERT_TRUE(SameValidReferences(refs, ReferencedSvcUids(*m_Doc))) << "after operation " << op;
        }
        if (tpsFollow) {
            for (const auto& [uid, key] : ServiceTransponders(*m_Doc))
                ASSERT_EQ(key, transponders.at(uid)) << "after operation " << op;
        }
    }

    uint32_t Pick(uint32_t below) { return below == 0 ? 0 : m_Rng() % below; }

private:
    std::vector<uint32_t> Selection(uint32_t count)
    {
        std::vector<uint32_t> sel;
        const uint32_t first = Pick(count);
        for (uint32_t n = Pick(6); n > 0; --n)
            sel.push_back(Pick(4) == 0 ? Pick(count) : first + n);
        return sel;
    }

    std::mt19937 m_Rng;
    RandomPrompter m_Prompter;
    std::unique_ptr<COrvanel1Doc> m_Doc;
    CSortUndo m_Undo;
    CSvcClipboard m_Clip;
    uint32_t m_NextUid = 0;
};

} // namespace

TEST(EditingProperties, RandomOperationSequencesKeepTheDocumentConsistent)
{
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        Driver driver(seed);
        for (int step = 0; step < 150; ++step) {
            const int op = static_cast<int>(driver.Pick(14));
            driver.Step(op);
            if (HasFatalFailure()) {
                ADD_FAILURE() << "seed " << seed << " step " << step;
                return;
            }
        }
    }
}
