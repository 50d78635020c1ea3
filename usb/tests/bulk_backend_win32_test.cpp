// The Win32 back end under the real transport and link, against a fake of the loader's
// bulk driver that carries the transfers to the simulated loader.
#include "usb/tests/fake_bulk_driver_win32.h"

#include "link/usb_link.h"
#include "tools/stb_sim/testing/sim_test_images.h"
#include "usb/tests/auto_listener.h"
#include "usb/system_error.h"
#include "usb/usb_transport.h"

#include "common/testing/scripted_prompter.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace {

constexpr uint16_t kSystemId = 0x0C0D;

using testing_support::PollUntil;

TEST(BulkDriverBackend, WineHasNoLoaderAndTheSimulationIsRefused)
{
    ASSERT_EQ(_putenv("ORVANEL_USB_SIM="), 0);
    auto backend = MakeUsbBackend({});
    ASSERT_NE(backend, nullptr);
    EXPECT_TRUE(backend->Enumerate().empty());
    EXPECT_EQ(backend->Open("\\\\?\\usb#vid_1209&pid_0001#1#{fd8f99a2-0278-4e06-9ab6-80497c4c99c5}"), nullptr);
    testing::internal::CaptureStderr();
    UsbBackendConfig config;
    config.simSocket = "stb.sock";
    EXPECT_EQ(MakeUsbBackend(config), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("not available on Windows"), std::string::npos);
}

class BulkBackendTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        transport->StopNotices();
        transport.reset();
        backend.reset();
    }

    StbImage held = MakeTestImage(kSystemId, 10, 0x27, 5);
    std::shared_ptr<FakeBulkDriver> driver = std::make_shared<FakeBulkDriver>();
    std::unique_ptr<UsbBackend> backend = MakeBulkDriverBackend(driver);
    std::atomic<bool> abort{false};
    std::unique_ptr<CUsbTransport> transport = std::make_unique<CUsbTransport>(*backend, abort);
    AutoListener listener{*transport};
    LinkState state;
    ScriptedPrompter prompter;
    CUsbLink link{*transport, state, prompter};
    std::vector<std::string> statuses;
    LinkReport report{[this](const std::string& s) { statuses.push_back(s); }, nullptr};
};

TEST_F(BulkBackendTest, DiscoveryOpensTheFirstOfTwoDevicesAndItsPipesByName)
{
    EXPECT_TRUE(backend->Enumerate().empty());
    EXPECT_FALSE(transport->RegisterAndDiscover(listener));
    transport->StopNotices();
    std::string first = driver->Plug(held);
    EXPECT_EQ(backend->Enumerate(), std::vector<std::string>{first});
    std::string second = driver->Plug(held);
    EXPECT_EQ(backend->Enumerate(), (std::vector<std::string>{first, second}));

    ASSERT_TRUE(transport->RegisterAndDiscover(listener));
    EXPECT_TRUE(transport->Holds(first));
    EXPECT_EQ(transport->TakeWaitingArrival(), second);
    EXPECT_EQ(driver->OpenedNames(), (std::vector<std::string>{first, first + "\\INTERFACE_0x00\\PIPE_0x00",
                                                               first + "\\INTERFACE_0x00\\PIPE_0x01"}));
    EXPECT_EQ(driver->OptionsSent(), std::vector<uint32_t>{1});
    uint16_t vid, pid;
    ASSERT_TRUE(transport->DeviceIdentity(vid, pid));
    EXPECT_EQ(vid, 0x1209);
    EXPECT_EQ(pid, 0x0001);
    EXPECT_EQ(transport->InPacketSize(), 64u);
    uint32_t version, checked;
    ASSERT_TRUE(transport->GetDriverInfo(version, checked));
    EXPECT_EQ(version, kExpectedDriverVersion);
    std::vector<UsbCandidate> candidates = backend->Candidates();
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[1].path, second);
    EXPECT_EQ(candidates[1].idVendor, 0x1209);
    EXPECT_EQ(candidates[1].product, "STB loader");
}

