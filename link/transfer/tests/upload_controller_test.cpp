#include "tools/stb_sim/stb_sim.h"
#include "link/transfer/tests/transfer_fixture.h"
#include "link/transfer/upload_controller.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace {

using testing_support::PollUntil;

LinkFrame Hello(uint8_t psn, uint8_t modelId)
{
    HelloPayload hello;
    hello.systemId = 0x2203;
    hello.header[kHeaderModelIdAt] = modelId;
    LinkFrame frame{psn, CMD_HELLO, std::vector<uint8_t>(kHelloPayloadSize)};
    EncodeHello(hello, frame.payload.data());
    return frame;
}

size_t CountPrefix(const std::vector<std::string>& texts, const std::string& prefix)
{
    return size_t(std::count_if(texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(prefix, 0) == 0; }));
}

class UploadWithSim : public ::testing::Test {
protected:
    void StartSim(bool usb, SimFaultPlan faults = {})
    {
        original = MakeDemoDocument();
        StbSimOptions options = SimOptions(usb, dir.Path(), std::move(faults));
        sim = std::make_unique<StbSim>(ImageOf(*original), options);
        ASSERT_EQ(sim->Start(), "");
        session = MakeSession(prompter, clock, usb ? "" : sim->SerialPath(), options.usbSocket, ".", backups);
        dialog = std::make_unique<CUploadController>(*session, view);
    }
    // Opens the dialog, waits for the device on USB, presses "Upload" and runs until the close.
    void RunUpload()
    {
        dialog->Open();
        if (session->UsbMode()) {
            ASSERT_TRUE(view.PumpUntil([&] { return dialog->DeviceReady(); }));
        }
        dialog->OnUpload();
        ASSERT_TRUE(view.PumpUntilClose());
    }

    testing_support::TempFolder dir;
    std::filesystem::path backups;
    ScriptedPrompter prompter;
    FakeClock clock;
    RecordingView view{prompter};
    std::unique_ptr<COrvanel1Doc> original;
    std::unique_ptr<StbSim> sim;
    std::unique_ptr<CLinkSession> session;
    std::unique_ptr<CUploadController> dialog;
};

TEST_F(UploadWithSim, SerialUploadReadsTheWholeImageAndOffersTheRestart)
{
    backups = dir / "backups";
    StartSim(false);
    prompter.answers = {PromptAnswer::Yes};
    RunUpload();
    ASSERT_TRUE(CloseDialog(*dialog, view));
    StbImage held = sim->Image().Snapshot();
    EXPECT_EQ(dialog->Image().flash, held.flash);
    EXPECT_EQ(dialog->Image().eeprom, held.eeprom);
    EXPECT_EQ(dialog->Image().systemId, held.systemId);

    auto statuses = view.Statuses();
    std::vector<std::string> opening(statuses.begin(), statuses.begin() + 7);
    EXPECT_EQ(opening, (std::vector<std::string>{"Mode : Serial", "Port Open Success", "pThr->m_bConnected : 1 ",
                                                 "Waiting For Request. Reboot SetTop Box.", "Uploading.......",
                                                 "just moment.....", "Uploading....."}));
    // 131072 bytes in 514 blocks of 255 and one of 2.
    EXPECT_EQ(CountPrefix(statuses, " Flash Uploading..."), 515u);
    EXPECT_TRUE(view.HasStatus(" Flash Uploading...131070/131072"));
    EXPECT_TRUE(view.HasStatus(" Flash Uploading...131072/131072"));
    EXPECT_TRUE(view.HasStatus(" EEPROM Uploading...256/256"));
    EXPECT_EQ(statuses.back(), "Mode : Serial");
    auto progress = view.Progress();
    EXPECT_TRUE(std::find(progress.begin(), progress.end(), 100) != progress.end());
    EXPECT_EQ(progress.back(), 0);

    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Upload Success, Do you want to reboot Settop Box?");
    EXPECT_EQ(prompter.shown[0].title, "Notice");
    // The restart before the upload and the one the answer asked for.
    EXPECT_TRUE(PollUntil([&] { return sim->Serial()->Stats().restarts == 2; }));
    EXPECT_FALSE(session->PortOpen());
    EXPECT_FALSE(session->SessionRunning());

    auto doc = std::make_unique<COrvanel1Doc>();
    ASSERT_EQ(DecodeUploadedImage(dialog->Image(), *doc, prompter), TransferCommandResult::Ok);
    EXPECT_TRUE(doc->m_bLoaded);
    EXPECT_TRUE(SameSettings(*doc, *original));
    ASSERT_TRUE(dialog->Backup());
    EXPECT_EQ(ClosingNote(*dialog), "The transfer's backup was kept as " + dialog->Backup()->string())
        << "the status line says where the upload was kept";
}

