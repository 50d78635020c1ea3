// File operations on both panes: the PVR through the emulator, the PC on real folders.
#include "explorer/tests/emu_fixture.h"
#include "explorer/file_ops.h"
#include "explorer/pvr_protocol.h"

using namespace explorer;

namespace {

const std::string kForbidden =
    "A filename cannot contain any of the following characters:  \n\n\t        \\ / : * ? \" < > | ";
const std::string kSystemDelete
    = " Cannot delete the system folder!   \n\n[ProgramFiles], [DataFiles], [MP3], [Auto Start]  ";
const std::string kSystemRename =
    " Cannot change the name of system folder!   \n\n  [ProgramFiles],  [DataFiles],  [MP3],  [Auto Start] ";

PaneRow Folder(const std::string& name) { return {name, 0, true, "Folder", "", IconKind::Folder}; }
PaneRow File(const std::string& name) { return {name, 1024, false, "File", "", IconKind::ByExtension}; }

TEST(SystemFolders, RootFoldersAndAutoStartOnly)
{
    for (const char* name : {"ProgramFiles", "DataFiles", "MP3"}) {
        EXPECT_TRUE(IsPvrSystemFolder("", Folder(name))) << name;
        EXPECT_FALSE(IsPvrSystemFolder("", File(name))) << name;
        EXPECT_FALSE(IsPvrSystemFolder("\\DataFiles", Folder(name))) << name;
    }
    EXPECT_TRUE(IsPvrSystemFolder("\\ProgramFiles", Folder("Auto Start")));
    EXPECT_TRUE(IsPvrSystemFolder("\\ProgramFiles\\", Folder("Auto Start")));
    EXPECT_TRUE(IsPvrSystemFolder("\\ProgramFiles", File("Auto Start")));
    EXPECT_FALSE(IsPvrSystemFolder("", Folder("Auto Start")));
    EXPECT_FALSE(IsPvrSystemFolder("\\MP3", Folder("Auto Start")));
    EXPECT_FALSE(IsPvrSystemFolder("", Folder("mp3")));
}

TEST(NewFolder, NameRules)
{
    ScriptedPrompter prompter;
    EXPECT_EQ(CheckNewFolderName(prompter, " abc "), "abc");
    EXPECT_EQ(CheckNewFolderName(prompter, std::string(94, 'n')), std::string(94, 'n'));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(CheckNewFolderName(prompter, "   "));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(CheckNewFolderName(prompter, std::string(95, 'n')));
    for (char c : std::string("\\/:*?\"<>|"))
        EXPECT_FALSE(CheckNewFolderName(prompter, std::string("a") + c + "b")) << c;
    ASSERT_EQ(prompter.shown.size(), 10u);
    EXPECT_EQ(prompter.shown[0].text, "The filename is too long!!");
    EXPECT_EQ(prompter.shown[0].title, "Copy Failure");
    EXPECT_EQ(prompter.shown[1].text, kForbidden);
    EXPECT_EQ(prompter.shown[1].title, "Renaming Failure");
}

TEST(NewFolder, DrawsAgainWhileTheNameIsTaken)
{
    std::vector<int> draws = {1234, 1250, 32767};
    size_t next = 0;
    auto random = [&] { return draws[next++]; };
    EXPECT_EQ(NewFolderName({Folder("new0012")}, random), "new0327");
    EXPECT_EQ(next, 3u);
}

TEST(NewFolder, EndsWhenTheDrawsKeepHittingTakenNames)
{
    std::vector<PaneRow> rows;
    for (int i = 0; i < 328; ++i)
        rows.push_back(Folder("new" + std::string(i < 10 ? "000" : i < 100 ? "00" : "0") + std::to_string(i)));
    int draws = 0;
    auto stuck = [&draws] { return ++draws, 0; };
    EXPECT_FALSE(NewFolderName(rows, stuck));
    rows.erase(rows.begin() + 200);
    EXPECT_EQ(NewFolderName(rows, stuck), "new0200");
    EXPECT_EQ(draws, 2 * kNewFolderDraws);
}

class PvrOps : public EmuTest {};

TEST_F(PvrOps, DeleteAsksRefusesSystemFoldersAndDeletesTrees)
{
    WriteFile(pvrRoot / "DataFiles" / "old" / "deep" / "x.rec", "x");
    WriteFile(pvrRoot / "DataFiles" / "a.rec", "a");
    prompter.answers = {PromptAnswer::No};
    EXPECT_EQ(DeletePvrRows(session, prompter, "\\DataFiles", {File("a.rec")}), OpResult::Refused);
    EXPECT_TRUE(fs::exists(pvrRoot / "DataFiles" / "a.rec"));
    EXPECT_EQ(prompter.shown.back().text, "Are you sure you want to       \n\ndelete the selected file?");
    EXPECT_EQ(prompter.shown.back().title, "DELETE");

    prompter.answers = {PromptAnswer::Yes};
    EXPECT_EQ(DeletePvrRows(session, prompter, "", {Folder("Music"), Folder("MP3")}), OpResult::Refused);
    EXPECT_EQ(prompter.shown.back().text, kSystemDelete);
    EXPECT_TRUE(fs::exists(pvrRoot / "MP3"));

    prompter.answers = {PromptAnswer::Yes};
    EXPECT_EQ(
        DeletePvrRows(session, prompter, "\\DataFiles", {Folder(".."), Folder("old"), File("a.rec"), File("gone")}),
        OpResult::Failed);
    EXPECT_EQ(
        prompter.shown[prompter.shown.size() - 2].text, "Are you sure you want to       \n\ndelete selected files?");
    EXPECT_EQ(prompter.shown.back().text, "Cannot delete the selected file.   \n\n\"gone\" ");
    EXPECT_EQ(std::count_if(prompter.shown.begin(), prompter.shown.end(),
                            [](const PromptRecord& r) { return r.text.starts_with("Cannot delete the selected"); }),
              1);
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "old"));
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "a.rec"));
    EXPECT_TRUE(fs::exists(pvrRoot / "DataFiles"));
    EXPECT_TRUE(session.m_bUsbIdle);
}

