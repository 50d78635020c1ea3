// Recovery of unsaved edits through the controller: the file follows the edited flag at
// most every five seconds, goes with a save, a discard or leaving, and is offered at start.
#include "editor_ui/core/recovery_keeper.h"
#include "editor_ui/tests/core/editor_fixture.h"
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
        return fs::exists(keeper->Path());
    }
    std::unique_ptr<COrvanel1Doc> Recovered(RecoveryInfo& info)
    {
        auto found = std::make_unique<COrvanel1Doc>();
        EXPECT_TRUE(ReadRecoveryFile(keeper->Path(), *found, info));
        return found;
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
        EXPECT_EQ(prompter.shown.back().text.rfind("Recover the unsaved changes of ", 0), 0u);
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
                aside.push_back(item.path());
            ASSERT_EQ(aside.size(), 1u);
            EXPECT_EQ(aside[0].filename().string().rfind("recovery_", 0), 0u);
            auto kept = std::make_unique<COrvanel1Doc>();
            RecoveryInfo info;
            EXPECT_TRUE(ReadRecoveryFile(aside[0], *kept, info)) << "moved, not lost";
        }
    }
}

TEST_F(Recovery, ASecondEditorOnTheSameFolderKeepsNone)
{
    CRecoveryKeeper second(dir);
    EXPECT_TRUE(keeper->Active());
    EXPECT_FALSE(second.Active());
}

}  // namespace
