// The controllers as a window uses them: the window's thread is a thread of its own that
// answers messages, asks to close and is destroyed at awkward moments, against an STB on
// a pseudo-terminal or the simulated STB on USB.
#include "link/transfer/reboot_controller.h"
#include "link/transfer/tests/transfer_fixture.h"
#include "link/transfer/upload_controller.h"
#include "tools/stb_sim/stb_sim.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using testing_support::PollUntil;

using namespace std::chrono_literals;

LinkFrame Hello(uint8_t psn)
{
    LinkFrame frame{psn, CMD_HELLO, std::vector<uint8_t>(kHelloPayloadSize)};
    EncodeHello(HelloPayload{}, frame.payload.data());
    return frame;
}

// Plays the STB up to the first size request of an upload, which it leaves unanswered.
void GreetAndStall(ScriptedSerialStb& stb)
{
    LinkFrame frame;
    ASSERT_TRUE(stb.Receive(frame));   // the restart
    stb.Send(Hello(0x10));
    ASSERT_TRUE(stb.Receive(frame));
    ASSERT_EQ(frame.cmd, CMD_UPLOAD_REQ);
    ASSERT_TRUE(stb.Receive(frame));
    ASSERT_EQ(frame.cmd, CMD_SIZE_REQ);
}

// On the window's thread: "Upload", then "Stop && Exit" once the reads have begun.
void UploadThenStop(CUploadController& dialog, RecordingView& view)
{
    dialog.Open();
    dialog.OnUpload();
    view.PumpUntil([&] { return view.HasStatus("Uploading....."); });
    dialog.RequestClose(true);
}

class TransferWindow : public ::testing::Test {
protected:
    ScriptedSerialStb stb;
    ScriptedPrompter prompter;
    FakeClock clock;
    std::unique_ptr<CLinkSession> session = MakeSession(prompter, clock, stb.SlavePath());
};

TEST_F(TransferWindow, StopAndExitDuringTheReadsShowsTheFailureAndTheWindowNeverWaits)
{
    std::vector<std::string> atClose, afterwards;
    bool closed = false;
    std::thread window([&] {
        RecordingView view(prompter);
        {
            CUploadController dialog(*session, view);
            UploadThenStop(dialog, view);
            EXPECT_TRUE(dialog.State().closing);
            EXPECT_FALSE(dialog.State().canStart);
            closed = view.PumpUntilClose(10s);
            atClose = view.Statuses();
        }
        view.RunFor(50ms);
        afterwards = view.Statuses();
    });
    GreetAndStall(stb);
    window.join();
    ASSERT_TRUE(closed);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Upload Fail, Reboot Settop Box"});
    EXPECT_EQ(afterwards, atClose);   // nothing reaches the window after its close
    EXPECT_FALSE(session->PortOpen());
}

TEST_F(TransferWindow, DestroyedWhileAWorkerWaitsForAnAnswerItJoinsAndTheBoxStillComes)
{
    std::thread window([&] {
        RecordingView view(prompter);
        {
            CUploadController dialog(*session, view);
            UploadThenStop(dialog, view);
            // Gone before its worker's question was answered, without running a command.
        }
        EXPECT_TRUE(prompter.shown.empty());
        view.RunFor(50ms);
    });
    GreetAndStall(stb);
    window.join();
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Upload Fail, Reboot Settop Box"});
    EXPECT_FALSE(session->PortOpen());
}

TEST_F(TransferWindow, DestroyedWithoutCloseItLeavesThePortFreeAndItsPostedCommandsAreDropped)
{
    RecordingView view(prompter);
    auto dialog = std::make_unique<CUploadController>(*session, view);
    dialog->Open();
    dialog->OnUpload();
    GreetAndStall(stb);
    dialog->OnDeviceRemoval("usb:001:002");   // posts a command, which must not outlive the dialog
    dialog.reset();
    EXPECT_FALSE(session->PortOpen());
    auto before = view.Statuses();
    view.RunFor(20ms);
    EXPECT_EQ(view.Statuses(), before);

    CUploadController next(*session, view);
    next.Open();
    next.OnUpload();
    EXPECT_TRUE(view.HasStatus("Port Open Success"));
    EXPECT_FALSE(view.HasStatus("Port is aleady opened"));
    EXPECT_FALSE(CloseDialog(next, view));
}

TEST_F(TransferWindow, AWorkersQuestionWaitsForTheWindowUnlessTheWindowJoins)
{
    RecordingView view(prompter);
    CTransferMessages& messages = session->Messages();
    messages.Attach(view);
    prompter.answers = {PromptAnswer::Yes};
    PromptAnswer asked = PromptAnswer::Cancel;
    std::thread worker([&] { asked = messages.Ask("Go on?", "Notice", PromptButtons::YesNo, PromptIcon::Question); });
    view.RunUntil([&] { return !prompter.shown.empty(); }, 5s);
    worker.join();
    EXPECT_EQ(asked, PromptAnswer::Yes);

    // The window joins while a box is still unanswered: the worker goes on, the box comes later.
    std::thread notifier([&] { messages.Notify("m_QueueRead FULL!", "Notice", PromptIcon::Error); });
    {
        CTransferMessages::JoinScope joining(messages);
        notifier.join();
    }
    EXPECT_EQ(prompter.shown.size(), 1u);
    view.RunFor(20ms);
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Go on?", "m_QueueRead FULL!"}));
    messages.Detach(view);
}