TEST_F(PvrOps, ProgramFilesInASubfolderMayGoButNotAFileNamedAutoStart)
{
    fs::create_directories(pvrRoot / "DataFiles" / "ProgramFiles");
    WriteFile(pvrRoot / "ProgramFiles" / "Auto Start 2", "");
    prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    EXPECT_EQ(DeletePvrRows(session, prompter, "\\DataFiles", {Folder("ProgramFiles")}), OpResult::Done);
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "ProgramFiles"));
    EXPECT_EQ(DeletePvrRows(session, prompter, "\\ProgramFiles", {File("Auto Start")}), OpResult::Refused);
    EXPECT_EQ(prompter.shown.back().text, kSystemDelete);
    EXPECT_TRUE(fs::exists(pvrRoot / "ProgramFiles" / "Auto Start"));
}

TEST_F(PvrOps, MakeFolderOnTheStb)
{
    EXPECT_EQ(MakePvrFolder(session, prompter, "\\MP3", "abc"), OpResult::Done);
    EXPECT_TRUE(fs::is_directory(pvrRoot / "MP3" / "abc"));
    EXPECT_EQ(MakePvrFolder(session, prompter, "\\MP3", "abc"), OpResult::Failed);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Cannot make a folder."});
    EXPECT_EQ(prompter.shown[0].title, "Creation Error");
    EXPECT_TRUE(session.m_bUsbIdle);
    session.m_bUsbIdle = false;
    EXPECT_EQ(MakePvrFolder(session, prompter, "\\MP3", "def"), OpResult::Busy);
    EXPECT_FALSE(fs::exists(pvrRoot / "MP3" / "def"));
}

TEST_F(PvrOps, RenameRules)
{
    WriteFile(pvrRoot / "DataFiles" / "a.rec", "a");
    WriteFile(pvrRoot / "DataFiles" / "b.rec", "b");
    std::vector<PaneRow> root = {Folder("DataFiles"), Folder("MP3"), Folder("ProgramFiles")};
    EXPECT_EQ(RenamePvrRow(session, prompter, "", root, Folder("DataFiles"), "DataFiles"), OpResult::Refused);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(RenamePvrRow(session, prompter, "", root, Folder("DataFiles"), "Data"), OpResult::Refused);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kSystemRename});
    EXPECT_TRUE(fs::exists(pvrRoot / "DataFiles"));

    std::vector<PaneRow> rows = {Folder(".."), {"a.rec", 1024, false, "REC File", "", IconKind::Record},
                                 {"b.rec", 1024, false, "REC File", "", IconKind::Record}};
    prompter.shown.clear();
    EXPECT_EQ(RenamePvrRow(session, prompter, "\\DataFiles", rows, rows[0], "up"), OpResult::Refused);
    EXPECT_EQ(RenamePvrRow(session, prompter, "\\DataFiles", rows, rows[1], ".."), OpResult::Refused);
    EXPECT_EQ(RenamePvrRow(session, prompter, "\\DataFiles", rows, rows[1], "   "), OpResult::Refused);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(RenamePvrRow(session, prompter, "\\DataFiles", rows, rows[1], "b.rec"), OpResult::Refused);
    EXPECT_EQ(RenamePvrRow(session, prompter, "\\DataFiles", rows, rows[1], "a|b"), OpResult::Refused);
    EXPECT_EQ(RenamePvrRow(session, prompter, "\\DataFiles", rows, rows[1], std::string(95, 'z')), OpResult::Refused);
    EXPECT_EQ(prompter.Texts(),
        (std::vector<std::string>{"The same filename exists.", kForbidden, "The filename is too long!!"}));
    EXPECT_EQ(RenamePvrRow(session, prompter, "\\DataFiles", rows, rows[1], " c.rec "), OpResult::Done);
    EXPECT_EQ(ReadFile(pvrRoot / "DataFiles" / "c.rec"), "a");
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "a.rec"));
}

