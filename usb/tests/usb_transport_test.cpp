#include "usb/usb_transport.h"

#include "common/testing/scripted_prompter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <set>

namespace {

// A scripted device behind the transport: descriptors, pipes whose transfers do what
// the test says, and a record of every control request.
struct FakeBus {
    std::vector<uint8_t> config;
    uint32_t openablePipes = 32;
    uint32_t lastStatus = 0;
    std::vector<UsbSetupPacket> setups;
    int transfersStarted = 0;
    int waits = 0;
    int cancels = 0;
    // Decides each wait slice of a transfer; the default completes at once.
    std::function<UsbWaitResult(int wait)> onWait = [](int) { return UsbWaitResult::Signalled; };
    bool transferOk = true;
};

class FakeTransfer : public UsbTransfer {
public:
    FakeTransfer(FakeBus& bus, uint8_t* buffer, uint32_t length) : m_Bus(bus), m_Buffer(buffer), m_Length(length) {}
    // A zero wait asks whether it completed at once; the slices are what the script decides.
    UsbWaitResult Wait(uint32_t ms) override
    {
        return ms == 0 ? UsbWaitResult::TimedOut : m_Bus.onWait(++m_Bus.waits);
    }
    void Cancel() override { ++m_Bus.cancels; }
    bool Result(uint32_t& count) override
    {
        std::memset(m_Buffer, 0xAB, m_Length);
        count = m_Length;
        return m_Bus.transferOk;
    }

private:
    FakeBus& m_Bus;
    uint8_t* m_Buffer;
    uint32_t m_Length;
};

class FakePipe : public UsbPipe {
public:
    explicit FakePipe(FakeBus& bus) : m_Bus(bus) {}
    std::unique_ptr<UsbTransfer> StartTransfer(uint8_t* buffer, uint32_t length) override
    {
        if (m_bClosed)
            return nullptr;
        ++m_Bus.transfersStarted;
        return std::make_unique<FakeTransfer>(m_Bus, buffer, length);
    }
    void Close() override { m_bClosed = true; }

private:
    FakeBus& m_Bus;
    bool m_bClosed = false;
};

class FakeDevice : public UsbDevice {
public:
    explicit FakeDevice(FakeBus& bus) : m_Bus(bus) {}
    int ControlIn(const UsbSetupPacket& setup, uint8_t* data) override
    {
        m_Bus.setups.push_back(setup);
        std::vector<uint8_t> answer;
        uint8_t type = uint8_t(setup.wValue >> 8);
        if (type == 1)
            answer = {18, 1, 0, 2, 0xFF, 0, 0, 64, 0x34, 0x12, 0x78, 0x56, 0, 1, 1, 0, 0, 1};
        else if (type == 2)
            answer = m_Bus.config;
        else if (type == 3)
            answer = {10, 3, 'M', 0, 'a', 0, 'k', 0, 'e', 0};
        size_t n = std::min<size_t>(answer.size(), setup.wLength);
        std::memcpy(data, answer.data(), n);
        return int(n);
    }
    std::shared_ptr<UsbPipe> OpenPipe(uint32_t index) override
    {
        return index < m_Bus.openablePipes ? std::make_shared<FakePipe>(m_Bus) : nullptr;
    }
    bool LastUsbdStatus(uint32_t& status) override
    {
        status = m_Bus.lastStatus;
        return true;
    }
    bool DriverVersion(uint32_t& version) override
    {
        version = kExpectedDriverVersion;
        return true;
    }
    bool CheckedBuild(uint32_t& checked) override
    {
        checked = 0;
        return true;
    }
    bool SetDriverOption(uint32_t) override { return true; }
    void Close() override {}

private:
    FakeBus& m_Bus;
};

class FakeBackend : public UsbBackend {
public:
    explicit FakeBackend(FakeBus& bus) : m_Bus(bus) {}
    std::set<std::string> present = {"dev-1"};
    std::vector<std::string> opened;
    std::vector<std::string> Enumerate() override { return {present.begin(), present.end()}; }
    void Watch(UsbNotice, UsbNotice) override {}
    void StopWatching() override {}
    std::unique_ptr<UsbDevice> Open(const std::string& path) override
    {
        opened.push_back(path);
        return present.count(path) ? std::make_unique<FakeDevice>(m_Bus) : nullptr;
    }

private:
    FakeBus& m_Bus;
};

std::vector<uint8_t> ConfigWith(std::vector<std::pair<uint8_t, uint16_t>> endpoints)
{
    std::vector<uint8_t> c = {9, 2, 0, 0, 1, 1, 0, 0x80, 50, 9, 4, 0, 0, uint8_t(endpoints.size()), 0xFF, 0, 0, 0};
    for (auto [address, size] : endpoints)
        c.insert(c.end(), {7, 5, address, 2, uint8_t(size), uint8_t(size >> 8), 0});
    c[2] = uint8_t(c.size());
    return c;
}

class UsbTransportTest : public ::testing::Test {
protected:
    void SetUp() override { bus.config = ConfigWith({{0x01, 64}, {0x82, 64}}); }
    FakeBus bus;
    FakeBackend backend{bus};
    std::atomic<bool> abort{false};
    CUsbTransport transport{backend, abort};
    uint8_t buffer[8192] = {};
};

TEST_F(UsbTransportTest, ArrivalReadsDescriptorsAndSelectsThePipes)
{
    TraceCapture trace;
    transport.InitDevice();
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    uint16_t vid, pid;
    ASSERT_TRUE(transport.DeviceIdentity(vid, pid));
    EXPECT_EQ(vid, 0x1234);
    EXPECT_EQ(pid, 0x5678);
    EXPECT_EQ(transport.InPacketSize(), 64u);
    EXPECT_EQ(transport.OutPacketSize(), 64u);
    // Device descriptor, configuration head, whole configuration, one string.
    ASSERT_EQ(bus.setups.size(), 4u);
    EXPECT_EQ(bus.setups[0].wValue, 0x0100);
    EXPECT_EQ(bus.setups[0].wLength, 18);
    EXPECT_EQ(bus.setups[1].wValue, 0x0200);
    EXPECT_EQ(bus.setups[1].wLength, 9);
    EXPECT_EQ(bus.setups[2].wLength, bus.config.size());
    EXPECT_EQ(bus.setups[3].wValue, 0x0301);
    EXPECT_EQ(bus.setups[3].wIndex, 0x0809);
    EXPECT_EQ(bus.setups[0].bmRequestType, 0x80);
    EXPECT_EQ(bus.setups[0].bRequest, 6);
    EXPECT_TRUE(trace.Contains("   Manufacturer : Make\n"));
    EXPECT_TRUE(trace.Contains("   Product      : <None>\n"));
}

TEST_F(UsbTransportTest, TransferLengthsMustBeWholePackets)
{
    transport.InitDevice();
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    EXPECT_FALSE(transport.Write(buffer, 63));
    EXPECT_EQ(transport.Read(buffer, 9), 0u);
    EXPECT_EQ(bus.transfersStarted, 0);
    EXPECT_TRUE(transport.Write(buffer, 128));
    EXPECT_EQ(transport.Read(buffer, 64), 64u);
    EXPECT_EQ(buffer[63], 0xAB);
}

TEST_F(UsbTransportTest, WaitIsSlicedAndBoundedBy4000Ms)
{
    FakeTransfer transfer(bus, buffer, 1);
    bus.onWait = [](int) { return UsbWaitResult::TimedOut; };
    EXPECT_FALSE(transport.TransferWait(transfer, kTransferTimeoutMs));
    EXPECT_EQ(bus.waits, 40);
    bus.waits = 0;
    EXPECT_FALSE(transport.TransferWait(transfer, 50));   // below 100 ms: one slice
    EXPECT_EQ(bus.waits, 1);
    bus.waits = 0;
    bus.onWait = [](int wait) { return wait == 3 ? UsbWaitResult::Signalled : UsbWaitResult::TimedOut; };
    EXPECT_TRUE(transport.TransferWait(transfer, kTransferTimeoutMs));
    EXPECT_EQ(bus.waits, 3);
    bus.waits = 0;
    bus.onWait = [](int) { return UsbWaitResult::Abandoned; };
    EXPECT_FALSE(transport.TransferWait(transfer, kTransferTimeoutMs));
    EXPECT_EQ(bus.waits, 1);
}

TEST_F(UsbTransportTest, AbortFlagEndsTheWaitAtTheNextSlice)
{
    FakeTransfer transfer(bus, buffer, 1);
    bus.onWait = [this](int wait) {
        if (wait == 3)
            abort = true;   // set while the third 100 ms slice runs
        return UsbWaitResult::TimedOut;
    };
    EXPECT_FALSE(transport.TransferWait(transfer, 0));   // even without a limit
    EXPECT_EQ(bus.waits, 3);
}

TEST_F(UsbTransportTest, TimedOutTransferIsCancelledAndFails)
{
    transport.InitDevice();
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    bus.onWait = [](int) { return UsbWaitResult::TimedOut; };
    EXPECT_EQ(transport.Read(buffer, 64), 0u);
    EXPECT_EQ(bus.waits, 40);
    EXPECT_EQ(bus.cancels, 1);
}

TEST_F(UsbTransportTest, WithTheAbortFlagSetInAndOutFailAtOnce)
{
    transport.InitDevice();
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    abort = true;
    EXPECT_FALSE(transport.Write(buffer, 64));
    EXPECT_EQ(transport.Read(buffer, 64), 0u);
    EXPECT_EQ(bus.transfersStarted, 0);
}

TEST_F(UsbTransportTest, FailedTransferReportsTheUsbdStatus)
{
    TraceCapture trace;
    transport.InitDevice();
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    bus.transferOk = false;
    bus.lastStatus = 0xC0000004;
    EXPECT_EQ(transport.Read(buffer, 64), 0u);
    EXPECT_TRUE(trace.Contains("In(): GetOverlappedResult(): USBD_STATUS_STALL_PID"));
}

TEST_F(UsbTransportTest, FailedOpenKeepsThePathForALaterRetry)
{
    ASSERT_FALSE(transport.DeviceArrival("dev-2"));
    EXPECT_EQ(transport.SavedPath(), "dev-2");
    EXPECT_FALSE(transport.IsOpen());
    backend.present.insert("dev-2");
    ASSERT_TRUE(transport.DeviceArrival());
    EXPECT_EQ(backend.opened.back(), "dev-2");
    EXPECT_TRUE(transport.IsOpen());
}

TEST_F(UsbTransportTest, DeviceWithoutEndpointsOpensButCannotTransfer)
{
    bus.config = ConfigWith({});
    transport.InitDevice();
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    EXPECT_TRUE(transport.IsOpen());
    EXPECT_EQ(transport.InPacketSize(), 0u);
    EXPECT_FALSE(transport.Write(buffer, 64));
    EXPECT_EQ(transport.Read(buffer, 64), 0u);
    EXPECT_EQ(bus.transfersStarted, 0);
}

TEST_F(UsbTransportTest, PipeThatDoesNotOpenEndsPipeSelection)
{
    bus.openablePipes = 1;   // only the OUT pipe opens
    transport.InitDevice();
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    EXPECT_EQ(transport.InPacketSize(), 0u);
    EXPECT_EQ(transport.OutPacketSize(), 64u);
    EXPECT_FALSE(transport.Write(buffer, 64));   // lengths are checked against the missing IN pipe
}

TEST_F(UsbTransportTest, RemovalSetsTheAbortFlagAndClosesThePipes)
{
    transport.InitDevice();
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    transport.DeviceRemoved();
    EXPECT_TRUE(abort);
    EXPECT_FALSE(transport.IsOpen());
    abort = false;
    EXPECT_FALSE(transport.Write(buffer, 64));
    EXPECT_EQ(bus.transfersStarted, 0);
}

TEST_F(UsbTransportTest, WithoutTransferBuffersReadsAreLimitedTo4096Bytes)
{
    TraceCapture trace;
    transport.InitDevice(std::numeric_limits<size_t>::max());   // more than any address space holds
    EXPECT_TRUE(trace.Contains("InitDevice(): VirtualAlloc(OutTxInfo.pBuf)"));
    EXPECT_EQ(transport.ReadLimit(), kFallbackBufferSize);
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    EXPECT_EQ(transport.Read(buffer, 8192), 0u);
    EXPECT_EQ(transport.Read(buffer, 4096), 4096u);
    transport.Close();
    transport.InitDevice();
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    EXPECT_EQ(transport.Read(buffer, 8192), 8192u);
}

TEST_F(UsbTransportTest, DiscoveryOpensAPresentDevice)
{
    struct Quiet : UsbDeviceListener {
        void OnDeviceArrival(const std::string&) override {}
        void OnDeviceRemoval(const std::string&) override {}
    } listener;
    transport.InitDevice();
    EXPECT_TRUE(transport.RegisterAndDiscover(listener));
    backend.present.clear();
    transport.Close();
    EXPECT_FALSE(transport.RegisterAndDiscover(listener));
}

}  // namespace

