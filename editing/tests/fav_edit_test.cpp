#include "editing/tests/edit_test_util.h"
#include "editing/fav_edit.h"

#include <gtest/gtest.h>

using Names = std::vector<std::string>;

namespace {

FavCh DialogGroup(const std::string& name, SvcKind kind = kTvKind, std::vector<uint16_t> members = {})
{
    FavCh group;
    SetFieldText(group.favName, name);
    for (size_t m = 0; m < members.size(); ++m) {
        group.chNum[m] = members[m];
        group.svcType[m] = kind;
    }
    group.numOfFavCh = static_cast<uint8_t>(members.size());
    return group;
}

Names GroupNames(const COrvanel1Doc& doc)
{
    Names names;
    for (uint32_t g = 0; g < doc.m_FavCnt; ++g)
        names.push_back(FieldText(doc.m_FavCh[g].favName));
    return names;
}

} // namespace

TEST(FavGroups, AddTrimsTheNameAndRefusesDuplicates)
{
    EditDoc d;
    AddFavGroup(*d, "News", kTvKind, {});
    AddFavGroup(*d, "Sports", kTvKind, {});
    EXPECT_EQ(Appl_AddFavGroup(*d, DialogGroup("Sports  ")), -1);
    EXPECT_EQ(Appl_AddFavGroup(*d, DialogGroup(" \t\r\n")), -1);
    EXPECT_EQ(d.prompter.Texts(), (Names{"Same Group Name exist!", "Favorite Group Name is needed!"}));
    EXPECT_EQ(d.prompter.shown[0].title, "Error");

    EXPECT_EQ(Appl_AddFavGroup(*d, DialogGroup("sports", kRadioKind, {3, 1})), 2);
    EXPECT_EQ(Appl_AddFavGroup(*d, DialogGroup("Kids\t")), 3);
    EXPECT_EQ(GroupNames(*d), (Names{"News", "Sports", "sports", "Kids"}));
    EXPECT_EQ(d->m_FavCh[2].numOfFavCh, 2);
    EXPECT_EQ(d->m_FavCh[2].chNum[1], 1);
    EXPECT_EQ(Appl_FavGroupKindText(*d, 2), "Radio Group");
    EXPECT_EQ(Appl_FavGroupKindText(*d, 3), "");
}

TEST(FavGroups, ThirtyGroupsRefuseBeforeAnyDialog)
{
    EditDoc d;
    for (int g = 0; g < 30; ++g)
        AddFavGroup(*d, "G" + std::to_string(g), kTvKind, {});
    EXPECT_FALSE(Appl_CanAddFavGroup(*d));
    EXPECT_EQ(Appl_AddFavGroup(*d, DialogGroup("More")), -1);
    EXPECT_EQ(d.prompter.Texts(),
              (Names{"Cannot add more Favorite Group Information!", "Cannot add more Favorite Group Information!"}));
    EXPECT_EQ(d->m_FavCnt, 30u);
}

TEST(FavGroups, EditKeepsItsOwnNameAndFavByte)
{
    EditDoc d;
    AddFavGroup(*d, "News", kTvKind, {1});
    AddFavGroup(*d, "Music", kRadioKind, {2});
    d->m_FavCh[0].favByte = 0x5A;
    EXPECT_TRUE(Appl_EditFavGroup(*d, 0, DialogGroup("News", kTvKind, {4, 5})));
    EXPECT_EQ(d->m_FavCh[0].numOfFavCh, 2);
    EXPECT_EQ(d->m_FavCh[0].favByte, 0x5A);
    EXPECT_FALSE(Appl_EditFavGroup(*d, 0, DialogGroup("Music")));
    EXPECT_FALSE(Appl_EditFavGroup(*d, 0, DialogGroup("")));
    EXPECT_FALSE(Appl_EditFavGroup(*d, 2, DialogGroup("Other")));
    EXPECT_EQ(d.prompter.Texts(), (Names{"Same Group Name exist!", "Favorite Group Name is needed!"}));
    EXPECT_TRUE(Appl_EditFavGroup(*d, 1, DialogGroup("Music ")));   // no trimming on edit
    EXPECT_EQ(FieldText(d->m_FavCh[1].favName), "Music ");
}

