#include "editing/dialog_rules.h"
#include "editing/tests/edit_test_util.h"

#include <gtest/gtest.h>

TEST(SatDialogs, NewSatelliteTrimsBothEndsAndChecksInOrder)
{
    EditDoc d;
    AddTestSat(*d, "Astra", 1);
    std::string name = " Hotbird \t";
    EXPECT_TRUE(NewSatDlg_Check(*d, name, 127, d.prompter));
    EXPECT_EQ(name, "Hotbird");
    name = "Ab";
    EXPECT_TRUE(NewSatDlg_Check(*d, name, 0, d.prompter));
    EXPECT_TRUE(NewSatDlg_Check(*d, name, 60, d.prompter));
    EXPECT_TRUE(d.prompter.shown.empty());

    for (std::string bad : {std::string(" Astra "), std::string(" A "), std::string("")}) {
        EXPECT_FALSE(NewSatDlg_Check(*d, bad, 61, d.prompter));
    }
    for (int index : {-1, 61, 126}) {
        name = "Ab";
        EXPECT_FALSE(NewSatDlg_Check(*d, name, index, d.prompter));
    }
    EXPECT_EQ(d.prompter.Texts(),
              (std::vector<std::string>{"Same Satellite Name is exist!", "Satellite Name is too short!",
                                        "Satellite Name is too short!",
                                        "Please enter an integer default value or between 0 and 60",
                                        "Please enter an integer default value or between 0 and 60",
                                        "Please enter an integer default value or between 0 and 60"}));
    EXPECT_EQ(d.prompter.shown[0].title, "Error");
}

TEST(SatDialogs, EditSatelliteKeepsLeadingBlanksAndItsOwnName)
{
    EditDoc d;
    AddTestSat(*d, "Astra", 1);
    AddTestSat(*d, "Hotbird", 1);
    std::string name = " Astra  ";
    EXPECT_TRUE(EditSatDlg_Check(*d, 0, name, 127, d.prompter));
    EXPECT_EQ(name, " Astra");
    name = "Astra";
    EXPECT_TRUE(EditSatDlg_Check(*d, 0, name, 60, d.prompter));
    EXPECT_FALSE(EditSatDlg_Check(*d, 1, name, 0, d.prompter));
    name = "H ";
    EXPECT_FALSE(EditSatDlg_Check(*d, 1, name, 0, d.prompter));
    name = "Hot";
    EXPECT_FALSE(EditSatDlg_Check(*d, 1, name, 61, d.prompter));
    EXPECT_EQ(d.prompter.Texts(), (std::vector<std::string>{"Same Satellite Name is exist!", "Satellite Name is too short!",
                                                            "Please enter an integer between 0 and 60"}));
}

TEST(SvcNameDialogRules, IndexClampsAndNameLimit)
{
    ScriptedPrompter prompter;
    EXPECT_EQ(SvcNameDlg_ClampIndex(0, 40, prompter), 1);
    EXPECT_EQ(SvcNameDlg_ClampIndex(41, 40, prompter), 40);
    EXPECT_EQ(SvcNameDlg_ClampIndex(40, 40, prompter), 40);
    EXPECT_EQ(SvcNameDlg_ClampIndex(1, 40, prompter), 1);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Service Index is too small!", "Service Index is too big!"}));
    EXPECT_EQ(prompter.shown[1].title, "Error");

    EXPECT_EQ(SvcNameDlg_LimitName(std::string(23, 'n'), prompter), std::string(23, 'n'));
    EXPECT_EQ(SvcNameDlg_LimitName(std::string(24, 'n'), prompter), std::string(23, 'n'));
    EXPECT_EQ(prompter.shown.back().text, "Service Name is too long.");
    EXPECT_EQ(prompter.shown.back().title, "Notice");
    EXPECT_EQ(SvcNameDlg_InitialName(" BBC One \t\r\n"), " BBC One");
}
