// The find bar's logic: filtered lists show and act on their matching services only, moves
// among them keep the hidden services in place, clearing keeps the selection; finding wraps.
#include "editor_fixture.h"

#include "editing/sat_edit.h"
#include "editor_ui/core/list_lines.h"
#include "settings/service_purge.h"

namespace {

std::vector<uint32_t> SvcIds(const COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& positions)
{
    std::vector<uint32_t> ids;
    for (uint32_t pos : positions)
        ids.push_back(SvcTable(doc, kind)[pos].svcId);
    return ids;
}

std::vector<uint32_t> HiddenIds(const COrvanel1Doc& doc, int sat)
{
    std::vector<uint32_t> ids;
    for (uint32_t pos = 0; pos < doc.m_TvSvcCnt; ++pos)
        if (doc.m_TvSvc[pos].satIdx != sat)
            ids.push_back(doc.m_TvSvc[pos].svcId);
    return ids;
}

class FilterTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        OpenDemo({.tvServices = 40, .radioServices = 10});
        ctl.Run(Cmd::ViewTv);
    }
    std::vector<uint32_t> Shown(SvcKind kind)
    {
        std::vector<uint32_t> rows;
        for (uint32_t row = 0; row < ctl.ShownCount(kind); ++row)
            rows.push_back(ctl.ShownPos(kind, row));
        return rows;
    }
};