TEST_F(PvrOps, MoveIntoItselfIsRefused)
{
    WriteFile(pvrRoot / "A" / "B" / "x", "x");
    WriteFile(pvrRoot / "DataFiles" / "y", "y");
    EXPECT_EQ(MovePvrPaths(session, prompter, {"\\A"}, "\\A\\B"), OpResult::Refused);
    EXPECT_EQ(MovePvrPaths(session, prompter, {"\\A"}, "\\A"), OpResult::Refused);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>(2, "Invalid moving command.   ")));
    EXPECT_EQ(prompter.shown[0].title, "Moving Failure");
    EXPECT_TRUE(fs::exists(pvrRoot / "A" / "B" / "x"));

    // A folder named like the start of another is not inside it.
    fs::create_directories(pvrRoot / "AB");
    EXPECT_EQ(MovePvrPaths(session, prompter, {"\\A", "\\DataFiles\\y"}, "\\AB"), OpResult::Done);
    EXPECT_EQ(ReadFile(pvrRoot / "AB" / "A" / "B" / "x"), "x");
    EXPECT_EQ(ReadFile(pvrRoot / "AB" / "y"), "y");
}

class PcOps : public EmuTest {};

TEST_F(PcOps, CopyPasteIsAJobThatMakesTheTreeAndNeverReplacesAFile)
{
    WriteFile(pc / "src" / "tree" / "a.txt", "a");
    WriteFile(pc / "src" / "tree" / "sub" / "b.txt", "b");
    WriteFile(pc / "src" / "c.txt", "c");
    fs::create_directories(pc / "dst");
    ExplorerClipboard clipboard;
    clipboard.Copy(PaneSide::Pc, prompter, (pc / "src").string(), {Folder("tree"), File("c.txt")});
    auto paste = [&] {
        EXPECT_EQ(clipboard.Paste(PaneSide::Pc, session, prompter, (pc / "dst").string()), PasteAction::StartPcCopy);
        ASSERT_TRUE(engine.StartPcCopy(clipboard.TakePcCopyPlan()));
        EXPECT_FALSE(host.enabled);
        ASSERT_TRUE(RunJob());
    };
    paste();
    EXPECT_EQ(TreeContents(pc / "dst" / "tree"), TreeContents(pc / "src" / "tree"));
    EXPECT_EQ(ReadFile(pc / "dst" / "c.txt"), "c");
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(progress.Has("title Copying File(s)...... [PC --> PC]"));
    EXPECT_EQ(host.refreshPc, 1);
    EXPECT_TRUE(host.enabled);
    EXPECT_TRUE(session.m_bUsbIdle);

    // Pasting again finds the files there and keeps them.
    WriteFile(pc / "dst" / "tree" / "a.txt", "changed");
    paste();
    EXPECT_EQ(ReadFile(pc / "dst" / "tree" / "a.txt"), "changed");
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
    // The reason, in the system's words, follows the file it concerns.
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_TRUE(prompter.Texts()[0].starts_with("Cannot copy the selected file   \n\n\"" +
                                                (pc / "src" / "tree" / "a.txt").string() + "\"\n\n\"" +
                                                (pc / "dst" / "tree" / "a.txt").string() + "\": "))
        << prompter.Texts()[0];
    EXPECT_EQ(prompter.shown[0].title, "Copy Failure");

    prompter.shown.clear();
    clipboard.Paste(PaneSide::Pc, session, prompter, (pc / "src" / "tree" / "sub").string());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Invalid copy command.   "});
    EXPECT_FALSE(fs::exists(pc / "src" / "tree" / "sub" / "tree"));
}