TEST_F(UploadWithSim, ABackupThatCannotBeWrittenLeavesTheUploadStanding)
{
    backups = dir / "not a folder";
    ASSERT_TRUE(testing_support::WriteFileText(backups, ""));
    StartSim(false);
    prompter.answers = {PromptAnswer::No};
    RunUpload();
    EXPECT_TRUE(dialog->Success());
    EXPECT_FALSE(dialog->Backup());
    EXPECT_EQ(BackupFailureNote(*dialog).rfind("Backup not written: \"" + backups.string() + "\": ", 0), 0u)
        << BackupFailureNote(*dialog);
}

TEST_F(UploadWithSim, DroppedAndCorruptedRepliesAreRetried)
{
    SimFaultPlan faults;
    faults.dropReply = {1, 40};    // the first size reply and a flash block
    faults.corruptReply = {90};
    StartSim(false, faults);
    prompter.answers = {PromptAnswer::No};
    RunUpload();
    ASSERT_TRUE(CloseDialog(*dialog, view));
    EXPECT_EQ(dialog->Image().flash, sim->Image().Snapshot().flash);
    EXPECT_TRUE(PollUntil([&] { return sim->Serial()->Stats().restarts == 1; }));
}

TEST_F(UploadWithSim, UsbUploadRebootsReadsInBigBlocksAndRestartsOnYes)
{
    StartSim(true);
    prompter.answers = {PromptAnswer::Yes};
    RunUpload();
    ASSERT_TRUE(CloseDialog(*dialog, view));
    EXPECT_EQ(dialog->Image().flash, sim->Image().Snapshot().flash);
    EXPECT_EQ(dialog->Image().eeprom, sim->Image().Snapshot().eeprom);
    auto statuses = view.Statuses();
    // Four blocks of 30000 bytes and one of 11072.
    EXPECT_EQ(CountPrefix(statuses, " Flash Uploading..."), 5u);
    EXPECT_TRUE(view.HasStatus(" Flash Uploading...120000/131072"));
    EXPECT_TRUE(view.HasStatus(" EEPROM Uploading...256/256"));
    EXPECT_TRUE(PollUntil([&] { return sim->Usb()->Stats().restarts == 2; }));
    EXPECT_EQ(session->Usb(), nullptr);   // released with the dialog
}

// Holds the STB's USB pipes when the restart is asked for after the upload.
class HoldOnAnswer : public ScriptedPrompter {
public:
    GatedUsbBackend* gate = nullptr;
    PromptAnswer Ask(const std::string& text, const std::string& title, PromptButtons buttons, PromptIcon icon) override
    {
        gate->Hold();
        return ScriptedPrompter::Ask(text, title, buttons, icon);
    }
};

