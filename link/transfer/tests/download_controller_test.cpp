#include "link/transfer/download_controller.h"
#include "editing/svc_edit.h"
#include "editing/svc_sort.h"
#include "link/transfer/download_image.h"
#include "settings/service_purge.h"
#include "tools/stb_sim/stb_sim.h"
#include "link/transfer/tests/transfer_fixture.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>


namespace {

using testing_support::PollUntil;

// The edits a user makes before a download: a rename, a deleted service and a sort.
void EditDocument(COrvanel1Doc& doc)
{
    Appl_ChangeTvSvcName(doc, 0, "Renamed Channel");
    ASSERT_TRUE(Appl_DeleteSvc(doc, kTvKind, {3}));
    ASSERT_TRUE(Appl_SortSvcList(doc, kRadioKind, kSortAlphabetic));
}

class DownloadWithSim : public ::testing::Test {
protected:
    void StartSim(bool usb, SimFaultPlan faults = {}, GatedUsbBackend** gate = nullptr)
    {
        doc = MakeDemoDocument();
        doc->m_pPrompter = &prompter;
        doc->m_SideFileFolder = dir.Path();
        StbSimOptions options = SimOptions(usb, dir.Path(), std::move(faults));
        sim = std::make_unique<StbSim>(ImageOf(*doc), options);
        ASSERT_EQ(sim->Start(), "");
        session = MakeSession(prompter, clock, usb ? "" : sim->SerialPath(), options.usbSocket, dir.Path(), {}, gate);
        dialog = std::make_unique<CDownloadController>(*session, *doc, view);
    }
    void RunDownload()
    {
        dialog->Open();
        if (session->UsbMode()) {
            ASSERT_TRUE(view.PumpUntil([&] { return dialog->DeviceReady(); }));
        }
        dialog->OnDownload();
        ASSERT_TRUE(view.PumpUntilClose());
    }
    LoaderStats Stats() { return sim->Serial() ? sim->Serial()->Stats() : sim->Usb()->Stats(); }
    // What the STB holds now, decoded.
    std::unique_ptr<COrvanel1Doc> Held() { return DecodeImage(sim->Image().Snapshot()); }