TEST_F(BulkBackendTest, WholeSettingsUploadArrivesByteForByte)
{
    ASSERT_FALSE(transport->RegisterAndDiscover(listener));
    transport->InitDevice();
    std::string path = driver->Plug(held);
    ASSERT_TRUE(PollUntil([&] { return transport->IsOpen(); }));
    EXPECT_TRUE(transport->Holds(path));
    ASSERT_EQ(link.Handshake(false), UsbHandshake::Ok);
    EXPECT_EQ(state.systemId, kSystemId);
    EXPECT_EQ(state.StbModelId(), 10);
    std::vector<uint8_t> flash(0x20000), eeprom(0x100);
    uint32_t size;
    ASSERT_EQ(link.ReadData(DATA_FLASH, flash.data(), uint32_t(flash.size()), size, report), LinkResult::Ok);
    ASSERT_EQ(link.ReadData(DATA_EEPROM, eeprom.data(), uint32_t(eeprom.size()), size, report), LinkResult::Ok);
    EXPECT_TRUE(link.SendFrame(state.NextPsn(), CMD_END));
    EXPECT_EQ(flash, held.flash);
    EXPECT_EQ(eeprom, held.eeprom);
    EXPECT_TRUE(statuses.empty());
}

TEST_F(BulkBackendTest, RemovalMidTransferFailsItClosesTheDeviceAndItsReturnOpensIt)
{
    SimFaultPlan faults;
    faults.leaveAtReply = {4};   // hello, size, first block, then gone
    std::string path = driver->Plug(held, faults);
    transport->InitDevice();
    ASSERT_TRUE(transport->RegisterAndDiscover(listener));
    ASSERT_EQ(link.Handshake(false), UsbHandshake::Ok);
    std::vector<uint8_t> flash(0x20000);
    uint32_t size;
    EXPECT_EQ(link.ReadData(DATA_FLASH, flash.data(), uint32_t(flash.size()), size, report), LinkResult::CommError);
    EXPECT_EQ(statuses, std::vector<std::string>{"Communication Error!!"});
    ASSERT_TRUE(PollUntil([&] { return listener.removals == 1; }));
    EXPECT_TRUE(abort);
    ASSERT_TRUE(PollUntil([&] { return driver->Arrivals(path) == 2 && transport->IsOpen(); }));
    abort = false;
    EXPECT_EQ(link.Handshake(false), UsbHandshake::Ok);
}

TEST_F(BulkBackendTest, ReadOfAPulledOutDeviceFailsWithTheSystemsReason)
{
    std::string path = driver->Plug(held);
    transport->InitDevice();
    ASSERT_TRUE(transport->RegisterAndDiscover(listener));
    transport->StopNotices();   // the read itself has to see the loss
    driver->HoldIn(true);
    TraceCapture trace;
    std::thread puller([&] {
        EXPECT_TRUE(PollUntil([&] { return driver->TransfersUnderWay() == 1; }));
        driver->Unplug(path);
    });
    std::vector<uint8_t> buffer(64);
    EXPECT_EQ(transport->Read(buffer.data(), 64), 0u);
    puller.join();
    EXPECT_TRUE(trace.Contains("In(): GetOverlappedResult(): " + SystemErrorText(ERROR_DEVICE_NOT_CONNECTED)));
}

TEST_F(BulkBackendTest, UnansweredReadTimesOutAndIsOverBeforeCancelReturns)
{
    driver->Plug(held);
    std::unique_ptr<UsbDevice> device = backend->Open(backend->Enumerate().at(0));
    ASSERT_NE(device, nullptr);
    std::shared_ptr<UsbPipe> out = device->OpenPipe(0), in = device->OpenPipe(1);
    ASSERT_TRUE(out && in);
    driver->HoldIn(true);
    std::vector<uint8_t> ask = UsbFrameBytes({0, CMD_UPLOAD_REQ, {}});
    std::unique_ptr<UsbTransfer> write = out->StartTransfer(ask.data(), uint32_t(ask.size()));
    ASSERT_TRUE(write && transport->TransferWait(*write, kTransferTimeoutMs));
    std::vector<uint8_t> buffer(64, 0xAA);
    std::unique_ptr<UsbTransfer> read = in->StartTransfer(buffer.data(), 64);
    ASSERT_NE(read, nullptr);
    EXPECT_FALSE(transport->TransferWait(*read, 300));
    read->Cancel();
    EXPECT_EQ(driver->TransfersUnderWay(), 0u);
    uint32_t count;
    EXPECT_FALSE(read->Result(count));
    // The loader's answer is not given to the cancelled read but to the next one.
    driver->HoldIn(false);
    std::vector<uint8_t> next(64);
    read = in->StartTransfer(next.data(), 64);
    ASSERT_TRUE(read && transport->TransferWait(*read, kTransferTimeoutMs));
    ASSERT_TRUE(read->Result(count));
    EXPECT_EQ(count, kHelloAckFrameSize);
    EXPECT_EQ(next[5], CMD_HELLO_ACK);
    EXPECT_EQ(buffer, std::vector<uint8_t>(64, 0xAA));
}

}  // namespace
