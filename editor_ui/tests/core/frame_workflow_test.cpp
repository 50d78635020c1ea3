// Enabling, open, save, upload and leaving of the editor's frame.
#include "editor_fixture.h"

#include "editing/sat_edit.h"
#include "lists/list_formats.h"
#include "settings/service_purge.h"

namespace {

std::vector<Cmd> EnabledCommands(const CEditorController& ctl)
{
    std::vector<Cmd> enabled;
    for (int c = 0; c < int(Cmd::Count); ++c)
        if (ctl.Enabled(Cmd(c)) && Cmd(c) != Cmd::New)
            enabled.push_back(Cmd(c));
    return enabled;
}

TEST_F(EditorTest, WithoutSettingsOnlyTheLinkFileAndHelpCommandsAreEnabled)
{
    EXPECT_EQ(EnabledCommands(ctl), (std::vector<Cmd>{Cmd::Open, Cmd::Exit, Cmd::ModeUsb, Cmd::ModeSerial,
                                                      Cmd::Upload, Cmd::About, Cmd::StbReboot, Cmd::OpenBackup}));
    ctl.Run(Cmd::ModeSerial);
    EXPECT_FALSE(link.usb);
    EXPECT_TRUE(ctl.Enabled(Cmd::PortSetup));
    EXPECT_TRUE(ctl.Checked(Cmd::ModeSerial));
}

TEST_F(EditorTest, EnablingFollowsTheView)
{
    OpenDemo();
    EXPECT_EQ(ctl.View(), kSatView);
    EXPECT_TRUE(ctl.Enabled(Cmd::AddTp));
    EXPECT_FALSE(ctl.Enabled(Cmd::Cut));
    ctl.Run(Cmd::ViewTv);
    EXPECT_TRUE(ctl.Enabled(Cmd::Cut));
    EXPECT_TRUE(ctl.Enabled(Cmd::TvSort));
    EXPECT_FALSE(ctl.Enabled(Cmd::RadioSort));
    EXPECT_FALSE(ctl.Enabled(Cmd::UndoSort));
    ctl.Sort(kTvKind, kSortAlphabetic);
    EXPECT_TRUE(ctl.Enabled(Cmd::UndoSort));
    ctl.Run(Cmd::ViewFav);
    EXPECT_FALSE(ctl.Enabled(Cmd::UndoSort));
    EXPECT_TRUE(ctl.Enabled(Cmd::EditFavGroup));
    EXPECT_EQ(ctl.FavGroup(), 0);
}

TEST_F(EditorTest, OpenAsksFirstAndACancelledFileDialogKeepsTheSettings)
{
    OpenDemo();
    ctl.Run(Cmd::ViewTv);
    ctl.Sort(kTvKind, kSortProvider);
    prompter.answers = {PromptAnswer::Cancel, PromptAnswer::No};
    ctl.Run(Cmd::Open);
    EXPECT_TRUE(ctl.Undo().Available()) << "Cancel stops before anything";
    ctl.Run(Cmd::Open);   // No, then the file dialog is cancelled
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>(2, "Save the Current information?")));
    EXPECT_TRUE(ctl.Held());
    EXPECT_TRUE(ctl.FileName().has_value());
    EXPECT_FALSE(ctl.Undo().Available());
    EXPECT_TRUE(ctl.SortLabel().empty());
}

TEST_F(EditorTest, AFailedOpenDiscardsAndDropsTheFileName)
{
    OpenDemo();
    fs::path bad = dir / "bad.std";
    std::ofstream(bad) << "not a settings file";
    prompter.answers = {PromptAnswer::No};
    dialogs.openFiles = {bad};
    ctl.Run(Cmd::Open);
    EXPECT_FALSE(ctl.Held());
    EXPECT_FALSE(ctl.FileName().has_value());
    EXPECT_EQ(prompter.shown.back().text, "File Struct Error");
    EXPECT_EQ(EnabledCommands(ctl).size(), 8u);
}

