#include "editing/dialog_rules.h"
#include "editing/fav_edit.h"
#include "editing/sat_edit.h"
#include "editing/svc_edit.h"
#include "editing/svc_refs.h"
#include "editing/svc_sort.h"
#include "editing/tests/edit_test_util.h"
#include "editing/testing/random_document.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace {

using T = DocTable;

// Two satellites, TV and radio services on both, one favourite group, a copied service.
void Populate(EditDoc& d)
{
    AddTestSat(*d, "Astra", 3, 11000);
    AddTestSat(*d, "Hotbird", 2, 12000);
    for (const char* name : {"D", "B", "C", "A"})
        AddTestSvc(*d, kTvKind, name, 0, 1);
    AddTestSvc(*d, kTvKind, "E", 1, 0);
    AddTestSvc(*d, kRadioKind, "R", 1, 1);
    AddFavGroup(*d, "Sports", kTvKind, {0, 2});
    ASSERT_TRUE(Appl_CopySvc(*d, d.clip, kTvKind, {1}));
}

FavCh Group(const char* name)
{
    FavCh group;
    SetFieldText(group.favName, name);
    return group;
}

struct Operation {
    const char* name;
    std::function<bool(EditDoc&)> run;   // true when the operation changed something
    DocTables changed;
};

const DocTables kAll = DocTables::All();

const Operation kOperations[] = {
    {"rename", [](EditDoc& d) { Appl_ChangeSvcName(*d, kTvKind, 0, "X"); return true; }, T::Tv},
    {"rename radio", [](EditDoc& d) { Appl_ChangeRadioSvcName(*d, 0, "X"); return true; }, T::Radio},
    {"move", [](EditDoc& d) { return Appl_MoveSvc(*d, kTvKind, 0, 3); }, T::Tv | T::Favourites},
    {"move block", [](EditDoc& d) { return Appl_MoveSvcBlock(*d, kTvKind, 0, 2, 2); }, T::Tv | T::Favourites},
    {"insert", [](EditDoc& d) { return Appl_InsertSvc(*d, d.clip, kTvKind, 0, 0); }, T::Tv | T::Favourites},
    {"cut", [](EditDoc& d) { return Appl_CutSvc(*d, d.clip, kTvKind, {0}); }, T::Tv | T::Favourites},
    {"delete (edit menu)", [](EditDoc& d) { return Appl_DeleteSvcClearClip(*d, d.clip, kTvKind, {1}); },
     T::Tv | T::Favourites},
    {"delete", [](EditDoc& d) { return Appl_DeleteSvc(*d, kRadioKind, {0}); }, T::Radio | T::Favourites},
    {"paste", [](EditDoc& d) { return Appl_PasteSvc(*d, d.clip, kTvKind, 1, {1}) == 1; }, T::Tv | T::Favourites},
    {"scrambled", [](EditDoc& d) { return Appl_ToggleCas(*d, kTvKind, {0, 1}, 0); }, T::Tv},
    {"lock", [](EditDoc& d) { return Appl_ToggleLock(*d, kRadioKind, {0}, 0); }, T::Radio},
    {"tuner", [](EditDoc& d) { return Appl_SetTuner(*d, kTvKind, {2}, 3); }, T::Tv},
    {"pid", [](EditDoc& d) { return Appl_SetSvcPid(*d, kTvKind, 2, SvcPidField::PcrPid, 512); }, T::Tv},
    {"order", [](EditDoc& d) { Appl_ApplySvcOrder(*d, kTvKind, 0, {1, 0}); return true; }, T::Tv | T::Favourites},
    {"shift refs", [](EditDoc& d) { Appl_ShiftSvcRefsForInsert(*d, kTvKind, 0, 5); return true; },
     T::Tv | T::Favourites},
    {"sort", [](EditDoc& d) { return Appl_SortSvcList(*d, kTvKind, kSortAlphabetic); }, T::Tv | T::Favourites},
    {"name dialog", [](EditDoc& d) { return SvcNameDlg_Apply(*d, kTvKind, 0, "Y", 2) == 1; }, T::Tv | T::Favourites},
    {"add group", [](EditDoc& d) { return Appl_AddFavGroup(*d, Group("News")) == 1; }, T::Favourites},
    {"edit group", [](EditDoc& d) { return Appl_EditFavGroup(*d, 0, Group("Movies")); }, T::Favourites},
    {"delete group", [](EditDoc& d) { d.prompter.answers = {PromptAnswer::Yes}; return Appl_DeleteFavGroup(*d, 0); },
     T::Favourites},
    {"remove member", [](EditDoc& d) { return Appl_RemoveFavMember(*d, 0, 0) == 0; }, T::Favourites},
    {"first TP", [](EditDoc& d) { d->m_SatInfo[1].firstTp = 0; Appl_RecomputeFirstTp(*d); return true; },
     T::Satellites},
    {"add satellite", [](EditDoc& d) { return Appl_AddSat(*d, "Thor", 5) == 2; }, T::Satellites | T::Tps},
    {"edit satellite", [](EditDoc& d) { return Appl_EditSat(*d, 1, "Thor", 5); }, T::Satellites},
    {"delete satellite",
     [](EditDoc& d) { d.prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes}; return Appl_DeleteSat(*d, 0); },
     kAll},
    {"delete TPs of satellite", [](EditDoc& d) { Appl_DeleteTpInSat(*d, 1); return true; },
     T::Satellites | T::Tps | T::Tv | T::Radio},
    {"insert TP", [](EditDoc& d) { return Appl_InsertTp(*d, 0, d->m_TpData[0]) == 3; }, T::Satellites | T::Tps},
    {"add TP",
     [](EditDoc& d) { return Appl_AddTp(*d, 1, TpValues{.freq = 12345, .sr = 27500}, {}) == FindTpResult::None; },
     T::Satellites | T::Tps},
    {"add near-identical TP",
     [](EditDoc& d) { return Appl_AddTp(*d, 0, TpValues{.freq = 11001, .sr = 27500}, {}) == FindTpResult::NearIdentical; },
     T::Tps},
    {"edit TP", [](EditDoc& d) { return Appl_EditTp(*d, 0, 1, TpValues{.freq = 11111, .sr = 22000}, {}); }, T::Tps},
    {"delete TPs",
     [](EditDoc& d) { d.prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes}; return Appl_DeleteTps(*d, 0, {1}); },
     kAll},
};

} // namespace

