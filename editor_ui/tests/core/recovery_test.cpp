// Recovery of unsaved edits through the controller: the file follows the edited flag at
// most every five seconds, goes with a save, a discard or leaving, and is offered at start.
#include "editor_ui/core/recovery_keeper.h"
#include "editor_ui/tests/core/editor_fixture.h"
#include "editor_ui/core/backup_rows.h"
#include "settings/backup_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

class Recovery : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        ctl.SetRecovery(keeper.get());
        OpenDemo();
        // The open queues a removal of the file: done before a test puts anything there.
        keeper->Flush();
    }
    void Edit(uint32_t pos = 1)
    {
        ctl.Run(Cmd::ViewTv);
        ctl.SetSvcSelection(kTvKind, {pos}, pos);
        ctl.ToggleLock(kTvKind);
    }
    // The listener's wake-up, `after` the edit.
    bool WrittenAfter(std::chrono::seconds after)
    {
        ctl.KeepRecovery(Clock::now() + after);
        keeper->Flush();
        return fs::is_regular_file(keeper->Path());
    }
    std::unique_ptr<COrvanel1Doc> Recovered(RecoveryInfo& info)
    {
        auto found = std::make_unique<COrvanel1Doc>();
        EXPECT_TRUE(ReadRecoveryFile(keeper->Path(), *found, info));
        return found;
    }

    // An editor started after this one ended without a word.
    struct Restarted {
        explicit Restarted(Recovery& test) : keeper(test.dir), ctl(*doc, test.prompter, test.dialogs, test.link)
        {
            doc->m_SideFileFolder = test.dir;
            ctl.SetRecovery(&keeper);
            ctl.SetListener(&passing);
        }
        std::unique_ptr<COrvanel1Doc> doc = std::make_unique<COrvanel1Doc>();
        CRecoveryKeeper keeper;
        CEditorController ctl;
        PassingMessages passing;
    };
    void EndWithEdits()
    {
        Edit();
        ASSERT_TRUE(WrittenAfter(std::chrono::seconds(6)));
        keeper.reset();
    }

    std::unique_ptr<CRecoveryKeeper> keeper = std::make_unique<CRecoveryKeeper>(dir);
};

TEST_F(Recovery, TheFileFollowsTheEditedFlag)
{
    EXPECT_FALSE(WrittenAfter(std::chrono::seconds(60))) << "nothing edited, nothing kept";
    Edit();
    EXPECT_FALSE(WrittenAfter(std::chrono::seconds(4))) << "not before five seconds";
    ASSERT_TRUE(WrittenAfter(std::chrono::seconds(6)));
    RecoveryInfo info;
    auto found = Recovered(info);
    EXPECT_EQ(found->m_TvSvc[1].lock, doc->m_TvSvc[1].lock);
    EXPECT_EQ(info.fileName, dir / "demo.std");

    ASSERT_TRUE(ctl.OnSave());
    keeper->Flush();
    EXPECT_FALSE(fs::exists(keeper->Path())) << "a save removes it";

    Edit(2);
    ASSERT_TRUE(WrittenAfter(std::chrono::seconds(6)));
    dialogs.openFiles = {dir / "demo.std"};
    prompter.answers = {PromptAnswer::No};
    ctl.Run(Cmd::Open);
    keeper->Flush();
    EXPECT_FALSE(fs::exists(keeper->Path())) << "a discard removes it";

    Edit(3);
    ASSERT_TRUE(WrittenAfter(std::chrono::seconds(6)));
    prompter.answers = {PromptAnswer::No};
    EXPECT_TRUE(ctl.OnLeave());
    keeper->Flush();
    EXPECT_FALSE(fs::exists(keeper->Path())) << "leaving removes it";
}

