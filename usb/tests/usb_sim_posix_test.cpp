// The USB transport and the link on the simulation back end against the simulated STB.
#include "tools/stb_sim/testing/sim_test_images.h"
#include "usb/sim_usb_backend.h"
#include "tools/stb_sim/stb_sim.h"
#include "link/usb_link.h"
#include "usb/usb_transport.h"
#include "usb/tests/auto_listener.h"

#include "common/testing/scripted_prompter.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <thread>
#include <unistd.h>

namespace {

constexpr uint16_t kSystemId = 0x0C0D;

using testing_support::PollUntil;

class UsbSimTest : public ::testing::Test {
protected:
    void Start(StbSimOptions options = {}, uint8_t modelId = 0)
    {
        held = MakeTestImage(kSystemId, modelId, 0x27, 5);
        options.serial = false;
        options.usbSocket = socketPath;
        options.rebootDelay = std::chrono::milliseconds(50);
        abort = false;
        sim = std::make_unique<StbSim>(held, options);
        ASSERT_EQ(sim->Start(), "");
        backend = MakeSimUsbBackend(socketPath);
        transport = std::make_unique<CUsbTransport>(*backend, abort);
        listener = std::make_unique<AutoListener>(*transport);
        transport->InitDevice();
        link = std::make_unique<CUsbLink>(*transport, state, prompter);
    }
    void TearDown() override
    {
        if (transport)
            transport->StopNotices();
        transport.reset();
        backend.reset();
        if (sim)
            sim->Stop();
    }