TEST_F(UploadWithSim, TheWindowGoesOnWhileTheStbHasNotTakenARestart)
{
    original = MakeDemoDocument();
    StbSimOptions options = SimOptions(true, dir.Path());
    sim = std::make_unique<StbSim>(ImageOf(*original), options);
    ASSERT_EQ(sim->Start(), "");
    HoldOnAnswer holding;
    holding.answers = {PromptAnswer::Yes};
    RecordingView holdingView(holding);
    session = MakeSession(holding, clock, "", options.usbSocket, ".", {}, &holding.gate);
    dialog = std::make_unique<CUploadController>(*session, holdingView);
    dialog->Open();
    ASSERT_TRUE(holdingView.PumpUntil([&] { return dialog->DeviceReady(); }));

    holding.gate->Hold();
    dialog->OnUpload();
    ASSERT_TRUE(PollUntil([&] { return holding.gate->Waiting() == 1; }));   // the restart is on its way
    EXPECT_FALSE(dialog->State().canStart);
    holding.gate->LetGo();
    ASSERT_TRUE(PollUntil([&] { return holding.gate->Waiting() == 0; }));
    // Read, then the question, whose Yes holds the second restart at the gate.
    ASSERT_TRUE(holdingView.PumpUntil([&] { return holding.gate->Waiting() == 1; }));
    EXPECT_TRUE(dialog->Success());
    EXPECT_FALSE(holdingView.CloseReady()) << "the link is released only once the frame is out";
    holding.gate->LetGo();
    ASSERT_TRUE(holdingView.PumpUntilClose());
    EXPECT_EQ(dialog->Image().flash, sim->Image().Snapshot().flash);
    EXPECT_TRUE(PollUntil([&] { return sim->Usb()->Stats().restarts == 2; }));
    dialog.reset();
    session.reset();
}

TEST_F(UploadWithSim, UsbReplyFaultsAreRetried)
{
    SimFaultPlan faults;
    faults.corruptReply = {2, 4};  // the flash size reply and a flash block
    faults.wrongPsnReply = {5};
    StartSim(true, faults);
    prompter.answers = {PromptAnswer::No};
    RunUpload();
    ASSERT_TRUE(CloseDialog(*dialog, view));
    EXPECT_EQ(dialog->Image().flash, sim->Image().Snapshot().flash);
}

TEST_F(UploadWithSim, RemovalMidUploadSaysItFailedAndDecodesNothing)
{
    SimFaultPlan faults;
    faults.leaveAtReply = {3};     // the device leaves instead of sending the first flash block
    StartSim(true, faults);
    RunUpload();
    EXPECT_FALSE(CloseDialog(*dialog, view));
    EXPECT_FALSE(dialog->WorkerRunning());
    EXPECT_TRUE(view.HasStatus("Communication Error!!"));
    EXPECT_FALSE(session->TransferResult());
    ASSERT_EQ(prompter.Texts(), std::vector<std::string>{"Upload Fail, Reboot Settop Box"});
    EXPECT_EQ(prompter.shown[0].title, "Notice");
    EXPECT_EQ(std::count(dialog->Image().flash.begin(), dialog->Image().flash.end(), 0), long(kPackedFlashSize));
    // Even when asked to, the partial image does not replace what the document holds.
    auto doc = MakeDemoDocument();
    EXPECT_EQ(DecodeUploadedImage(dialog->Image(), *doc, prompter), TransferCommandResult::Fail);
    EXPECT_EQ(prompter.Texts().back(), "Unpack Flash Error");
    EXPECT_TRUE(doc->m_bLoaded);
    EXPECT_TRUE(SameSettings(*doc, *original));
}

// Reports the loader's return before its departure, as a poll that sees both at once may.
class ReturnBeforeLeaving : public UsbBackend {
public:
    explicit ReturnBeforeLeaving(std::unique_ptr<UsbBackend> inner) : m_pInner(std::move(inner)) {}
    std::vector<std::string> Enumerate() override { return m_pInner->Enumerate(); }
    std::unique_ptr<UsbDevice> Open(const std::string& path) override { return m_pInner->Open(path); }
    void StopWatching() override { m_pInner->StopWatching(); }
    void Watch(UsbNotice arrival, UsbNotice removal) override
    {
        m_pInner->Watch(
            [this, arrival, removal](const std::string& path) {
                arrival(path);
                std::string left;
                {
                    std::lock_guard lock(m_Lock);
                    left.swap(m_Left);
                }
                if (!left.empty())
                    removal(left);
            },
            [this](const std::string& path) {
                std::lock_guard lock(m_Lock);
                m_Left = path;
            });
    }

private:
    std::unique_ptr<UsbBackend> m_pInner;
    std::mutex m_Lock;
    std::string m_Left;
};