TEST(RebootWindow, TheStbIsOnWhileItsUsbDeviceIsPresentAndRebootClosesTheWindow)
{
    testing_support::TempFolder dir;
    StbSimOptions options = SimOptions(true, dir.Path());
    options.rebootDelay = 50ms;
    StbSim sim(ImageOf(*MakeDemoDocument()), options);
    ASSERT_EQ(sim.Start(), "");
    ScriptedPrompter prompter;
    FakeClock clock;
    auto session = MakeSession(prompter, clock, "/nonexistent", options.usbSocket);
    session->UseSettings({.bUsb = false});   // serial mode still watches the USB device
    RecordingView view(prompter);
    CRebootController dialog(*session, view);
    dialog.Open();
    ASSERT_TRUE(view.PumpUntil([&] { return dialog.State().canStart; }));
    EXPECT_EQ(view.LastStatus(), "Serial <STB : On> \r\n If STB front message is [End] then auto Reboot");
    dialog.OnReboot();
    ASSERT_TRUE(view.PumpUntilClose());
    EXPECT_EQ(dialog.RebootOutcome(), RebootResult::PortOpenFail);
    EXPECT_FALSE(session->Usb());

    session->UseSettings({.bUsb = true});
    RecordingView usbView(prompter);
    CRebootController usbDialog(*session, usbView);
    usbDialog.Open();
    ASSERT_TRUE(usbView.PumpUntil([&] { return usbDialog.State().devicePresent; }));
    usbDialog.OnReboot();
    ASSERT_TRUE(usbView.PumpUntilClose());
    EXPECT_EQ(usbDialog.RebootOutcome(), RebootResult::Sent);
    EXPECT_TRUE(PollUntil([&] { return sim.Usb()->Stats().restarts == 1; }));
}

TEST(RebootWindow, TheWindowGoesOnWhileTheStbHasNotTakenTheReboot)
{
    testing_support::TempFolder dir;
    StbSimOptions options = SimOptions(true, dir.Path());
    StbSim sim(ImageOf(*MakeDemoDocument()), options);
    ASSERT_EQ(sim.Start(), "");
    ScriptedPrompter prompter;
    FakeClock clock;
    GatedUsbBackend* gate = nullptr;
    auto session = MakeSession(prompter, clock, "", options.usbSocket, dir.Path(), {}, &gate);
    RecordingView view(prompter);
    CRebootController dialog(*session, view);
    dialog.Open();
    ASSERT_TRUE(view.PumpUntil([&] { return dialog.State().devicePresent; }));
    gate->Hold();
    dialog.OnReboot();
    ASSERT_TRUE(PollUntil([&] { return gate->Waiting() == 1; }));   // the frame is on its way
    bool ran = false;
    view.Post([&] { ran = true; });
    EXPECT_TRUE(view.PumpUntil([&] { return ran; }));
    EXPECT_TRUE(dialog.State().closing);
    EXPECT_FALSE(view.CloseReady()) << "the link is released only once the frame is out";
    gate->LetGo();
    ASSERT_TRUE(view.PumpUntilClose());
    EXPECT_EQ(dialog.RebootOutcome(), RebootResult::Sent);
    EXPECT_TRUE(PollUntil([&] { return sim.Usb()->Stats().restarts == 1; }));
}

TEST(SerialPortSettings, ModeFileThatCannotBeWrittenIsReportedAndTheChoiceKept)
{
    testing_support::TempFolder dir;
    ScriptedPrompter prompter;
    LinkSessionParts parts;
    parts.modeConfigPath = dir / "missing" / "mode.cfg";
    CLinkSession session(prompter, std::move(parts));
    EXPECT_EQ(session.SetSerialPort("COM2"), ModeFileResult::NotWritten);
    EXPECT_TRUE(session.Com2());

    LinkSessionParts writableParts;
    writableParts.modeConfigPath = dir / "mode.cfg";
    CLinkSession writable(prompter, std::move(writableParts));
    EXPECT_EQ(writable.SetSerialPort("COM2"), ModeFileResult::Written);
    EXPECT_EQ(writable.SetUsbMode(false), ModeFileResult::Written);
    writable.UseSettings({});
    writable.LoadModeConfig();
    EXPECT_TRUE(writable.Com2());
    EXPECT_FALSE(writable.UsbMode());
}

}  // namespace