TEST_F(Recovery, AtStartYesRecoversTheEditsAndNoKeepsThemAside)
{
    Edit();
    ASSERT_TRUE(WrittenAfter(std::chrono::seconds(6)));
    const auto locked = doc->m_TvSvc[1].lock;
    keeper.reset();   // the editor ends without a word

    for (PromptAnswer answer : {PromptAnswer::Yes, PromptAnswer::No}) {
        auto restarted = std::make_unique<COrvanel1Doc>();
        restarted->m_SideFileFolder = dir;
        CEditorController next(*restarted, prompter, dialogs, link);
        CRecoveryKeeper nextKeeper(dir);
        next.SetRecovery(&nextKeeper);
        prompter.answers = {answer};
        const bool recovered = next.OfferRecovery();
        EXPECT_EQ(prompter.shown.back().text.rfind("Recover the unsaved changes to demo.std of ", 0), 0u);
        if (answer == PromptAnswer::Yes) {
            EXPECT_TRUE(recovered);
            EXPECT_TRUE(next.Edited());
            EXPECT_EQ(next.FileName(), dir / "demo.std");
            EXPECT_EQ(restarted->m_TvSvc[1].lock, locked);
            EXPECT_TRUE(fs::exists(nextKeeper.Path())) << "kept until the edits are saved";
        } else {
            EXPECT_FALSE(recovered);
            EXPECT_FALSE(next.Held());
            EXPECT_FALSE(fs::exists(nextKeeper.Path()));
            std::vector<fs::path> aside;
            for (const auto& item : fs::directory_iterator(BackupFolderOf(dir)))
                if (IsKeptRecoveryFile(item.path()))
                    aside.push_back(item.path());
            ASSERT_EQ(aside.size(), 1u);
            EXPECT_EQ(aside[0].filename().string().rfind("recovery_", 0), 0u);
            auto kept = std::make_unique<COrvanel1Doc>();
            RecoveryInfo info;
            EXPECT_TRUE(ReadRecoveryFile(aside[0], *kept, info)) << "moved, not lost";
        }
    }
}

TEST_F(Recovery, ASecondEditorOnTheSameFolderKeepsNoneAndSaysSo)
{
    CRecoveryKeeper second(dir);
    EXPECT_TRUE(keeper->Active());
    EXPECT_FALSE(second.Active());
    auto other = std::make_unique<COrvanel1Doc>();
    other->m_SideFileFolder = dir;
    CEditorController next(*other, prompter, dialogs, link);
    PassingMessages passing;
    next.SetListener(&passing);
    next.SetRecovery(&second);
    ASSERT_TRUE(next.OpenAtStart(dir / "demo.std"));
    next.Run(Cmd::ViewTv);
    next.SetSvcSelection(kTvKind, {1}, 1);
    next.ToggleLock(kTvKind);
    ASSERT_EQ(passing.texts.size(), 1u);
    EXPECT_NE(passing.texts[0].find("not protected against a crash"), std::string::npos) << passing.texts[0];
}

TEST_F(Recovery, AFileThatChangedSinceMakesTheNextSaveAskWhere)
{
    EndWithEdits();
    const auto newer = MakeFile("demo.std", {.modelId = 10});   // written by someone else since
    const auto newerBytes = testing_support::ReadFileBytes(newer);
    {
        Restarted next(*this);
        prompter.answers = {PromptAnswer::Yes};
        ASSERT_TRUE(next.ctl.OfferRecovery());
        EXPECT_NE(prompter.shown.back().text.find("demo.std has changed since"), std::string::npos);
        EXPECT_EQ(next.ctl.FileName(), dir / "demo.std");
        dialogs.saveFiles = {dir / "recovered.std"};
        ASSERT_TRUE(next.ctl.OnSave());
        EXPECT_TRUE(dialogs.saveFiles.empty()) << "Save asked where";
        EXPECT_EQ(dialogs.saveProposals.back(), dir / "demo.std");
        EXPECT_EQ(testing_support::ReadFileBytes(newer), newerBytes) << "the newer file is untouched";
        EXPECT_TRUE(next.ctl.OnSave()) << "then Save writes where Save As wrote";
        EXPECT_EQ(dialogs.saveProposals.size(), 1u);
    }

    // Unchanged, the recovered edits save over their file as they would have.
    keeper = std::make_unique<CRecoveryKeeper>(dir);
    ctl.SetRecovery(keeper.get());
    ASSERT_TRUE(ctl.OpenAtStart(dir / "recovered.std"));
    EndWithEdits();
    Restarted again(*this);
    prompter.answers = {PromptAnswer::Yes};
    ASSERT_TRUE(again.ctl.OfferRecovery());
    EXPECT_EQ(prompter.shown.back().text.find("changed since"), std::string::npos);
    ASSERT_TRUE(again.ctl.OnSave());
    EXPECT_EQ(dialogs.saveProposals.size(), 1u) << "no question";
}