    testing_support::TempFolder dir;
    ScriptedPrompter prompter;
    FakeClock clock;
    RecordingView view{prompter};
    std::unique_ptr<COrvanel1Doc> doc;
    std::unique_ptr<StbSim> sim;
    std::unique_ptr<CLinkSession> session;
    std::unique_ptr<CDownloadController> dialog;
};

TEST_F(DownloadWithSim, SerialDownloadLeavesTheEditedSettingsInTheStb)
{
    StartSim(false);
    EditDocument(*doc);
    prompter.answers = {PromptAnswer::Yes};
    RunDownload();
    ASSERT_TRUE(CloseDialog(*dialog, view));
    EXPECT_EQ(DownloadResult(session->TransferResult()), TransferCommandResult::Ok);
    EXPECT_EQ(Stats().downloadsDone, 1u);
    auto held = Held();
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(SameSettings(*held, *doc));
    EXPECT_EQ(sim->Image().Snapshot().flash, doc->m_RePackedFlash);
    EXPECT_EQ(Appl_GetSvcName(*held, kTvKind, 0), "Renamed Channel");
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Download Success, Reboot Settop Box"});
    // Yes waits 3 s before the restart.
    EXPECT_EQ(view.DelayCount(std::chrono::milliseconds(3000)), 1);
    EXPECT_TRUE(PollUntil([&] { return Stats().restarts == 2; }));
    EXPECT_TRUE(view.HasStatus("Downloading Processing.."));
    EXPECT_EQ(view.Progress().back(), 100);
    EXPECT_FALSE(view.TimerRunning());
    EXPECT_TRUE(std::filesystem::exists(dir / kDownloadImageName));
}

TEST_F(DownloadWithSim, UsbDownloadServesTheImageAndRestartsOnYes)
{
    StartSim(true);
    EditDocument(*doc);
    prompter.answers = {PromptAnswer::Yes};
    RunDownload();
    ASSERT_TRUE(CloseDialog(*dialog, view));
    EXPECT_TRUE(view.HasStatus("Completely Transfered!"));
    auto held = Held();
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(SameSettings(*held, *doc));
    EXPECT_TRUE(PollUntil([&] { return Stats().restarts == 2; }));
    EXPECT_EQ(session->Usb(), nullptr);
}

TEST_F(DownloadWithSim, TheWindowGoesOnWhileTheStbHasNotTakenTheRestart)
{
    GatedUsbBackend* gate = nullptr;
    StartSim(true, {}, &gate);
    prompter.answers = {PromptAnswer::No};
    dialog->Open();
    ASSERT_TRUE(view.PumpUntil([&] { return dialog->DeviceReady(); }));
    gate->Hold();
    dialog->OnDownload();
    ASSERT_TRUE(PollUntil([&] { return gate->Waiting() == 1; }));   // the restart is on its way
    EXPECT_FALSE(dialog->State().canStart);
    gate->LetGo();
    ASSERT_TRUE(view.PumpUntilClose());
    EXPECT_TRUE(dialog->Success());
    EXPECT_EQ(Stats().downloadsDone, 1u);
}

TEST_F(DownloadWithSim, NoAnswerLeavesTheStbAsItWas)
{
    StartSim(true);
    StbImage before = sim->Image().Snapshot();
    EditDocument(*doc);
    prompter.answers = {PromptAnswer::No};
    RunDownload();
    ASSERT_TRUE(CloseDialog(*dialog, view));
    EXPECT_NE(sim->Image().Snapshot().flash, before.flash);
    EXPECT_TRUE(PollUntil([&] { return Stats().restarts == 1; }));
    EXPECT_EQ(view.DelayCount(std::chrono::milliseconds(3000)), 0);
}

TEST_F(DownloadWithSim, UsbStbOfAnotherModelIsRefusedAndGetsNothing)
{
    SimFaultPlan faults;
    faults.helloModelId = 0x42;
    StartSim(true, faults);
    StbImage before = sim->Image().Snapshot();
    dialog->Open();
    ASSERT_TRUE(view.PumpUntil([&] { return dialog->DeviceReady(); }));
    dialog->OnDownload();
    ASSERT_TRUE(view.PumpUntil([&] { return view.LastStatus() == "Error : Invalid STB type."; }));
    EXPECT_FALSE(CloseDialog(*dialog, view));
    EXPECT_EQ(sim->Image().Snapshot().flash, before.flash);
    EXPECT_TRUE(prompter.shown.empty());   // nothing began, so no failure box
}

TEST_F(DownloadWithSim, SerialStbOfAnotherLayoutIsRefused)
{
    SimFaultPlan faults;
    faults.helloLayoutVersion = 0x99;
    StartSim(false, faults);
    dialog->Open();
    dialog->OnDownload();
    ASSERT_TRUE(view.PumpUntil([&] { return !dialog->WorkerRunning(); }));
    EXPECT_EQ(view.LastStatus(), "Error : Invalid STB type.");
    EXPECT_FALSE(CloseDialog(*dialog, view));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Download Fail, Reboot Settop Box"});
    EXPECT_EQ(Stats().downloadsDone, 0u);
}

TEST_F(DownloadWithSim, AnImageThatCannotBeBuiltNeverReachesTheStb)
{
    StartSim(false);
    doc->m_bLoaded = false;
    dialog->Open();
    dialog->OnDownload();
    EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"Error : Downloading Processe", "Download Error"}));
    EXPECT_EQ(view.LastStatus(), "Error : File Create error.");
    EXPECT_FALSE(dialog->WorkerRunning());
    EXPECT_FALSE(CloseDialog(*dialog, view));
    EXPECT_EQ(Stats().restarts, 0u);
}