    std::string socketPath = ::testing::TempDir() + "stb_sim_usb_" + std::to_string(::getpid()) + ".sock";
    StbImage held;
    std::unique_ptr<StbSim> sim;
    std::unique_ptr<UsbBackend> backend;
    std::atomic<bool> abort{false};
    std::unique_ptr<CUsbTransport> transport;
    std::unique_ptr<AutoListener> listener;
    LinkState state;
    ScriptedPrompter prompter;
    std::unique_ptr<CUsbLink> link;
    std::vector<std::string> statuses;
    LinkReport report{[this](const std::string& s) { statuses.push_back(s); }, nullptr};
};

TEST_F(UsbSimTest, DiscoveryWalksTheDescriptors)
{
    TraceCapture trace;
    Start();
    ASSERT_TRUE(transport->RegisterAndDiscover(*listener));
    uint16_t vid, pid;
    ASSERT_TRUE(transport->DeviceIdentity(vid, pid));
    EXPECT_EQ(vid, 0x1209);
    EXPECT_EQ(pid, 0x0001);
    EXPECT_EQ(transport->InPacketSize(), 64u);
    EXPECT_EQ(transport->OutPacketSize(), 64u);
    EXPECT_TRUE(trace.Contains("   Product      : STB loader\n"));
    EXPECT_TRUE(trace.Contains("   SerialNumber : 0001\n"));
    uint32_t version, checked;
    ASSERT_TRUE(transport->GetDriverInfo(version, checked));
    EXPECT_EQ(version, kExpectedDriverVersion);
}

class UsbSimUpload : public UsbSimTest, public ::testing::WithParamInterface<uint16_t> {};

TEST_P(UsbSimUpload, HandshakeThenFlashIn30000ByteBlocksAndEeprom)
{
    StbSimOptions options;
    options.usbShape.packetSize = GetParam();
    Start(options, 10);
    ASSERT_TRUE(transport->RegisterAndDiscover(*listener));
    EXPECT_EQ(transport->InPacketSize(), GetParam());
    ASSERT_EQ(link->Handshake(false), UsbHandshake::Ok);
    EXPECT_EQ(state.systemId, kSystemId);
    EXPECT_EQ(state.StbModelId(), 10);
    std::vector<uint8_t> flash(0x20000), eeprom(0x100);
    std::vector<uint32_t> progress;
    LinkReport counting{report.status, [&](uint32_t done, uint32_t) { progress.push_back(done); }};
    uint32_t size;
    ASSERT_EQ(link->ReadData(DATA_FLASH, flash.data(), uint32_t(flash.size()), size, counting), LinkResult::Ok);
    EXPECT_EQ(progress, (std::vector<uint32_t>{0, 30000, 60000, 90000, 120000, 131072}));
    ASSERT_EQ(link->ReadData(DATA_EEPROM, eeprom.data(), uint32_t(eeprom.size()), size, report), LinkResult::Ok);
    EXPECT_TRUE(link->SendFrame(state.NextPsn(), CMD_END));
    EXPECT_EQ(flash, held.flash);
    EXPECT_EQ(eeprom, held.eeprom);
    EXPECT_TRUE(statuses.empty());
}

INSTANTIATE_TEST_SUITE_P(PacketSizes, UsbSimUpload, ::testing::Values(64, 512));

TEST_F(UsbSimTest, RemovalMidTransferFailsTheReadAndTheDeviceReturns)
{
    StbSimOptions options;
    options.faults.leaveAtReply = {4};   // hello, size, first block, then gone
    Start(options);
    ASSERT_TRUE(transport->RegisterAndDiscover(*listener));
    ASSERT_EQ(link->Handshake(false), UsbHandshake::Ok);
    std::vector<uint8_t> flash(0x20000);
    uint32_t size;
    EXPECT_EQ(link->ReadData(DATA_FLASH, flash.data(), uint32_t(flash.size()), size, report), LinkResult::CommError);
    EXPECT_EQ(statuses, std::vector<std::string>{"Communication Error!!"});
    ASSERT_TRUE(PollUntil([&] { return listener->removals == 1; }));
    EXPECT_TRUE(abort);
    // The device comes back on the bus; the arrival opens it again.
    ASSERT_TRUE(PollUntil([&] { return sim->Usb()->Attachments() == 2 && transport->IsOpen(); }));
    abort = false;
    ASSERT_EQ(link->Handshake(false), UsbHandshake::Ok);
}

TEST_F(UsbSimTest, RebootMakesTheDeviceLeaveAndReturn)
{
    Start();
    ASSERT_TRUE(transport->RegisterAndDiscover(*listener));
    ASSERT_TRUE(link->SendFrame(0, CMD_REBOOT));
    ASSERT_TRUE(PollUntil([&] { return listener->removals == 1 && sim->Usb()->Attachments() == 2 && transport->IsOpen(); }));
    EXPECT_EQ(sim->Usb()->Attachments(), 2u);
    EXPECT_EQ(sim->Usb()->Stats().restarts, 1u);
}

// The transport goes away once the notices have stopped: a removal being reported then
// must have returned, or it would call into a listener that is gone.
TEST_F(UsbSimTest, StopWatchingWaitsForARemovalNoticeUnderWay)
{
    Start();
    std::atomic<int> arrivals{0};
    std::atomic<bool> reporting{false}, reported{false};
    backend->Watch([&](const std::string&) { ++arrivals; },
                   [&](const std::string&) {
                       reporting = true;
                       // Long enough for the stop below to overtake a notice it does not wait for.
                       std::this_thread::sleep_for(std::chrono::milliseconds(200));
                       reported = true;
                   });
    ASSERT_TRUE(PollUntil([&] { return arrivals == 1; }));
    sim->Stop();
    ASSERT_TRUE(PollUntil([&] { return reporting.load(); }));
    backend->StopWatching();
    EXPECT_TRUE(reported);
    transport.reset();
    backend.reset();   // with the reader still reporting, this freed what it was about to touch
}

// A removal closes the device while a worker may be starting a transfer on it: once the
// close has returned, no start may reach the device.
TEST_F(UsbSimTest, NoTransferStartsOnADeviceOnceItsCloseReturned)
{
    Start();
    auto paths = backend->Enumerate();
    ASSERT_EQ(paths.size(), 1u);
    for (int round = 0; round < 20; ++round) {
        std::unique_ptr<UsbDevice> device = backend->Open(paths[0]);
        ASSERT_TRUE(device);
        std::shared_ptr<UsbPipe> pipe = device->OpenPipe(0);
        ASSERT_TRUE(pipe);
        std::atomic<bool> closed{false}, stop{false};
        std::atomic<int> late{0};
        std::thread starter([&] {
            uint8_t bytes[64] = {};
            while (!stop) {
                bool wasClosed = closed;
                if (pipe->StartTransfer(bytes, sizeof bytes) && wasClosed)
                    ++late;
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        device->Close();
        closed = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        stop = true;
        starter.join();
        EXPECT_EQ(late, 0) << "round " << round;
    }
}

TEST_F(UsbSimTest, ClosingAndReopeningWhileWorkersTransferStaysSound)
{
    Start();
    auto paths = backend->Enumerate();
    ASSERT_EQ(paths.size(), 1u);
    ASSERT_TRUE(transport->DeviceArrival(paths[0]));
    std::atomic<bool> stop{false};
    auto work = [&](bool write) {
        std::vector<uint8_t> bytes(64);
        while (!stop) {
            if (write)
                (void)transport->Write(bytes.data(), uint32_t(bytes.size()));
            else
                (void)transport->Read(bytes.data(), uint32_t(bytes.size()));
        }
    };
    std::thread writer(work, true), reader(work, false);
    int reopened = 0;
    for (int i = 0; i < 100; ++i) {
        transport->Close();
        reopened += transport->DeviceArrival(paths[0]);
    }
    stop = true;
    transport->Close();
    writer.join();
    reader.join();
    EXPECT_EQ(reopened, 100);
}

TEST_F(UsbSimTest, ConfigurationWithAGapBetweenEndpointsIsRefused)
{
    StbSimOptions options;
    options.usbShape.endpointGap = true;
    Start(options);
    EXPECT_FALSE(transport->RegisterAndDiscover(*listener));
    EXPECT_FALSE(transport->IsOpen());
}

TEST_F(UsbSimTest, DeviceWithoutEndpointsOpensButCannotTransfer)
{
    StbSimOptions options;
    options.usbShape.endpoints = 0;
    Start(options);
    ASSERT_TRUE(transport->RegisterAndDiscover(*listener));
    EXPECT_TRUE(transport->IsOpen());
    EXPECT_FALSE(link->SendFrame(0, CMD_REBOOT));
    EXPECT_EQ(link->Handshake(false), UsbHandshake::NoAnswer);
    EXPECT_EQ(sim->Usb()->Stats().restarts, 0u);
}

TEST_F(UsbSimTest, DownloadHandshakeChecksTheStbTypeThenServesItsReadRequests)
{
    StbSimOptions options;
    options.faults.helloModelId = 12;
    Start(options);
    ASSERT_TRUE(transport->RegisterAndDiscover(*listener));
    state.headerDefault = {};
    state.headerDefault[kHeaderLayoutVersionAt] = 0x27;
    EXPECT_EQ(link->Handshake(true), UsbHandshake::InvalidStbType);

    // A loader of the expected type: greet, then answer every read request from the file.
    StbSimOptions plain;
    plain.usbReadLength = 8192;
    TearDown();
    Start(plain);
    ASSERT_TRUE(transport->RegisterAndDiscover(*listener));
    ASSERT_EQ(link->Handshake(true), UsbHandshake::Ok);
    StbImage next = MakeTestImage(kSystemId, 0, 0x27, 9);
    std::vector<uint8_t> file = BuildDownloadImage(next);
    int requests = 0;
    for (int failures = 0; failures < 3;) {
        if (link->ReceiveFrame(64) != LinkResult::Ok) {
            ++failures;
            continue;
        }
        failures = 0;
        if (link->Frame()[1] == CMD_END)
            break;
        ASSERT_EQ(link->Frame()[1], CMD_READ_REQ);
        ReadRequest r = *DecodeUsbReadRequest(link->Payload());
        ASSERT_LE(r.length, 8192u);
        ASSERT_LE(r.offset + r.length, file.size());
        ASSERT_TRUE(link->SendReadData(link->Frame()[0], file.data() + r.offset, uint16_t(r.length)));
        ++requests;
    }
    EXPECT_GT(requests, 6);
    EXPECT_EQ(sim->Usb()->Stats().downloadsDone, 1u) << sim->Usb()->Stats().lastError;
    EXPECT_EQ(sim->Image().Snapshot().flash, next.flash);
}

}  // namespace