TEST_F(EditorTest, SaveWritesTheKnownFileAndSaveAsNamesANewOne)
{
    PassingMessages passing;
    ctl.SetListener(&passing);
    OpenDemo();
    ctl.Run(Cmd::ViewTv);
    ctl.SetSvcSelection(kTvKind, {0}, 0);
    ctl.CommitRename(kTvKind, 0, "Renamed");
    EXPECT_TRUE(ctl.Edited());
    EXPECT_TRUE(ctl.OnSave());
    EXPECT_FALSE(ctl.Edited());
    auto reread = std::make_unique<COrvanel1Doc>();
    ASSERT_EQ(LoadSettingsFile(*reread, *ctl.FileName()), SettingsFileResult::Ok);
    EXPECT_EQ(Appl_GetSvcName(*reread, kTvKind, 0), "Renamed");
    EXPECT_EQ(passing.texts, std::vector<std::string>{"Saved demo.std"});

    EXPECT_FALSE(ctl.OnSaveAs()) << "cancelled";
    dialogs.saveFiles = {dir / "copy.std"};
    EXPECT_TRUE(ctl.OnSaveAs());
    EXPECT_EQ(*ctl.FileName(), dir / "copy.std");
    EXPECT_TRUE(fs::exists(dir / "copy.std"));
    // Save As starts at the open file each time.
    EXPECT_EQ(dialogs.saveProposals, (std::vector<std::optional<fs::path>>(2, dir / "demo.std")));
    EXPECT_EQ(passing.texts.back(), "Saved copy.std");
    ctl.SetListener(nullptr);
}

TEST_F(EditorTest, EveryUndoSaysWhereItReturnedTo)
{
    PassingMessages passing;
    ctl.SetListener(&passing);
    OpenDemo();
    ctl.Run(Cmd::ViewTv);
    ctl.CommitRename(kTvKind, 0, "Renamed");
    ctl.Run(Cmd::UndoChange);
    EXPECT_EQ(passing.Last(), "Returned to \"Open\"");
    ctl.Run(Cmd::RedoChange);
    EXPECT_EQ(passing.Last(), "Returned to \"" + ctl.History().Entry(1).description + "\"");
    ctl.Sort(kTvKind, kSortAlphabetic);
    ctl.GoToChange(1);
    EXPECT_EQ(passing.Last().rfind("Returned to \"TV Service : Rename", 0), 0u);
    ctl.Run(Cmd::RedoChange);
    ctl.Run(Cmd::UndoSort);
    EXPECT_EQ(passing.Last(), "Returned to the list before \"Current Sort Type : Alphabetic\"");
    const size_t shown = passing.texts.size();
    ctl.Run(Cmd::UndoSort);
    EXPECT_EQ(passing.texts.size(), shown) << "nothing left to undo says nothing";
    ctl.SetListener(nullptr);
}

TEST_F(EditorTest, AFailedSaveKeepsTheEditedFlagSoLeavingStillAsks)
{
    OpenDemo();
    ctl.Run(Cmd::ViewTv);
    ctl.SetSvcSelection(kTvKind, {1}, 1);
    ctl.ToggleLock(kTvKind);
    dialogs.saveFiles = {dir / "missing" / "folder" / "x.std"};
    prompter.answers = {PromptAnswer::Yes};
    EXPECT_FALSE(ctl.OnLeave());
    EXPECT_TRUE(ctl.Edited());
    EXPECT_EQ(prompter.shown.back().text, "Cannot Create or Open File!");
}

TEST_F(EditorTest, LeavingAsksOnlyWhenEdited)
{
    OpenDemo();
    EXPECT_TRUE(ctl.OnLeave()) << "an opened file is not edited";
    EXPECT_TRUE(prompter.shown.empty());

    ctl.Run(Cmd::ViewTv);
    ctl.SetSvcSelection(kTvKind, {3}, 3);
    EXPECT_EQ(ctl.SetPid(kTvKind, SvcPidField::PmtPid, "77", false), FieldResult::Written);
    prompter.answers = {PromptAnswer::Cancel, PromptAnswer::Yes, PromptAnswer::No};
    EXPECT_FALSE(ctl.OnLeave()) << "Cancel keeps the program";
    EXPECT_FALSE(ctl.OnLeave()) << "Yes, then a cancelled Save As, keeps it";
    EXPECT_EQ(dialogs.saveProposals, std::vector<std::optional<fs::path>>{dir / "demo.std"});
    EXPECT_TRUE(ctl.OnLeave()) << "No closes";
    EXPECT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[0].title, "Warnning");
}