TEST_F(UploadWithSim, ALoaderBackUnderANewAddressBeforeItsDepartureIsHeardStillUploads)
{
    original = MakeDemoDocument();
    StbSimOptions options = SimOptions(true, dir.Path());
    sim = std::make_unique<StbSim>(ImageOf(*original), options);
    ASSERT_EQ(sim->Start(), "");
    LinkSessionParts parts;
    parts.clock = &clock;
    parts.makeUsbBackend = [socket = options.usbSocket] {
        return std::make_unique<ReturnBeforeLeaving>(MakeSimUsbBackend(socket));
    };
    session = std::make_unique<CLinkSession>(prompter, std::move(parts));
    session->UseSettings({.bUsb = true});
    dialog = std::make_unique<CUploadController>(*session, view);
    prompter.answers = {PromptAnswer::No};
    RunUpload();
    EXPECT_TRUE(dialog->Success());
    EXPECT_EQ(dialog->Image().flash, sim->Image().Snapshot().flash);
}

// Refuses every open as a device without permission does, until the permission is given.
class DeniedUntilGiven : public UsbBackend {
public:
    DeniedUntilGiven(std::unique_ptr<UsbBackend> inner, const std::atomic<bool>& denied)
        : m_pInner(std::move(inner)), m_bDenied(denied)
    {
    }
    std::vector<std::string> Enumerate() override { return m_pInner->Enumerate(); }
    void Watch(UsbNotice arrival, UsbNotice removal) override { m_pInner->Watch(arrival, removal); }
    void StopWatching() override { m_pInner->StopWatching(); }
    std::unique_ptr<UsbDevice> Open(const std::string& path) override
    {
        m_bRefused = m_bDenied.load();
        return m_bRefused ? nullptr : m_pInner->Open(path);
    }
    UsbOpenFailure LastOpenFailure() const override { return {m_bRefused, 0x1209, 0x0001}; }

private:
    std::unique_ptr<UsbBackend> m_pInner;
    const std::atomic<bool>& m_bDenied;
    std::atomic<bool> m_bRefused{false};
};

TEST_F(UploadWithSim, AUsbDeviceRefusedAtOpeningStaysInSightUntilItOpensAfterTheFix)
{
    original = MakeDemoDocument();
    StbSimOptions options = SimOptions(true, dir.Path());
    sim = std::make_unique<StbSim>(ImageOf(*original), options);
    ASSERT_EQ(sim->Start(), "");
    static std::atomic<bool> denied;
    denied = true;
    LinkSessionParts parts;
    parts.clock = &clock;
    parts.makeUsbBackend = [socket = options.usbSocket] {
        return std::make_unique<DeniedUntilGiven>(MakeSimUsbBackend(socket), denied);
    };
    session = std::make_unique<CLinkSession>(prompter, std::move(parts));
    session->UseSettings({.bUsb = true});
    dialog = std::make_unique<CUploadController>(*session, view);
    dialog->Open();
    const std::string denial = view.LinkProblem();
    EXPECT_NE(denial.find("(1209:0001): permission denied.\n"), std::string::npos) << denial;
    EXPECT_NE(denial.find("/etc/udev/rules.d/70-orvanel-local.rules"), std::string::npos) << denial;
    EXPECT_EQ(dialog->LinkProblem(), denial);
    dialog->OnUpload();
    EXPECT_EQ(view.LastStatus(), "Waiting For Request. Reboot SetTop Box.");
    EXPECT_EQ(view.LinkProblem(), denial);
    // Closed now, the main window's status line would go on saying why.
    EXPECT_EQ(ClosingNote(*dialog), "Nothing was transferred: " + denial.substr(0, denial.find('\n')));

    // The rule is in place and the STB plugged in again: the device opens and the upload runs.
    denied = false;
    sim->Stop();
    ASSERT_EQ(sim->Start(), "");
    prompter.answers = {PromptAnswer::No};
    ASSERT_TRUE(view.PumpUntilClose());
    EXPECT_EQ(view.LinkProblem(), "");
    EXPECT_TRUE(dialog->Success());
}

