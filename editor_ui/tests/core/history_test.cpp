// The history of every change: each kind of change undone and redone byte for byte, merged
// typing, the edited flag at the saved step, and services the load-time checks would drop.
#include "editor_fixture.h"

#include "editing/edit_common.h"
#include "editing/fav_edit.h"
#include "editing/sat_edit.h"
#include "settings/image_codec.h"
#include "settings/service_purge.h"

namespace {

std::vector<uint8_t> Encoded(COrvanel1Doc& doc)
{
    EXPECT_TRUE(InverseParseImage(doc));
    std::vector<uint8_t> image = doc.m_Snapshot;
    const ImageCounts counts = CountsOf(doc);
    for (uint32_t value : {counts.tvSvc, counts.radioSvc, counts.sat, counts.fav, counts.svcNamePos})
        image.push_back(uint8_t(value)), image.push_back(uint8_t(value >> 8));
    return image;
}

struct Change {
    const char* step;
    std::function<void(CEditorController&, COrvanel1Doc&)> make;
};

class HistoryTest : public EditorTest {
protected:
    void OpenTv()
    {
        OpenDemo({.modelId = 12});
        ctl.Run(Cmd::ViewTv);
        ctl.SetSvcSelection(kTvKind, {3, 4}, 3);
    }
    // Each change, undone and redone, gives back the encoded settings byte for byte.
    void ExpectStepsBothWays(const std::vector<Change>& changes)
    {
        for (const Change& change : changes) {
            SCOPED_TRACE(change.step);
            const std::vector<uint8_t> before = Encoded(*doc);
            const size_t position = ctl.History().Position();
            change.make(ctl, *doc);
            const std::vector<uint8_t> after = Encoded(*doc);
            ASSERT_NE(before, after);
            ASSERT_EQ(ctl.History().Position(), position + 1);
            EXPECT_EQ(ctl.History().Entry(position + 1).description, change.step);
            ctl.Run(Cmd::UndoChange);
            EXPECT_TRUE(Encoded(*doc) == before);
            ctl.Run(Cmd::RedoChange);
            EXPECT_TRUE(Encoded(*doc) == after);
        }
    }
};

TEST_F(HistoryTest, EveryKindOfServiceChangeGoesBackAndForthByteForByte)
{
    OpenTv();
    ExpectStepsBothWays({
        {"TV Service : Rename (arte)", [](auto& c, auto&) { c.CommitRename(kTvKind, 3, "Renamed"); }},
        {"TV Service : Move (Renamed and 1 more)", [](auto& c, auto&) { c.MoveBlock(kTvKind, +1); }},
        {"TV Service : CAS (Renamed and 1 more)", [](auto& c, auto&) { c.ToggleCas(kTvKind); }},
        {"TV Service : Lock (Renamed and 1 more)", [](auto& c, auto&) { c.ToggleLock(kTvKind); }},
        {"TV Service : Tuner 2 (Renamed and 1 more)", [](auto& c, auto&) { c.SetTunerNum(kTvKind, 2); }},
        {"TV Service : Cut (Renamed and 1 more)", [](auto& c, auto&) { c.Run(Cmd::Cut); }},
        {"TV Service : Paste", [](auto& c, auto&) { c.Run(Cmd::Paste); }},
        {"TV Service : Delete (Renamed and 1 more)", [](auto& c, auto&) { c.Run(Cmd::Delete); }},
        {"TV Service : PMT : 4000 (Sky Sport)", [](auto& c, auto&) {
             c.SetSvcSelection(kTvKind, {7}, 7);
             c.SetPid(kTvKind, SvcPidField::PmtPid, "4000", false);
         }},
        {"Current Sort Type : Alphabetic", [](auto& c, auto&) { c.Sort(kTvKind, kSortAlphabetic); }},
        {"Undo Sorting", [](auto& c, auto&) { c.Run(Cmd::UndoSort); }},
    });
}

TEST_F(HistoryTest, SatelliteLnbAndFavouriteChangesGoBackAndForthByteForByte)
{
    OpenTv();
    ctl.Run(Cmd::ViewSat);
    ctl.SelectSat(1);
    dialogs.edit = [this] { return Appl_AddSat(*doc, "Hispasat", 30) >= 0; };
    prompter.answers.assign(8, PromptAnswer::Yes);
    ExpectStepsBothWays({
        {"Satellite Information : Add Satellite (Hispasat)", [](auto& c, auto&) { c.Run(Cmd::AddSat); }},
        {"LNB Information : LNB Power (Turksat 42E)", [](auto& c, auto&) { c.SetLnb(LnbField::Power, 0); }},
        {"LNB Information : Type (Turksat 42E)", [](auto& c, auto&) { c.SetLnb(LnbField::Type, kLnbTypeUser); }},
        {"LNB Information : Low 5150 (Turksat 42E)", [](auto& c, auto&) {
             c.SetLnbLow("5", false);
             c.SetLnbLow("515", false);
             c.SetLnbLow("5150", false);
         }},
        {"Satellite Information : Delete Transponder (Astra 28.2E 10908 MHz)", [](auto& c, auto&) {
             c.SelectSat(2);
             c.SetTpSelection({0}, 0);
             c.Run(Cmd::DeleteTp);
         }},
        {"Satellite Information : Delete Satellite (Astra 28.2E)", [](auto& c, auto&) { c.Run(Cmd::DeleteSat); }},
        {"Favorite Group : Delete Favorite Item (News)", [](auto& c, auto&) {
             c.Run(Cmd::ViewFav);
             c.SetFavMember(1);
             c.DeleteFavMemberAsked();
         }},
        {"Favorite Group : Delete Current Fav Group (News)", [](auto& c, auto&) { c.Run(Cmd::DeleteFavGroup); }},
    });
}

TEST_F(HistoryTest, ApplyingAReferenceListIsOneStep)
{
    OpenTv();
    dialogs.referenceFiles = {MakeFile("reference.std", {.tvServices = 200, .radioServices = 40})};
    ExpectStepsBothWays({{"Apply Reference List", [](auto& c, auto&) { c.Run(Cmd::ApplyReference); }}});
}

TEST_F(HistoryTest, TypingIntoOneFieldIsOneStepAndANewChangeDropsTheStepsAhead)
{
    OpenTv();
    ctl.SetSvcSelection(kTvKind, {5}, 5);
    for (const char* typed : {"1", "12", "123"})
        ctl.SetPid(kTvKind, SvcPidField::AudioPid, typed, false);
    ctl.SetPid(kTvKind, SvcPidField::PcrPid, "77", false);
    ASSERT_EQ(ctl.History().Size(), 3u);
    EXPECT_EQ(ctl.History().Entry(0).description, "Open");
    EXPECT_EQ(ctl.History().Entry(1).description, "TV Service : AID : 123 (ORF 2)");
    ctl.GoToChange(0);
    EXPECT_EQ(doc->m_TvSvc[5].audioPid, 0x280 + 5);
    ctl.GoToChange(2);
    EXPECT_EQ(doc->m_TvSvc[5].pcrPid, 77);
    ctl.GoToChange(1);
    ctl.SetPid(kTvKind, SvcPidField::AudioPid, "1234", false);
    EXPECT_EQ(ctl.History().Size(), 3u) << "after going back the field's typing starts a new step";
    EXPECT_FALSE(ctl.Enabled(Cmd::RedoChange));
    EXPECT_EQ(doc->m_TvSvc[5].pcrPid, 0x200 + 5);
}

TEST_F(HistoryTest, MovesOfOneBlockFoldButAnotherBlockIsItsOwnStep)
{
    OpenTv();
    const uint32_t idA = doc->m_TvSvc[3].svcId, idB = doc->m_TvSvc[10].svcId;
    ASSERT_TRUE(ctl.MoveBlock(kTvKind, +1));
    ctl.SetSvcSelection(kTvKind, {4, 5}, 4);   // the list showing the moved block again
    ASSERT_TRUE(ctl.MoveBlock(kTvKind, +1));
    ctl.SetSvcSelection(kTvKind, {10}, 10);
    ASSERT_TRUE(ctl.MoveBlock(kTvKind, -1));
    ASSERT_EQ(ctl.History().Size(), 3u) << "one step per dragged block";
    ctl.Run(Cmd::UndoChange);
    EXPECT_EQ(doc->m_TvSvc[10].svcId, idB);
    EXPECT_EQ(doc->m_TvSvc[5].svcId, idA) << "the first block's drag stays";
    ctl.Run(Cmd::UndoChange);
    EXPECT_EQ(doc->m_TvSvc[3].svcId, idA);
}

TEST_F(HistoryTest, UndoSortingOffersOnlySortsTheHistoryStillHolds)
{
    OpenTv();
    ctl.Sort(kTvKind, kSortAlphabetic);
    ctl.CommitRename(kTvKind, 2, "Between");
    ctl.Sort(kTvKind, kSortTransponder);
    ctl.Run(Cmd::UndoChange);
    EXPECT_EQ(ctl.SortLabel(), PadSortDescription(SortDescription(kSortAlphabetic)));
    ctl.Run(Cmd::RedoChange);
    EXPECT_EQ(ctl.SortLabel(), PadSortDescription(SortDescription(kSortTransponder))) << "redone, the sort is offered again";
    ctl.GoToChange(1);
    EXPECT_TRUE(ctl.Enabled(Cmd::UndoSort)) << "at the step right after the sort";
    ctl.Run(Cmd::UndoChange);
    EXPECT_FALSE(ctl.Enabled(Cmd::UndoSort));
    EXPECT_TRUE(ctl.SortLabel().empty());

    ctl.CommitRename(kTvKind, 0, "Made after");
    ctl.Run(Cmd::UndoSort);
    EXPECT_EQ(SvcNameOf(*doc, doc->m_TvSvc[0]), "Made after");
    ctl.Run(Cmd::UndoChange);
    ctl.Run(Cmd::RedoChange);
    EXPECT_FALSE(ctl.Enabled(Cmd::UndoSort)) << "the sorts' steps went with the new change";
}

// Satellite 0's transponders at the end of the table, as the STB may keep them.
TEST_F(HistoryTest, StepsKeepTheTransponderListsOfAFileWhoseFirstSatelliteIsNotFirstInTheTable)
{
    auto source = std::make_unique<COrvanel1Doc>();
    source->m_SideFileFolder = dir;
    BuildDemoSettings(*source, {});
    const uint32_t moved = source->m_SatInfo[0].tpNum, count = source->m_TpCnt;
    ASSERT_GT(moved, 0u);
    auto rotate = [&](auto& table) { std::rotate(table.begin(), table.begin() + moved, table.begin() + count); };
    rotate(source->m_TpData), rotate(source->m_TpExt), rotate(source->m_TpS2);
    for (uint32_t sat = 0; sat < source->m_SatCnt; ++sat)
        source->m_SatInfo[sat].firstTp = sat == 0 ? count - moved : source->m_SatInfo[sat].firstTp - moved;
    const fs::path path = dir / "rotated.std";
    ASSERT_EQ(SaveSettingsFile(*source, path), SettingsFileResult::Ok);

    ASSERT_TRUE(ctl.OpenAtStart(path));
    ASSERT_EQ(doc->m_SatInfo[1].firstTp, 0u);
    const fs::path opened = dir / "opened.std", stepped = dir / "stepped.std";
    ASSERT_EQ(SaveSettingsFile(*doc, opened), SettingsFileResult::Ok);
    std::vector<uint32_t> firstTps;
    for (uint32_t sat = 0; sat < doc->m_SatCnt; ++sat)
        firstTps.push_back(doc->m_SatInfo[sat].firstTp);
    const uint32_t base = doc->m_SatFirstTpBase;

    ctl.Run(Cmd::ViewTv);
    ctl.CommitRename(kTvKind, 0, "Renamed");
    ctl.Run(Cmd::UndoChange);
    std::vector<uint32_t> after;
    for (uint32_t sat = 0; sat < doc->m_SatCnt; ++sat)
        after.push_back(doc->m_SatInfo[sat].firstTp);
    EXPECT_EQ(after, firstTps);
    EXPECT_EQ(doc->m_SatFirstTpBase, base);
    ASSERT_EQ(SaveSettingsFile(*doc, stepped), SettingsFileResult::Ok);
    EXPECT_TRUE(testing_support::ReadFileBytes(opened) == testing_support::ReadFileBytes(stepped)) << "a save after the step writes what a save after opening did";
}

TEST_F(HistoryTest, TheEditedFlagIsClearAtTheSavedStep)
{
    OpenTv();
    EXPECT_FALSE(ctl.Edited());
    EXPECT_FALSE(ctl.Enabled(Cmd::UndoChange));
    ctl.Run(Cmd::Delete);
    EXPECT_TRUE(ctl.Edited());
    ctl.Run(Cmd::UndoChange);
    EXPECT_FALSE(ctl.Edited()) << "back at the file's state";
    ctl.Run(Cmd::RedoChange);
    EXPECT_TRUE(ctl.Edited());
    ctl.CommitRename(kTvKind, 0, "Saved Name");
    ASSERT_TRUE(ctl.OnSave());
    EXPECT_EQ(ctl.History().Size(), 3u) << "a save keeps the history";
    ctl.Run(Cmd::UndoChange);
    EXPECT_TRUE(ctl.Edited());
    ctl.Run(Cmd::RedoChange);
    EXPECT_FALSE(ctl.Edited());
    EXPECT_TRUE(ctl.OnLeave()) << "leaving at the saved step asks nothing";
}

TEST_F(HistoryTest, StepsKeepServicesTheLoadTimeChecksWouldDrop)
{
    OpenTv();
    const uint32_t count = doc->m_TvSvcCnt;
    ctl.SetSvcSelection(kTvKind, {count - 1}, int(count - 1));
    ctl.SetPid(kTvKind, SvcPidField::PmtPid, "0", false);
    ctl.CommitRename(kTvKind, 0, "Other");
    ctl.Run(Cmd::UndoChange);
    EXPECT_EQ(doc->m_TvSvcCnt, count);
    EXPECT_EQ(doc->m_TvSvc[count - 1].pmtPid, 0);
}

TEST(XorDeltaTest, RunsOfDifferencesGoBothWays)
{
    std::vector<uint8_t> a(100000, 7), b = a;
    b[0] = 1;
    b[50] = 2, b[52] = 3;          // a gap of one equal byte stays inside the run
    b[99999] = 9;
    std::vector<uint8_t> delta = XorDelta(a.data(), b.data(), a.size());
    EXPECT_LT(delta.size(), 20u);
    ApplyXorDelta(delta, a.data());
    EXPECT_EQ(a, b);
    ApplyXorDelta(delta, a.data());
    EXPECT_EQ(a[50], 7);
    EXPECT_TRUE(XorDelta(a.data(), a.data(), a.size()).empty());
}

}  // namespace