TEST_F(PcOps, CutPasteMovesAndDeleteRemoves)
{
    WriteFile(pc / "src" / "tree" / "a.txt", "a");
    fs::create_directories(pc / "dst");
    ExplorerClipboard clipboard;
    clipboard.Cut(PaneSide::Pc, prompter, (pc / "src").string(), {Folder("tree")});
    clipboard.Paste(PaneSide::Pc, session, prompter, (pc / "src" / "tree").string());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Invalid moving command.   "});
    EXPECT_TRUE(fs::exists(pc / "src" / "tree" / "a.txt"));
    EXPECT_TRUE(clipboard.Empty());  // a refused move is dropped
    clipboard.Cut(PaneSide::Pc, prompter, (pc / "src").string(), {Folder("tree")});
    clipboard.Paste(PaneSide::Pc, session, prompter, (pc / "dst").string());
    EXPECT_EQ(ReadFile(pc / "dst" / "tree" / "a.txt"), "a");
    EXPECT_FALSE(fs::exists(pc / "src" / "tree"));

    prompter.answers = {PromptAnswer::Yes};
    EXPECT_EQ(DeletePcRows(prompter, (pc / "dst").string(), {Folder("tree")}), OpResult::Done);
    EXPECT_TRUE(fs::is_empty(pc / "dst"));
}

TEST_F(PcOps, RenameKeepsAnExistingFile)
{
    WriteFile(pc / "a.txt", "a");
    WriteFile(pc / "b.txt", "b");
    EXPECT_EQ(RenamePcRow(prompter, pc.string(), File("a.txt"), "b.txt"), OpResult::Failed);
    EXPECT_EQ(ReadFile(pc / "b.txt"), "b");
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Cannot modify the filename."});
    EXPECT_EQ(RenamePcRow(prompter, pc.string(), File("a.txt"), "c.txt"), OpResult::Done);
    EXPECT_EQ(ReadFile(pc / "c.txt"), "a");
    EXPECT_EQ(MakePcFolder(prompter, pc.string(), "new0001"), OpResult::Done);
    EXPECT_EQ(MakePcFolder(prompter, pc.string(), "new0001"), OpResult::Failed);
}

TEST_F(PcOps, PasteAcrossPanesStartsJobs)
{
    ExplorerClipboard clipboard;
    WriteFile(pc / "f.txt", "f");
    clipboard.Copy(PaneSide::Pvr, prompter, "\\DataFiles", {File("x.rec")});
    EXPECT_EQ(clipboard.Paste(PaneSide::Pc, session, prompter, pc.string()), PasteAction::StartReceive);
    EXPECT_EQ(clipboard.Paste(PaneSide::Pvr, session, prompter, "\\DataFiles"), PasteAction::Nothing);
    EXPECT_EQ(prompter.Texts(),
              std::vector<std::string>{"The Bexora does not support the copy command   \n\n  from PVR to PVR."});
    EXPECT_TRUE(clipboard.Empty());

    clipboard.Copy(PaneSide::Pc, prompter, pc.string(), {File("f.txt")});
    EXPECT_EQ(clipboard.Paste(PaneSide::Pvr, session, prompter, "\\DataFiles"), PasteAction::StartSend);

    ExplorerClipboard cut;
    cut.Cut(PaneSide::Pvr, prompter, "\\DataFiles", {File("x.rec")});
    EXPECT_EQ(cut.Paste(PaneSide::Pc, session, prompter, pc.string()), PasteAction::Nothing);
}

TEST(TurboButton, AsksBeforeSwitchingOnAndWaitsForTheLine)
{
    PvrSession session;
    session.m_bUsbIdle = true;
    ScriptedPrompter prompter;
    prompter.answers = {PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_FALSE(PressTurboButton(session, prompter));
    EXPECT_TRUE(PressTurboButton(session, prompter));
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].title, "WARNING");
    EXPECT_EQ(prompter.shown[0].text,
              " In the turbo mode,\n\n any remote control key will not work.     \n\n Turn on the turbo mode?");
    session.m_bUsbIdle = false;
    EXPECT_TRUE(PressTurboButton(session, prompter));
    session.m_bUsbIdle = true;
    EXPECT_FALSE(PressTurboButton(session, prompter));
    EXPECT_EQ(prompter.shown.size(), 2u);
}

class RecordingOpener : public ShellOpener {
public:
    std::vector<std::string> opened;
    bool Open(const std::string& path, const std::string& folder) override
    {
        opened.push_back(path + " in " + folder);
        return true;
    }
};

TEST(Execute, OnlyOneFileRow)
{
    RecordingOpener opener;
    EXPECT_FALSE(ExecutePcRow(opener, "/pc", {File("a"), File("b")}));
    EXPECT_FALSE(ExecutePcRow(opener, "/pc", {Folder("a")}));
    EXPECT_TRUE(ExecutePcRow(opener, "/pc", {File("a")}));
    // Joined as the system joins names.
    EXPECT_EQ(opener.opened, std::vector<std::string>{(std::filesystem::path("/pc") / "a").string() + " in /pc"});
}

}