TEST_F(EditorTest, UploadReplacesTheSettingsOnlyWhenTheyArrivedAndMarksThemEdited)
{
    fs::path file = MakeFile("stb.std");
    link.upload = [&] { return LoadSettingsFile(*doc, file) == SettingsFileResult::Ok; };
    ctl.Run(Cmd::Upload);
    EXPECT_TRUE(prompter.shown.empty()) << "nothing held, nothing asked";
    EXPECT_TRUE(ctl.Held());
    EXPECT_TRUE(ctl.Edited());
    EXPECT_EQ(ctl.View(), kSatView);
    EXPECT_FALSE(ctl.FileName().has_value());

    OpenDemo({.modelId = 10});
    ctl.Run(Cmd::ViewTv);
    ctl.Sort(kTvKind, kSortAlphabetic);
    ctl.SetSvcSelection(kTvKind, {1}, 1);
    ctl.ToggleLock(kTvKind);
    const uint64_t revision = doc->m_Revision.Current();
    link.upload = nullptr;
    prompter.answers = {PromptAnswer::No};
    ctl.Run(Cmd::Upload);
    EXPECT_EQ(prompter.shown.back().text, "Save the Current information?");
    EXPECT_TRUE(ctl.Held()) << "an upload that brings nothing back loses nothing";
    EXPECT_TRUE(ctl.Edited());
    EXPECT_EQ(ctl.FileName(), dir / "demo.std");
    EXPECT_EQ(doc->m_ModelId, 10);
    EXPECT_EQ(doc->m_Revision.Current(), revision);
    EXPECT_TRUE(ctl.Undo().Available()) << "the sort can still be undone";

    prompter.answers = {PromptAnswer::No};
    link.upload = [&] { return LoadSettingsFile(*doc, file) == SettingsFileResult::Ok; };
    ctl.Run(Cmd::Upload);
    EXPECT_EQ(doc->m_ModelId, 0);
    EXPECT_FALSE(ctl.FileName().has_value());
    EXPECT_FALSE(ctl.Undo().Available());
}

TEST_F(EditorTest, OpenBackupAsksFirstAndLeavesNoFileNameSoSaveAsksWhere)
{
    OpenDemo();
    const fs::path backup = MakeFile("backup.std", {.modelId = 10});
    dialogs.backups = {backup, backup};
    prompter.answers = {PromptAnswer::Cancel};
    ctl.Run(Cmd::OpenBackup);
    EXPECT_EQ(prompter.shown.back().text, "Save the Current information?");
    EXPECT_EQ(dialogs.backups.size(), 2u) << "Cancel asks for no backup";

    PassingMessages passing;
    ctl.SetListener(&passing);
    prompter.answers = {PromptAnswer::No};
    ctl.Run(Cmd::OpenBackup);
    EXPECT_EQ(doc->m_ModelId, 10);
    EXPECT_EQ(passing.texts, std::vector<std::string>{"Opened the backup backup.std"});
    EXPECT_FALSE(ctl.FileName().has_value());
    EXPECT_FALSE(ctl.Edited());
    dialogs.saveFiles = {dir / "kept.std"};
    ASSERT_TRUE(ctl.OnSave());
    EXPECT_EQ(ctl.FileName(), dir / "kept.std");
    EXPECT_TRUE(dialogs.saveFiles.empty()) << "Save asked where";
}

TEST_F(EditorTest, TunerNumberFollowsTheModelRule)
{
    struct Case { uint8_t model, layout; bool enabled; };
    for (Case c : {Case{6, 0x25, true}, Case{6, 0x27, false}, Case{12, 0x25, true}, Case{13, 0x25, false},
                   Case{0, 0x25, false}}) {
        ctl.OpenAtStart(MakeFile("m.std", {.modelId = c.model, .layoutVersion = c.layout}));
        ASSERT_TRUE(ctl.Held()) << int(c.model);
        EXPECT_EQ(ctl.TunerNumberEnabled(), c.enabled) << int(c.model) << " " << int(c.layout);
        ctl.SetTuner(1);
        EXPECT_EQ(ctl.Tuner(), c.enabled ? 1 : 0);
    }
}

TEST_F(EditorTest, SortLabelAndUndo)
{
    OpenDemo();
    ctl.Run(Cmd::ViewRadio);
    std::vector<std::string> before;
    for (uint32_t i = 0; i < doc->m_RadioSvcCnt; ++i)
        before.push_back(Appl_GetSvcName(*doc, kRadioKind, i));
    ctl.Sort(kRadioKind, kSortAlphabetic);
    EXPECT_EQ(ctl.SortLabel(), "Current Sort Type : Alphabetic \t\t ");
    EXPECT_NE(Appl_GetSvcName(*doc, kRadioKind, 0), before[0]);
    ctl.Sort(kTvKind, kSortAlphabetic);   // not the view's list: nothing
    EXPECT_EQ(ctl.Undo().Depth(), 1u);
    ctl.Run(Cmd::UndoSort);
    EXPECT_TRUE(ctl.SortLabel().empty());
    for (uint32_t i = 0; i < doc->m_RadioSvcCnt; ++i)
        ASSERT_EQ(Appl_GetSvcName(*doc, kRadioKind, i), before[i]);
    EXPECT_TRUE(ctl.Edited());
}

}  // namespace

