// The downloader's controller on the real session and transport, with the simulated STB
// loading firmware over the USB simulation socket and a test "window" taking the posted
// messages on its own thread.
#include "downloader/testing/zbdn_testing.h"
#include "usb/sim_usb_backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

TEST(ZbdFileName, ExtensionAfterTheFirstDotOfTheLastComponent)
{
    EXPECT_TRUE(IsZbdFileName("M700.zbd"));
    EXPECT_TRUE(IsZbdFileName("/tmp/x/M700.ZbD"));
    EXPECT_TRUE(IsZbdFileName("C:\\fw\\M700.zbdx"));
    EXPECT_TRUE(IsZbdFileName("dir.zip/M700.zbd.bak"));
    EXPECT_FALSE(IsZbdFileName("M700.v2.zbd"));   // the first dot counts
    EXPECT_FALSE(IsZbdFileName("/tmp/a.zbd/M700"));
    EXPECT_FALSE(IsZbdFileName("C:\\a.zbd\\M700.zip"));
    EXPECT_FALSE(IsZbdFileName("M700.zb"));
    EXPECT_FALSE(IsZbdFileName("M700zbd"));
}

class ZbdnControllerTest : public ::testing::Test {
protected:
    std::string Socket() const { return (scratch / "usb.sock").string(); }
    std::vector<uint8_t> MakeImage(uint32_t size) { return WriteRandomFile(image, size, size); }
    void StartStb(uint32_t size, SimFaultPlan faults = {})
    {
        stb = MakeFirmwareStb(Socket(), received, size, std::move(faults));
        ASSERT_EQ(stb->Start(), "");
    }
    bool Idle() { return zbdn.view.inputEnabled && !zbdn.controller.StartRequested(); }

    testing_support::TempFolder scratch;
    std::filesystem::path image = scratch / "M700.zbd";
    std::filesystem::path received = scratch / "received.bin";
    HeadlessZbdn zbdn{Socket()};
    std::unique_ptr<StbSim> stb;
};

TEST_F(ZbdnControllerTest, WaitsForTheLoaderThenServesTheImageAndKeepsThePath)
{
    auto bytes = MakeImage(200000);
    zbdn.controller.Open("");
    EXPECT_TRUE(zbdn.view.retryTimer);
    zbdn.controller.OnDownload(image.string());
    // What to do, and whether the loader is there yet.
    EXPECT_EQ(zbdn.view.LastStatus(),
              "Wait Download\nSwitch the STB off and on to start its loader.\nLoader: not connected");
    EXPECT_FALSE(zbdn.view.inputEnabled);
    StartStb(uint32_t(bytes.size()));
    ASSERT_TRUE(zbdn.PumpUntil([&] { return Idle(); }));
    EXPECT_NE(std::find(zbdn.view.statuses.begin(), zbdn.view.statuses.end(),
                        "Wait Download\nGreeting the STB's loader...\nLoader: connected"),
              zbdn.view.statuses.end());
    EXPECT_EQ(zbdn.view.LastStatus(), "Completely Transfered!");
    EXPECT_EQ(testing_support::ReadFileBytes(received), bytes);
    EXPECT_EQ(zbdn.view.progress.back(), 100);  // the bar stays full after a complete transfer
    EXPECT_FALSE(zbdn.view.retryTimer);
    EXPECT_FALSE(zbdn.session.ImageOpen());
    EXPECT_EQ(zbdn.profile.values["ZBDOWN_USB/PATH"], image.string());
    EXPECT_EQ(zbdn.controller.FindInitialName(), image.string());
}

TEST_F(ZbdnControllerTest, AFailedGreetingWaitsForTheNextArrival)
{
    auto bytes = MakeImage(5000);
    zbdn.controller.Open("");
    zbdn.controller.OnDownload(image.string());
    SimFaultPlan noAnswer;
    noAnswer.dropReply = {1};   // the greeting's answer
    StartStb(uint32_t(bytes.size()), noAnswer);
    ASSERT_TRUE(zbdn.PumpUntil([&] { return stb->Usb()->Stats().replies >= 1; }));
    stb.reset();   // the STB restarts: removal, then a new arrival that answers
    StartStb(uint32_t(bytes.size()));
    ASSERT_TRUE(zbdn.PumpUntil([&] { return Idle(); }));
    EXPECT_EQ(zbdn.view.LastStatus(), "Completely Transfered!");
    EXPECT_EQ(testing_support::ReadFileBytes(received), bytes);
}