TEST_F(FilterTest, DeleteAndMovesInASatelliteFilterTouchOnlyShownServices)
{
    const uint32_t sats = doc->m_SatCnt;
    ctl.SetFilter(kTvKind, {.sat = 1});
    const std::vector<uint32_t> shown = Shown(kTvKind);
    ASSERT_GT(shown.size(), 4u);
    for (uint32_t pos : shown)
        EXPECT_EQ(doc->m_TvSvc[pos].satIdx, 1);
    EXPECT_EQ(shown[1], 1 + sats) << "true positions";
    const std::vector<uint32_t> hidden = HiddenIds(*doc, 1);
    const std::vector<uint32_t> ids = SvcIds(*doc, kTvKind, shown);

    ctl.SetSvcSelection(kTvKind, {shown[0], shown[1]}, int(shown[0]));
    ASSERT_TRUE(ctl.MoveBlock(kTvKind, +1));
    EXPECT_EQ(SvcIds(*doc, kTvKind, Shown(kTvKind)).front(), ids[2]);
    EXPECT_EQ(ctl.SvcState(kTvKind).selection, (std::vector<uint32_t>{shown[1], shown[2]}));
    EXPECT_EQ(HiddenIds(*doc, 1), hidden);
    for (uint32_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(doc->m_TvSvc[shown[i]].satIdx, 1) << "the shown slots keep shown services";

    ctl.Run(Cmd::Delete);
    EXPECT_EQ(Shown(kTvKind).size(), shown.size() - 2);
    EXPECT_EQ(HiddenIds(*doc, 1), hidden) << "hidden services neither go nor change order";
    EXPECT_EQ(doc->m_TvSvc[ctl.SvcState(kTvKind).caret].satIdx, 1) << "the caret stays on a shown service";
}

TEST_F(FilterTest, ClearingTheFilterKeepsTheSelectionAndHiddenServicesLeaveIt)
{
    ctl.SetSvcSelection(kTvKind, {2, 3, 7}, 3);
    ctl.SetFilter(kTvKind, {.sat = int(3 % doc->m_SatCnt)});
    EXPECT_EQ(ctl.SvcState(kTvKind).selection, std::vector<uint32_t>{3});
    EXPECT_EQ(ctl.ShownRow(kTvKind, 2), -1);
    ctl.SetFilter(kTvKind, {});
    EXPECT_EQ(ctl.SvcState(kTvKind).selection, std::vector<uint32_t>{3});
    EXPECT_EQ(ctl.SvcState(kTvKind).caret, 3);
    EXPECT_EQ(ctl.ShownCount(kTvKind), doc->m_TvSvcCnt);
}

TEST_F(FilterTest, FiltersByFlagsGroupProviderAndNameText)
{
    ctl.SetFilter(kTvKind, {.cas = FlagFilter::Set});
    for (uint32_t pos : Shown(kTvKind))
        EXPECT_TRUE(doc->m_TvSvc[pos].scrambled);
    ctl.SetFilter(kTvKind, {.favGroup = 1});
    EXPECT_EQ(Shown(kTvKind), (std::vector<uint32_t>{1, 8, 15, 22, 29, 36}));
    ctl.SetFilter(kTvKind, {.provider = 2, .text = "zd f"});
    for (uint32_t pos : Shown(kTvKind)) {
        EXPECT_EQ(doc->m_TvSvc[pos].providerIdx, 2);
        EXPECT_NE(SvcListName(*doc, kTvKind, pos).find("ZDF"), std::string::npos);
    }
    ctl.SetFilter(kTvKind, {.locked = FlagFilter::Set});
    EXPECT_EQ(ctl.ShownCount(kTvKind), 0u);
    ctl.SetSvcSelection(kTvKind, {0}, 0);
    ctl.ToggleLock(kTvKind);
    EXPECT_EQ(doc->m_TvSvc[0].lock, 0) << "a hidden service takes no command";
}

TEST_F(FilterTest, AFavouriteGroupFilterFollowsItsGroupWhenAnEarlierGroupGoes)
{
    ctl.SetFilter(kTvKind, {.favGroup = 2});
    const std::vector<uint32_t> movie = Shown(kTvKind);
    ASSERT_FALSE(movie.empty());
    ctl.Run(Cmd::ViewFav);
    ctl.SelectFavGroup(0);
    prompter.answers.assign(2, PromptAnswer::Yes);
    ctl.Run(Cmd::DeleteFavGroup);
    ASSERT_EQ(doc->m_FavCnt, 3u);
    EXPECT_EQ(ctl.Filter(kTvKind).favGroup, 1);
    EXPECT_EQ(Shown(kTvKind), movie);

    ctl.SelectFavGroup(1);
    ctl.Run(Cmd::DeleteFavGroup);
    EXPECT_FALSE(ctl.Filter(kTvKind).Active()) << "the filtered group went";
    EXPECT_EQ(ctl.ShownCount(kTvKind), doc->m_TvSvcCnt);
    ctl.Run(Cmd::UndoChange);
    EXPECT_FALSE(ctl.Filter(kTvKind).Active());
}

TEST_F(FilterTest, UndoingTheSatelliteAFilterNamesClearsItAndASatelliteGoneBeforeItRenumbersIt)
{
    ctl.Run(Cmd::ViewSat);
    dialogs.edit = [this] { return Appl_AddSat(*doc, "Hispasat", 30) >= 0; };
    ctl.Run(Cmd::AddSat);
    const int added = int(doc->m_SatCnt) - 1;
    ctl.SetFilter(kTvKind, {.sat = added, .cas = FlagFilter::Clear});
    ctl.Run(Cmd::UndoChange);
    EXPECT_EQ(ctl.Filter(kTvKind), (SvcFilter{.cas = FlagFilter::Clear}));

    ctl.SetFilter(kTvKind, {.sat = 2});
    const std::vector<uint32_t> ids = SvcIds(*doc, kTvKind, Shown(kTvKind));
    ASSERT_FALSE(ids.empty());
    ctl.SelectSat(0);
    prompter.answers.assign(4, PromptAnswer::Yes);
    ctl.Run(Cmd::DeleteSat);
    EXPECT_EQ(ctl.Filter(kTvKind).sat, 1);
    EXPECT_EQ(SvcIds(*doc, kTvKind, Shown(kTvKind)), ids);
    ctl.Run(Cmd::UndoChange);
    EXPECT_EQ(ctl.Filter(kTvKind).sat, 2);
    EXPECT_EQ(SvcIds(*doc, kTvKind, Shown(kTvKind)), ids);
}

TEST_F(FilterTest, FindTypesFromTheCaretAndStepsBothWaysWrapping)
{
    ctl.SetSvcSelection(kTvKind, {0}, 0);
    EXPECT_TRUE(ctl.Find("bbc", FindStep::Here));
    EXPECT_EQ(SvcListName(*doc, kTvKind, ctl.SvcState(kTvKind).caret), "BBC One");
    EXPECT_TRUE(ctl.Find("bbc", FindStep::Here)) << "typing keeps a match under the caret";
    EXPECT_EQ(SvcListName(*doc, kTvKind, ctl.SvcState(kTvKind).caret), "BBC One");
    EXPECT_TRUE(ctl.Find("bbct w o", FindStep::Here));
    EXPECT_EQ(SvcListName(*doc, kTvKind, ctl.SvcState(kTvKind).caret), "BBC Two");
    EXPECT_TRUE(ctl.Find("b b c", FindStep::Next));
    EXPECT_EQ(SvcListName(*doc, kTvKind, ctl.SvcState(kTvKind).caret), "BBC One") << "wraps to the top";
    EXPECT_TRUE(ctl.Find("bbc", FindStep::Previous));
    EXPECT_EQ(SvcListName(*doc, kTvKind, ctl.SvcState(kTvKind).caret), "BBC Two");
    EXPECT_FALSE(ctl.Find("no such", FindStep::Next));
    EXPECT_EQ(ctl.SvcState(kTvKind).selection.size(), 1u);

    ctl.SetFilter(kTvKind, {.sat = int(doc->m_TvSvc[0].satIdx)});
    ctl.Find("ZDF", FindStep::Here);
    EXPECT_EQ(doc->m_TvSvc[ctl.SvcState(kTvKind).caret].satIdx, doc->m_TvSvc[0].satIdx) << "only shown services";
}

TEST_F(FilterTest, FindInTheFavouriteViewSelectsAMember)
{
    ctl.Run(Cmd::ViewFav);
    ctl.SelectFavGroup(1);
    ASSERT_TRUE(ctl.Find("tagesschau", FindStep::Here));
    EXPECT_EQ(doc->m_FavCh[1].chNum[ctl.FavMember()], 22);
}

}  // namespace