TEST(Revision, EveryEditingOperationBumpsItAndNamesTheTablesItChanged)
{
    for (const Operation& op : kOperations) {
        SCOPED_TRACE(op.name);
        EditDoc d;
        Populate(d);
        d->m_Revision.MarkSaved();
        const uint64_t seen = d->m_Revision.Current();
        ASSERT_TRUE(op.run(d));
        EXPECT_GT(d->m_Revision.Current(), seen);
        EXPECT_TRUE(d->m_Revision.Edited());
        EXPECT_EQ(d->m_Revision.ChangedSince(seen), op.changed);
        EXPECT_TRUE(d->m_Revision.ChangedSince(d->m_Revision.Current()).Empty());
    }
}

TEST(Revision, RefusedOperationsAndCopyingLeaveItAlone)
{
    EditDoc d;
    Populate(d);
    const uint64_t seen = d->m_Revision.Current();
    EXPECT_TRUE(Appl_CopySvc(*d, d.clip, kTvKind, {0, 1}));
    EXPECT_FALSE(Appl_MoveSvc(*d, kTvKind, 0, 9));
    EXPECT_FALSE(Appl_SetSvcPid(*d, kTvKind, 0, SvcPidField::PmtPid, 9000));
    EXPECT_EQ(Appl_AddFavGroup(*d, Group("Sports")), -1);
    d.prompter.answers = {PromptAnswer::No};
    EXPECT_FALSE(Appl_DeleteSat(*d, 0));
    EXPECT_EQ(d->m_Revision.Current(), seen);
}

TEST(Revision, UndoingASortDecodesAndChangesEveryTable)
{
    std::mt19937 rng(3);
    auto doc = MakeRandomDocument(rng, RandomDocOptions{});
    doc->m_bLoaded = true;
    CSortUndo undo;
    ASSERT_TRUE(ChList_Sort(*doc, undo, kSortAlphabetic, kTvKind));
    const uint64_t seen = doc->m_Revision.Current();
    ASSERT_TRUE(Appl_UndoSort(*doc, undo));
    EXPECT_EQ(doc->m_Revision.ChangedSince(seen), DocTables::All());
}