TEST_F(ZbdnControllerTest, ALoaderAlreadyThereIsGreetedWhenDownloadIsPressed)
{
    auto bytes = MakeImage(20000);
    StartStb(uint32_t(bytes.size()));
    zbdn.controller.Open("");
    ASSERT_TRUE(zbdn.PumpUntil([&] { return zbdn.controller.DevicePresent(); }));
    zbdn.controller.OnDownload(image.string());
    EXPECT_EQ(zbdn.view.LastStatus(), ZbdnWaitingText(ZbdnLoader::Greeting));
    ASSERT_TRUE(zbdn.PumpUntil([&] { return Idle(); }));
    EXPECT_EQ(zbdn.view.LastStatus(), "Completely Transfered!");
    EXPECT_EQ(testing_support::ReadFileBytes(received), bytes);
}

TEST_F(ZbdnControllerTest, AConnectedDeviceThatDoesNotAnswerIsNotCalledAWaitingLoader)
{
    auto bytes = MakeImage(5000);
    SimFaultPlan noAnswer;
    noAnswer.dropReply = {1};   // the greeting's answer
    StartStb(uint32_t(bytes.size()), noAnswer);
    zbdn.controller.Open("");
    ASSERT_TRUE(zbdn.PumpUntil([&] { return zbdn.controller.DevicePresent(); }));
    zbdn.controller.OnDownload(image.string());
    ASSERT_TRUE(zbdn.PumpUntil([&] { return zbdn.view.LastStatus() == ZbdnWaitingText(ZbdnLoader::Silent); }))
        << zbdn.view.LastStatus();
    EXPECT_NE(zbdn.view.LastStatus().find("switch the STB off and on"), std::string::npos);
    EXPECT_TRUE(zbdn.controller.StartRequested());
}

TEST_F(ZbdnControllerTest, AnEmptyImageIsRefusedBeforeTheLoaderIsGreeted)
{
    StartStb(100);
    MakeImage(0);
    zbdn.controller.Open("");
    ASSERT_TRUE(zbdn.PumpUntil([&] { return zbdn.controller.DevicePresent(); }));
    zbdn.controller.OnDownload(image.string());
    EXPECT_EQ(zbdn.view.LastStatus(), kZbdnEmptyImageText);
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(zbdn.session.ImageOpen());
    EXPECT_FALSE(zbdn.PumpUntil([&] { return stb->Usb()->Stats().replies > 0; }, std::chrono::milliseconds(300)));
}

// A loader that reads 32 bytes at a time: thousands of requests, and the window hears
// only of what changed.
TEST_F(ZbdnControllerTest, TheWindowHearsOfChangesNotOfEveryBlock)
{
    auto bytes = MakeImage(64 * 1024);
    stb = MakeFirmwareStb(Socket(), received, uint32_t(bytes.size()), {}, 32);
    ASSERT_EQ(stb->Start(), "");
    zbdn.controller.Open("");
    zbdn.controller.OnDownload(image.string());
    ASSERT_TRUE(zbdn.PumpUntil([&] { return Idle(); }, std::chrono::seconds(60)));
    ASSERT_EQ(zbdn.view.LastStatus(), "Completely Transfered!");
    EXPECT_LE(zbdn.view.statuses.size(), 6u);
    EXPECT_LE(zbdn.view.progress.size(), 102u);
    EXPECT_TRUE(std::is_sorted(zbdn.view.progress.begin(), zbdn.view.progress.end()));
    EXPECT_EQ(zbdn.view.progress.back(), 100);
}

TEST_F(ZbdnControllerTest, ATransferThatEndsUnderTheStopQuestionClosesIt)
{
    auto bytes = MakeImage(256 * 1024);
    stb = MakeFirmwareStb(Socket(), received, uint32_t(bytes.size()), {}, 32);
    ASSERT_EQ(stb->Start(), "");
    zbdn.controller.Open("");
    zbdn.controller.OnDownload(image.string());
    ASSERT_TRUE(zbdn.PumpUntil([&] { return zbdn.session.WorkerRunning(); }));
    zbdn.controller.OnStopAndExit();
    EXPECT_TRUE(zbdn.controller.AskingStop());
    ASSERT_TRUE(zbdn.PumpUntil([&] { return Idle(); }, std::chrono::seconds(60)));
    EXPECT_EQ(zbdn.view.questionsEnded, 1);
    EXPECT_FALSE(zbdn.controller.AskingStop());
    zbdn.controller.OnStopAnswer(true);   // an answer to a question no longer asked
    EXPECT_FALSE(zbdn.controller.Closing());
    EXPECT_EQ(zbdn.view.LastStatus(), "Completely Transfered!");
    EXPECT_EQ(testing_support::ReadFileBytes(received), bytes);
}