LinkFrame Hello(uint8_t psn, const COrvanel1Doc& doc)
{
    HelloPayload hello;
    hello.systemId = doc.m_ExpectedSystemId;
    std::copy_n(doc.m_HeaderCopy.begin(), hello.header.size(), hello.header.begin());
    LinkFrame frame{psn, CMD_HELLO, std::vector<uint8_t>(kHelloPayloadSize)};
    EncodeHello(hello, frame.payload.data());
    return frame;
}

LinkFrame ReadRequestFrame(uint8_t psn, uint32_t length, uint32_t offset)
{
    LinkFrame frame{psn, CMD_READ_REQ, std::vector<uint8_t>(kSerialReadRequestSize)};
    EncodeSerialReadRequest({length, offset}, frame.payload.data());
    return frame;
}

// The serial STB played frame by frame: the test is the loader asking for the image.
class DownloadWithScriptedStb : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc = MakeDemoDocument();
        doc->m_pPrompter = &prompter;
        doc->m_SideFileFolder = dir.Path();
        session = MakeSession(prompter, clock, stb.SlavePath(), "", dir.Path());
        dialog = std::make_unique<CDownloadController>(*session, *doc, view);
        dialog->Open();
        dialog->OnDownload();
        LinkFrame reboot;
        ASSERT_TRUE(stb.Receive(reboot));
        ASSERT_EQ(reboot.cmd, CMD_REBOOT);
        image = testing_support::ReadFileBytes(dir / kDownloadImageName);
    }
    void Greet()
    {
        stb.Send(Hello(0x50, *doc));
        LinkFrame ack;
        ASSERT_TRUE(stb.Receive(ack));
        EXPECT_EQ(ack.cmd, CMD_HELLO_ACK);
        EXPECT_EQ(ack.psn, 0x50);
    }
    void ExpectData(uint8_t psn, uint32_t length, uint32_t offset)
    {
        LinkFrame data;
        ASSERT_TRUE(stb.Receive(data));
        EXPECT_EQ(data.cmd, CMD_READ_DATA);
        EXPECT_EQ(data.psn, psn);
        EXPECT_EQ(data.payload, std::vector<uint8_t>(image.begin() + offset, image.begin() + offset + length));
    }

    testing_support::TempFolder dir;
    ScriptedSerialStb stb;
    ScriptedPrompter prompter;
    FakeClock clock;
    RecordingView view{prompter};
    std::unique_ptr<COrvanel1Doc> doc;
    std::unique_ptr<CLinkSession> session;
    std::unique_ptr<CDownloadController> dialog;
    std::vector<uint8_t> image;
};

TEST_F(DownloadWithScriptedStb, ARequestRepeatedAtOnceIsAnsweredOnceAndLaterAgain)
{
    Greet();
    stb.Send(ReadRequestFrame(1, 10, 0));
    stb.Send(ReadRequestFrame(2, 10, 0));
    ExpectData(1, 10, 0);
    stb.Send(ReadRequestFrame(3, 255, 10));
    ExpectData(3, 255, 10);   // the repeat got no answer: this is the next frame
    stb.Send(ReadRequestFrame(4, 255, 10));
    ExpectData(4, 255, 10);   // the repeat counter is spent for the session
    EXPECT_FALSE(CloseDialog(*dialog, view, true));
}

TEST_F(DownloadWithScriptedStb, ARequestBeyondTheImageIsReportedAndServingGoesOn)
{
    ASSERT_GT(image.size(), 255u);
    Greet();
    stb.Send(ReadRequestFrame(1, 255, uint32_t(image.size()) - 254));
    stb.Send(ReadRequestFrame(2, 254, uint32_t(image.size()) - 254));
    ExpectData(2, 254, uint32_t(image.size()) - 254);
    EXPECT_TRUE(view.HasStatus("Error : File size is over."));
    prompter.answers = {PromptAnswer::No};
    stb.Send({3, CMD_END, {}});
    ASSERT_TRUE(view.PumpUntilClose());
    EXPECT_TRUE(dialog->Success());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Download Success, Reboot Settop Box"});
}

