// The controllers as a window uses them: the window's thread is a thread of its own that
// answers messages, asks to close and is destroyed at awkward moments, against an STB on
// a pseudo-terminal or the simulated STB on USB.
#include "link/transfer/reboot_controller.h"
#include "link/transfer/serial_port_setup.h"
#include "link/transfer/tests/transfer_fixture.h"
#include "link/transfer/upload_controller.h"
#include "tools/stb_sim/stb_sim.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <pty.h>
#include <thread>
#include <unistd.h>

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

// Port Setup with COM1 on a pseudo-terminal and COM2 on whatever the test names.
class SerialPortSetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::openpty(&master, &slave, pty, nullptr, nullptr), 0);
        ::unsetenv("ORVANEL_COM2");
        ::setenv("ORVANEL_COM1", pty, 1);
    }
    void TearDown() override
    {
        ::unsetenv("ORVANEL_COM1");
        ::close(master);
        ::close(slave);
    }
    std::unique_ptr<CLinkSession> Session(const std::string& com2Path = "/dev/ttyS1")
    {
        LinkSessionParts parts;
        parts.modeConfigPath = dir / "mode.cfg";
        parts.serialConfig.com2Path = com2Path;
        auto session = std::make_unique<CLinkSession>(prompter, std::move(parts));
        session->UseSettings({.bUsb = false});
        return session;
    }

    int master = -1;
    int slave = -1;
    char pty[64] = {};
    testing_support::TempFolder dir;
    ScriptedPrompter prompter;
};

TEST_F(SerialPortSetup, ComPortsNameTheirDeviceTheVariableThatChoseItAndWhyItCannotBeOpened)
{
    auto session = Session((dir / "no-such-tty").string());
    CSerialPortSetup setup(*session, {});
    EXPECT_EQ(setup.Port(), "COM1");
    const ComPortView com1 = setup.Com(0);
    EXPECT_EQ(com1.device, std::string(pty) + " (ORVANEL_COM1)");
    EXPECT_EQ(com1.problem, "");
    const ComPortView com2 = setup.Com(1);
    EXPECT_EQ(com2.device, (dir / "no-such-tty").string());
    EXPECT_EQ(com2.problem, (dir / "no-such-tty").string() + ": No such file or directory");

    // A stable name leads to the device behind it.
    std::filesystem::create_symlink(pty, dir / "usb-adapter");
    auto linked = Session((dir / "usb-adapter").string());
    EXPECT_EQ(CSerialPortSetup(*linked, {}).Com(1).device, (dir / "usb-adapter").string() + " \u2192 " + pty);
}

TEST_F(SerialPortSetup, ALegacyNodeWithoutAPortBehindItSaysSo)
{
    if (::access("/dev/ttyS0", R_OK | W_OK) != 0)
        GTEST_SKIP() << "no /dev/ttyS0 to open on this machine";
    std::filesystem::create_directories(dir / "tty" / "ttyS0");
    ASSERT_TRUE(testing_support::WriteFileText(dir / "tty" / "ttyS0" / "type", "0\n"));
    auto session = Session("/dev/ttyS0");
    const SerialDeviceRoots roots{.sysTty = dir / "tty"};
    CSerialPortSetup setup(*session, {}, [&](const std::string& path) { return CheckSerialDevice(path, roots); });
    EXPECT_EQ(setup.Com(1).problem, "/dev/ttyS0: No such device or address");
}

TEST_F(SerialPortSetup, OkRefusesAPathThatIsNoDeviceAndKeepsThePortAsItWas)
{
    auto session = Session();
    CSerialPortSetup setup(*session, {});
    ASSERT_TRUE(testing_support::WriteFileText(dir / "plain-file", ""));
    const std::string missing = "/dev/ttyUSB97";
    const std::vector<std::pair<std::string, std::string>> refused = {
        {missing, missing + ": No such file or directory"},
        {(dir / "plain-file").string(), (dir / "plain-file").string() + ": No such device"},
        {"ttyUSB0", "ttyUSB0: not the full path of a device"},
        {"", "No serial device chosen: choose COM1, COM2 or a device."},
    };
    for (const auto& [port, why] : refused) {
        prompter.shown.clear();
        EXPECT_FALSE(setup.Accept(port)) << port;
        ASSERT_EQ(prompter.shown.size(), 1u) << port;
        EXPECT_EQ(prompter.shown[0].text, why);
        EXPECT_EQ(prompter.shown[0].title, "Serial Port");
    }
    EXPECT_EQ(session->Settings().PortName(), "COM1");
    EXPECT_FALSE(std::filesystem::exists(dir / "mode.cfg"));

    prompter.shown.clear();
    EXPECT_TRUE(setup.Accept(pty));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(session->Settings().PortName(), pty);
    EXPECT_EQ(ReadModeConfig(dir / "mode.cfg").PortName(), pty);
    EXPECT_TRUE(setup.Accept("COM2"));
    EXPECT_TRUE(session->Com2());
}

}  // namespace