TEST_F(ZbdnControllerTest, FileChoiceErrorsNameThePathAndDownloadNeedsAReadableFile)
{
    zbdn.controller.Open("");
    EXPECT_EQ(zbdn.controller.FindInitialName(), "*.ZBD");
    std::string missing = (scratch / "gone.zbd").string();
    zbdn.controller.OnFileChosen(missing);
    EXPECT_EQ(zbdn.view.LastStatus(), "File Open Error : " + missing);
    zbdn.controller.OnFilesDropped({missing, image.string()});
    EXPECT_EQ(zbdn.view.LastStatus(), "File Open Error : " + missing);
    zbdn.controller.OnDownload((scratch / "").string());   // a folder
    EXPECT_EQ(zbdn.view.LastStatus(), "File Open Error!");
    EXPECT_TRUE(zbdn.view.inputEnabled);
    EXPECT_TRUE(zbdn.profile.values.empty());
    MakeImage(10);
    zbdn.controller.OnFileChosen(image.string());
    EXPECT_EQ(zbdn.view.fileName, image.string());
    EXPECT_EQ(zbdn.controller.ImageSize(), 10u);
}

TEST_F(ZbdnControllerTest, CommandLineModeEndsWithTheTransferAndReportsFailure)
{
    auto bytes = MakeImage(3000);
    SimFaultPlan early;
    early.endAtRequest = 1;
    StartStb(uint32_t(bytes.size()), early);
    zbdn.controller.Open(image.string());
    EXPECT_EQ(zbdn.view.fileName, image.string());
    ASSERT_TRUE(zbdn.PumpUntil([&] { return zbdn.view.exitCode != -1; }));
    EXPECT_EQ(zbdn.view.exitCode, ZBDN_EXIT_FAILED);
    EXPECT_EQ(zbdn.session.StatusText(), "Fail!");
}

TEST_F(ZbdnControllerTest, StopWhileServingWaitsForTheWorkerAndSaysNothing)
{
    auto bytes = MakeImage(300000);
    SimFaultPlan stalls;
    stalls.silentFromReply = 4;   // the worker then waits in a read
    StartStb(uint32_t(bytes.size()), stalls);
    zbdn.controller.Open("");
    zbdn.controller.OnDownload(image.string());
    ASSERT_TRUE(zbdn.PumpUntil([&] { return zbdn.view.LastStatus() == "Downloading Processing.."; }));
    zbdn.controller.OnStopAndExit();  // asked first: No goes on
    zbdn.controller.OnStopAndExit();  // one question at a time
    zbdn.controller.OnStopAnswer(false);
    EXPECT_FALSE(zbdn.controller.Closing());
    EXPECT_TRUE(zbdn.session.WorkerRunning());
    zbdn.controller.OnStopAndExit();
    zbdn.controller.OnStopAnswer(true);
    EXPECT_EQ(zbdn.view.questions, (std::vector<std::string>{kZbdnStopQuestion, kZbdnStopQuestion}));
    ASSERT_TRUE(zbdn.PumpUntil([&] { return zbdn.view.exitCode != -1; }));
    EXPECT_FALSE(zbdn.session.WorkerRunning());
    EXPECT_FALSE(zbdn.session.ImageOpen());
    EXPECT_EQ(zbdn.view.LastStatus(), "Downloading Processing..");
    EXPECT_EQ(zbdn.view.exitCode, ZBDN_EXIT_DELIVERED);   // not in command-line mode
}

// The simulation back end, except that the first opens of a device fail.
class RefusingBackend : public UsbBackend {
public:
    RefusingBackend(const std::string& socket, int refusals) : m_pInner(MakeSimUsbBackend(socket)), m_Refusals(refusals) {}
    std::vector<std::string> Enumerate() override { return m_pInner->Enumerate(); }
    void Watch(UsbNotice arrival, UsbNotice removal) override { m_pInner->Watch(arrival, removal); }
    void StopWatching() override { m_pInner->StopWatching(); }
    std::unique_ptr<UsbDevice> Open(const std::string& path) override
    {
        return m_Refusals-- > 0 ? nullptr : m_pInner->Open(path);
    }

private:
    std::unique_ptr<UsbBackend> m_pInner;
    int m_Refusals;
};

TEST_F(ZbdnControllerTest, TheRetryTimerOpensTheDeviceWhoseArrivalFailed)
{
    StartStb(100);
    HeadlessZbdn refused(std::make_unique<RefusingBackend>(Socket(), 2));
    refused.controller.Open("");
    EXPECT_TRUE(refused.view.retryTimer);
    refused.controller.OnRetryTimer();   // the trial open fails too
    EXPECT_FALSE(refused.controller.DevicePresent());
    refused.controller.OnRetryTimer();
    EXPECT_TRUE(refused.controller.DevicePresent());
    EXPECT_FALSE(refused.view.retryTimer);
    EXPECT_TRUE(refused.session.DeviceOpen());
}

}  // namespace