TEST_F(DownloadWithScriptedStb, AnEndBeforeTheLastByteIsAFailedDownload)
{
    Greet();
    stb.Send(ReadRequestFrame(1, 10, 0));
    ExpectData(1, 10, 0);
    stb.Send({2, CMD_END, {}});
    ASSERT_TRUE(view.PumpUntilClose());
    EXPECT_EQ(view.LastStatus(), "Fail!");
    EXPECT_FALSE(CloseDialog(*dialog, view));
    EXPECT_FALSE(session->TransferResult());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Download Fail, Reboot Settop Box"});
}

TEST_F(DownloadWithScriptedStb, RequestsBeforeTheHelloAreIgnored)
{
    stb.Send(ReadRequestFrame(1, 10, 0));
    EXPECT_TRUE(stb.Quiet(std::chrono::milliseconds(100)));
    Greet();
    stb.Send({9, CMD_SIZE_REQ, {2}});   // another command: requests wait for a new hello
    stb.Send(ReadRequestFrame(2, 10, 0));
    EXPECT_TRUE(stb.Quiet(std::chrono::milliseconds(100)));
    Greet();
    stb.Send(ReadRequestFrame(3, 10, 0));
    ExpectData(3, 10, 0);
    EXPECT_FALSE(CloseDialog(*dialog, view, true));
}

TEST_F(DownloadWithScriptedStb, WatchdogFiresAtTheFourthSilentTickAfterTheLastRequest)
{
    // Before the STB greets, the watchdog is disarmed.
    for (int i = 0; i < 10; ++i)
        view.FireTimer();
    EXPECT_EQ(dialog->WatchdogCount(), -1);
    Greet();
    stb.Send(ReadRequestFrame(1, 10, 0));
    ExpectData(1, 10, 0);
    for (int i = 0; i < 3; ++i)
        view.FireTimer();
    EXPECT_EQ(dialog->WatchdogCount(), 3);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(session->PortOpen());
    view.FireTimer();
    // The port closes once the worker has ended, without the window waiting for it.
    ASSERT_TRUE(view.PumpUntil([&] { return !prompter.shown.empty(); }));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"External Error Occurred!"});
    EXPECT_EQ(view.LastStatus(), "External Error Occurred!");
    EXPECT_FALSE(session->PortOpen());
    EXPECT_FALSE(view.TimerRunning());
    EXPECT_FALSE(dialog->WorkerRunning());
    view.FireTimer();
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_FALSE(CloseDialog(*dialog, view));
}

TEST_F(DownloadWithScriptedStb, EveryRequestRearmsTheWatchdog)
{
    Greet();
    for (uint8_t psn = 1; psn <= 3; ++psn) {
        view.FireTimer();
        view.FireTimer();
        view.FireTimer();
        stb.Send(ReadRequestFrame(psn, 100, psn * 100u));
        ExpectData(psn, 100, psn * 100u);
        ASSERT_TRUE(PollUntil([&] { return dialog->WatchdogCount() == 0; }));
    }
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(CloseDialog(*dialog, view, true));
}

TEST_F(DownloadWithScriptedStb, StopAndExitClosesThePortAndReportsTheBrokenDownload)
{
    Greet();
    stb.Send(ReadRequestFrame(1, 10, 0));
    ExpectData(1, 10, 0);
    EXPECT_FALSE(CloseDialog(*dialog, view, true));
    EXPECT_FALSE(session->PortOpen());
    EXPECT_FALSE(dialog->WorkerRunning());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Download Fail, Reboot Settop Box"});
    EXPECT_EQ(view.DelayCount(std::chrono::milliseconds(3000)), 0);
}

}  // namespace