TEST_F(UploadWithSim, ASerialPortThatDoesNotOpenSaysWhyBesideTheStatus)
{
    session = MakeSession(prompter, clock, (dir / "ttyGone").string());
    dialog = std::make_unique<CUploadController>(*session, view);
    dialog->Open();
    dialog->OnUpload();
    EXPECT_EQ(view.LastStatus(), "Port Open Fail");
    EXPECT_EQ(view.LinkProblem(), (dir / "ttyGone").string() + ": No such file or directory");
    EXPECT_EQ(ClosingNote(*dialog), "Nothing was transferred: " + view.LinkProblem());
}

// The STB side played frame by frame over a pseudo-terminal.
class UploadWithScriptedStb : public ::testing::Test {
protected:
    void SetUp() override
    {
        session = MakeSession(prompter, clock, stb.SlavePath());
        dialog = std::make_unique<CUploadController>(*session, view);
        dialog->Open();
        dialog->OnUpload();
        LinkFrame reboot;
        ASSERT_TRUE(stb.Receive(reboot));
        EXPECT_EQ(SerialFrameBytes(reboot), (std::vector<uint8_t>{'Z', 'e', 'N', 'o', 0, 11, 0, 11}));
    }
    void Expect(uint8_t psn, uint8_t cmd)
    {
        LinkFrame frame;
        ASSERT_TRUE(stb.Receive(frame));
        EXPECT_EQ(frame.psn, psn);
        EXPECT_EQ(frame.cmd, cmd);
    }

    ScriptedSerialStb stb;
    ScriptedPrompter prompter;
    FakeClock clock;
    RecordingView view{prompter};
    std::unique_ptr<CLinkSession> session;
    std::unique_ptr<CUploadController> dialog;
};

TEST_F(UploadWithScriptedStb, SizeBeyondTheDestinationFailsWithoutReading)
{
    stb.Send(Hello(0x10, 0));
    Expect(0x10, CMD_UPLOAD_REQ);
    LinkFrame sizeRequest;
    ASSERT_TRUE(stb.Receive(sizeRequest));
    ASSERT_EQ(sizeRequest.cmd, CMD_SIZE_REQ);
    EXPECT_EQ(sizeRequest.psn, 0x11);
    EXPECT_EQ(sizeRequest.payload, std::vector<uint8_t>{DATA_FLASH});
    LinkFrame reply{0x11, CMD_SIZE_REPLY, {0x02, 0x00, 0x01}};   // 0x20001 bytes
    stb.Send(reply);
    Expect(0x12, CMD_END);
    ASSERT_TRUE(view.PumpUntil([&] { return !dialog->WorkerRunning(); }));
    EXPECT_TRUE(view.HasStatus("Communication Error!!"));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Upload Fail, Reboot Settop Box"});
    EXPECT_FALSE(view.CloseReady());   // the dialog stays open with the failure
    EXPECT_FALSE(CloseDialog(*dialog, view));
    EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(UploadWithScriptedStb, ResyncWhileSettlingAwaitsASecondHello)
{
    // The settle polls sleep for real here, so that the resync arrives while they run.
    clock.realSleep = true;
    stb.Send(Hello(0x10, 10));
    Expect(0x10, CMD_UPLOAD_REQ);
    stb.Send({0x30, CMD_RESYNC, {}});
    ASSERT_TRUE(stb.Quiet(std::chrono::milliseconds(100)));   // nothing is asked before the next hello
    int before = clock.Count(std::chrono::milliseconds(50));
    EXPECT_GE(before, 1);
    stb.Send(Hello(0x40, 10));
    Expect(0x40, CMD_UPLOAD_REQ);
    Expect(0x41, CMD_SIZE_REQ);
    // A model 10 STB gets ten 50 ms settle polls before the size request.
    EXPECT_EQ(clock.Count(std::chrono::milliseconds(50)) - before, 10);
    EXPECT_FALSE(CloseDialog(*dialog, view));
}

}  // namespace