TEST(FavGroups, DeletingGroupZeroOfThreeMovesTheOthersUp)
{
    EditDoc d;
    AddFavGroup(*d, "News", kTvKind, {1});
    AddFavGroup(*d, "Sports", kTvKind, {2});
    AddFavGroup(*d, "Movie", kTvKind, {3});
    d->m_EtcInfo.curFavGroup = 2;
    d.prompter.answers = {PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_FALSE(Appl_DeleteFavGroup(*d, 0));
    EXPECT_EQ(d->m_FavCnt, 3u);
    EXPECT_TRUE(Appl_DeleteFavGroup(*d, 0));
    EXPECT_EQ(d.prompter.shown[0].text, "Delete News's group information?");
    EXPECT_EQ(d.prompter.shown[0].title, "Warnning");
    EXPECT_EQ(GroupNames(*d), (Names{"Sports", "Movie"}));
    EXPECT_EQ(d->m_FavCh[1].chNum[0], 3);
    EXPECT_EQ(d->m_FavCh[2].favName[0], '\0');
    EXPECT_EQ(d->m_FavCh[2].numOfFavCh, 0);
    EXPECT_EQ(d->m_EtcInfo.curFavGroup, 1);   // still "Movie"
    d.prompter.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(Appl_DeleteFavGroup(*d, 1));
    EXPECT_EQ(d->m_EtcInfo.curFavGroup, 0xFF);
    EXPECT_FALSE(Appl_DeleteFavGroup(*d, 1));   // no such group: no question
}

TEST(FavGroups, RemovingMembersClosesUpAndPlacesTheCaret)
{
    EditDoc d;
    AddFavGroup(*d, "News", kTvKind, {10, 11, 12});
    d->m_FavCh[0].svcType[2] = kRadioKind;
    EXPECT_EQ(Appl_RemoveFavMember(*d, 0, 0), 0);
    EXPECT_EQ(d->m_FavCh[0].chNum[0], 11);
    EXPECT_EQ(d->m_FavCh[0].svcType[1], kRadioKind);
    EXPECT_EQ(Appl_RemoveFavMember(*d, 0, 1), 0);
    EXPECT_EQ(Appl_RemoveFavMember(*d, 0, 1), -1);
    EXPECT_EQ(Appl_RemoveFavMember(*d, 0, 0), -1);
    EXPECT_EQ(d->m_FavCh[0].numOfFavCh, 0);
}

TEST(FavDialog, AddingStopsAtAHundredMembersAndSkipsPresentOnes)
{
    ScriptedPrompter prompter;
    FavCh group;
    std::vector<uint32_t> first(98);
    for (uint32_t i = 0; i < 98; ++i)
        first[i] = i * 2;
    EXPECT_EQ(FavDlg_AddMembers(group, first, 400, kTvKind, prompter), 98u);
    EXPECT_EQ(FavDlg_AddMembers(group, {4, 4, 6, 400}, 400, kTvKind, prompter), 0u);   // already members
    EXPECT_EQ(FavDlg_AddMembers(group, {301, 300, 302, 303, 304}, 400, kTvKind, prompter), 2u);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Cannot insert more service!"}));
    EXPECT_EQ(group.numOfFavCh, 100);
    EXPECT_EQ(group.chNum[98], 300);   // in list order
    EXPECT_EQ(group.chNum[99], 301);

    FavDlg_RemoveMembers(group, {99, 0, 50, 50});
    EXPECT_EQ(group.numOfFavCh, 97);
    EXPECT_EQ(group.chNum[0], 2);
    EXPECT_EQ(group.chNum[49], 102);   // member 51
    EXPECT_EQ(group.chNum[96], 300);
}

TEST(FavDialog, TheKindCannotChangeUnderMembersOfTheOtherKind)
{
    ScriptedPrompter prompter;
    FavCh group;
    EXPECT_EQ(FavDlg_SwitchKind(group, kTvKind, kRadioKind, prompter), kRadioKind);
    FavDlg_AddMembers(group, {1, 2, 3}, 10, kTvKind, prompter);
    EXPECT_EQ(FavDlg_InitialKind(group), kTvKind);
    EXPECT_EQ(FavDlg_SwitchKind(group, kTvKind, kRadioKind, prompter), kTvKind);
    EXPECT_EQ(FavDlg_SwitchKind(group, kTvKind, kTvKind, prompter), kTvKind);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Cannot Change Service Type");
    EXPECT_EQ(prompter.shown[0].title, "Error");

    FavDlg_SetName(group, "Twelve chars", prompter);
    EXPECT_EQ(FieldText(group.favName), "Twelve char");
    EXPECT_EQ(prompter.shown.back().text, "Favorite Group name is too Long!");
    EXPECT_EQ(prompter.shown.back().title, "Warning");
    FavDlg_SetName(group, "Eleven char", prompter);
    EXPECT_EQ(prompter.shown.size(), 2u);
}