TEST_F(EditorTest, ApplyReferenceListIsOneUndoableStepAndExportWritesTheLists)
{
    OpenDemo();
    const std::vector<SvcRecord> scanOrder(doc->m_TvSvc.begin(), doc->m_TvSvc.begin() + doc->m_TvSvcCnt);
    auto reference = std::make_unique<COrvanel1Doc>();
    reference->m_SideFileFolder = dir;
    ASSERT_EQ(LoadSettingsFile(*reference, dir / "demo.std"), SettingsFileResult::Ok);
    ASSERT_TRUE(Appl_SortSvcList(*reference, kTvKind, kSortAlphabetic));
    ASSERT_EQ(SaveSettingsFile(*reference, dir / "sorted.std"), SettingsFileResult::Ok);

    dialogs.referenceFiles.push_back(dir / "sorted.std");
    ctl.Run(Cmd::ApplyReference);
    EXPECT_TRUE(ctl.Edited());
    EXPECT_EQ(ctl.SortLabel().rfind("Current Sort Type : Reference List", 0), 0u);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().title, "Apply Reference List");
    EXPECT_NE(prompter.shown.back().text.find("TV: 320 matched"), std::string::npos);
    EXPECT_TRUE(std::equal(reference->m_TvSvc.begin(), reference->m_TvSvc.begin() + reference->m_TvSvcCnt,
                           doc->m_TvSvc.begin()));

    ctl.Run(Cmd::ViewTv);
    ctl.Run(Cmd::UndoSort);
    EXPECT_TRUE(std::equal(scanOrder.begin(), scanOrder.end(), doc->m_TvSvc.begin()));
    EXPECT_TRUE(ctl.SortLabel().empty());

    dialogs.csvFiles.push_back(dir / "list.csv");
    ctl.Run(Cmd::ExportCsv);
    std::ifstream csv(dir / "list.csv");
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header.rfind("list,position,name,satellite,", 0), 0u);
}

TEST_F(EditorTest, ListsOfOtherReceiversAreExportedAndImportedAsOneUndoableStep)
{
    OpenDemo();
    ASSERT_TRUE(Appl_EditSat(*doc, 4, "My dish", 127));   // its name no longer gives 42E
    const lists::ListFormat* lamedb = lists::FindListFormat("lamedb");
    dialogs.listChoices.push_back(ListChoice{lamedb, dir / "settings"});
    dialogs.positionsOf.push_back(420);
    ctl.Run(Cmd::ExportList);
    EXPECT_TRUE(fs::is_regular_file(dir / "settings" / "lamedb"));
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().title, "Export List");
    EXPECT_NE(prompter.shown.back().text.find("not carried: the tuner assignment"), std::string::npos);

    ctl.Run(Cmd::ViewTv);
    const std::vector<SvcRecord> before(doc->m_TvSvc.begin(), doc->m_TvSvc.begin() + doc->m_TvSvcCnt);
    ASSERT_TRUE(Appl_MoveSvc(*doc, kTvKind, 0, 10));
    dialogs.listChoices.push_back(ListChoice{lamedb, dir / "settings"});
    dialogs.satellitesAt.push_back(0);
    ctl.Run(Cmd::ImportList);
    EXPECT_EQ(dialogs.questions, (std::vector<std::string>{"My dish", "42E"}));
    EXPECT_EQ(prompter.shown.back().title, "Import List");
    EXPECT_EQ(prompter.shown.back().text.rfind("TV: 320 matched, 0 added", 0), 0u) << prompter.shown.back().text;
    EXPECT_TRUE(std::equal(before.begin(), before.end(), doc->m_TvSvc.begin()));
    EXPECT_EQ(ctl.SortLabel().rfind("Current Sort Type : Imported List", 0), 0u);
    ctl.Run(Cmd::UndoSort);
    EXPECT_EQ(doc->m_TvSvc[10], before[0]);

    // A list that cannot be read changes nothing.
    dialogs.listChoices.push_back(ListChoice{lists::FindListFormat("vdr"), dir / "missing.conf"});
    const uint64_t revision = doc->m_Revision.Current();
    ctl.Run(Cmd::ImportList);
    EXPECT_EQ(prompter.shown.back().text.rfind("Cannot read \"", 0), 0u) << prompter.shown.back().text;
    EXPECT_EQ(doc->m_Revision.Current(), revision);
    EXPECT_FALSE(ctl.Undo().Available());
}