namespace {

TEST_F(UsbTransportTest, ANewAddressWaitsUntilTheOpenDeviceIsGoneAndRemovalsMatchTheirDevice)
{
    backend.present = {"dev-1", "dev-2"};
    ASSERT_TRUE(transport.DeviceArrival("dev-1"));
    EXPECT_TRUE(transport.DeviceArrival("dev-1"));    // the same device again
    EXPECT_FALSE(transport.DeviceArrival("dev-2"));   // the loader back under a new address
    EXPECT_FALSE(transport.DeviceRemoved("dev-3"));
    EXPECT_TRUE(transport.Holds("dev-1"));
    EXPECT_FALSE(abort);
    EXPECT_TRUE(transport.DeviceRemoved("dev-1"));
    EXPECT_TRUE(abort);
    EXPECT_FALSE(transport.IsOpen());
    EXPECT_EQ(transport.TakeWaitingArrival(), "dev-2");
    EXPECT_EQ(transport.TakeWaitingArrival(), "");
}

TEST(UsbPolling, RemovalsComeBeforeArrivals)
{
    auto changes = PollChanges({"usb:001:004", "usb:001:009"}, {"usb:001:005", "usb:001:009"});
    EXPECT_EQ(changes, (std::vector<std::pair<bool, std::string>>{{false, "usb:001:004"}, {true, "usb:001:005"}}));
}

}  // namespace
