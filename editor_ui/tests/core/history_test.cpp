// The history of every change: each kind of change undone and redone byte for byte, merged
// typing, the edited flag at the saved step, and services the load-time checks would drop.
#include "editor_fixture.h"

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
        {"TV Service : Rename", [](auto& c, auto&) { c.CommitRename(kTvKind, 3, "Renamed"); }},
        {"TV Service : Move", [](auto& c, auto&) { c.MoveBlock(kTvKind, +1); }},
        {"TV Service : CAS", [](auto& c, auto&) { c.ToggleCas(kTvKind); }},
        {"TV Service : Lock", [](auto& c, auto&) { c.ToggleLock(kTvKind); }},
        {"TV Service : Tuner 2", [](auto& c, auto&) { c.SetTunerNum(kTvKind, 2); }},
        {"TV Service : Cut", [](auto& c, auto&) { c.Run(Cmd::Cut); }},
        {"TV Service : Paste", [](auto& c, auto&) { c.Run(Cmd::Paste); }},
        {"TV Service : Delete", [](auto& c, auto&) { c.Run(Cmd::Delete); }},
        {"TV Service : PMT : 4000", [](auto& c, auto&) {
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
        {"Satellite Information : Add Satellite", [](auto& c, auto&) { c.Run(Cmd::AddSat); }},
        {"LNB Information : LNB Power", [](auto& c, auto&) { c.SetLnb(LnbField::Power, 0); }},
        {"LNB Information : Type", [](auto& c, auto&) { c.SetLnb(LnbField::Type, kLnbTypeUser); }},
        {"LNB Information : Low 5150", [](auto& c, auto&) {
             c.SetLnbLow("5", false);
             c.SetLnbLow("515", false);
             c.SetLnbLow("5150", false);
         }},
        {"Satellite Information : Delete Transponder", [](auto& c, auto&) {
             c.SelectSat(2);
             c.SetTpSelection({0}, 0);
             c.Run(Cmd::DeleteTp);
         }},
        {"Satellite Information : Delete Satellite", [](auto& c, auto&) { c.Run(Cmd::DeleteSat); }},
        {"Favorite Group : Delete Favorite Item", [](auto& c, auto&) {
             c.Run(Cmd::ViewFav);
             c.SetFavMember(1);
             c.DeleteFavMemberAsked();
         }},
        {"Favorite Group : Delete Current Fav Group", [](auto& c, auto&) { c.Run(Cmd::DeleteFavGroup); }},
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
    EXPECT_EQ(ctl.History().Entry(1).description, "TV Service : AID : 123");
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
