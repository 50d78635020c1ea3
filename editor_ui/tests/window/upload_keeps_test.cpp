// The editor's controller over the real upload dialog: an upload that brings nothing back
// leaves the settings on screen, their file name and edited flag as they were.
#include "editor_ui/tests/core/editor_fixture.h"
#include "link/transfer/tests/transfer_fixture.h"
#include "link/transfer/upload_controller.h"
#include "link/transfer/uploaded_image.h"

#include <gtest/gtest.h>

namespace {

class UploadKeeps : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        OpenDemo({.modelId = 10});
        ctl.Run(Cmd::ViewTv);
        ctl.SetSvcSelection(kTvKind, {1}, 1);
        ctl.ToggleLock(kTvKind);
        ASSERT_TRUE(ctl.Edited());
        before = std::make_unique<COrvanel1Doc>(*doc);
    }
    // Ctrl+U and No to the save question; the upload dialog runs without its window while
    // `user` plays the user, then closes with "Stop && Exit" and decodes what came, as the
    // window does.
    void Upload(CLinkSession& session, std::function<void(CUploadController&, RecordingView&)> user)
    {
        link.upload = [&] {
            RecordingView view(prompter);
            CUploadController dialog(session, view);
            dialog.Open();
            user(dialog, view);
            const bool success = CloseDialog(dialog, view, true);
            return success && DecodeUploadedImage(dialog.Image(), *doc, prompter) == TransferCommandResult::Ok;
        };
        prompter.answers = {PromptAnswer::No};
        ctl.Run(Cmd::Upload);
        EXPECT_TRUE(ctl.Held());
        EXPECT_TRUE(ctl.Edited());
        EXPECT_EQ(ctl.FileName(), dir / "demo.std");
        EXPECT_TRUE(SameSettings(*doc, *before));
        EXPECT_EQ(doc->m_ModelId, 10);
    }

    FakeClock clock;
    std::unique_ptr<COrvanel1Doc> before;
};

TEST_F(UploadKeeps, StoppedBeforeAnyData)
{
    ScriptedSerialStb stb;   // never greets
    auto session = MakeSession(prompter, clock, stb.SlavePath());
    Upload(*session, [&](CUploadController& dialog, RecordingView& view) {
        dialog.OnUpload();
        EXPECT_TRUE(view.PumpUntil([&] { return view.HasStatus("Waiting For Request. Reboot SetTop Box."); }));
    });
}

TEST_F(UploadKeeps, FromASilentStb)
{
    SimFaultPlan silent;
    silent.silentFromReply = 1;
    StbSimOptions options = SimOptions(false, dir, silent);
    StbSim sim(ImageOf(*before), options);
    ASSERT_EQ(sim.Start(), "");
    auto session = MakeSession(prompter, clock, sim.SerialPath());
    session->SerialLink().m_Budgets.sizeReply = 1'000'000;   // the STB's silence, sooner
    Upload(*session, [&](CUploadController& dialog, RecordingView& view) {
        dialog.OnUpload();
        EXPECT_TRUE(view.PumpUntil([&] { return !dialog.WorkerRunning(); }, std::chrono::seconds(60)));
    });
    EXPECT_EQ(prompter.shown.back().text, "Upload Fail, Reboot Settop Box");
}

}  // namespace