TEST_F(Recovery, TheQuestionNamesTheDocumentAndWhereNoKeepsItsChangesWhichOpenBackupOpens)
{
    EndWithEdits();
    Restarted next(*this);
    prompter.answers = {PromptAnswer::No};
    ASSERT_FALSE(next.ctl.OfferRecovery());
    const std::string& question = prompter.shown.back().text;
    EXPECT_NE(question.find("No keeps them in " + BackupFolderOf(dir).string()), std::string::npos) << question;
    ASSERT_EQ(next.passing.texts.size(), 1u);
    EXPECT_EQ(next.passing.texts[0].rfind("The unsaved changes were kept as " + BackupFolderOf(dir).string(), 0), 0u);

    const std::vector<BackupRow> rows = ListBackupRows(BackupFolderOf(dir));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, "unsaved changes");
    dialogs.backups = {rows[0].path};
    next.ctl.Run(Cmd::OpenBackup);
    ASSERT_TRUE(next.ctl.Held());
    EXPECT_TRUE(next.ctl.Edited());
    EXPECT_EQ(next.doc->m_TvSvc[1].lock, doc->m_TvSvc[1].lock);
    EXPECT_EQ(next.ctl.History().Entry(0).description.rfind("Recovered changes of ", 0), 0u);
    dialogs.saveFiles = {dir / "again.std"};
    ASSERT_TRUE(next.ctl.OnSave());
    EXPECT_EQ(next.ctl.FileName(), dir / "again.std") << "an older state than its file: Save asks where";
}

TEST_F(Recovery, AWriteThatFailsIsSaidOnceAndTriedAgainOnTheNextChange)
{
    PassingMessages passing;
    ctl.SetListener(&passing);
    ASSERT_TRUE(fs::create_directory(keeper->Path()));   // a folder where the file should be
    Edit();
    EXPECT_FALSE(WrittenAfter(std::chrono::seconds(6)));
    ctl.KeepRecovery(Clock::now());
    ASSERT_EQ(passing.texts.size(), 1u);
    EXPECT_NE(passing.texts[0].find("not protected against a crash"), std::string::npos);

    Edit(2);
    EXPECT_FALSE(WrittenAfter(std::chrono::seconds(6)));
    EXPECT_EQ(passing.texts.size(), 1u) << "said once";

    fs::remove(keeper->Path());
    ctl.SetSvcSelection(kTvKind, {3}, 3);   // a change that edits nothing
    EXPECT_TRUE(WrittenAfter(std::chrono::seconds(6)));
}

TEST_F(Recovery, AnUnusableFileAtStartIsKeptAsideWithALineThatSaysWhere)
{
    ASSERT_TRUE(testing_support::WriteFileText(keeper->Path(), "damaged"));
    keeper.reset();
    {
        Restarted next(*this);
        EXPECT_FALSE(next.ctl.OfferRecovery());
        EXPECT_TRUE(prompter.shown.empty()) << "nothing to ask about";
        EXPECT_FALSE(fs::exists(next.keeper.Path()));
        ASSERT_EQ(next.passing.texts.size(), 1u);
        EXPECT_NE(next.passing.texts[0].find("cannot be read"), std::string::npos);
        EXPECT_NE(next.passing.texts[0].find(BackupFolderOf(dir).string()), std::string::npos);
    }

    // A time no clock wrote reads as unknown.
    auto copy = std::make_unique<COrvanel1Doc>(*doc);
    const std::vector<uint8_t> bytes = BuildRecoveryFile(*copy, {dir / "demo.std", std::time_t(1) << 52, {}});
    ASSERT_TRUE(testing_support::WriteFileBytes(dir / kRecoveryFileName, bytes));
    Restarted next(*this);
    prompter.answers = {PromptAnswer::No};
    EXPECT_FALSE(next.ctl.OfferRecovery());
    EXPECT_NE(prompter.shown.back().text.find(" of an unknown time?"), std::string::npos) << prompter.shown.back().text;
}

}  // namespace
