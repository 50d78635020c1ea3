// The simulated loader's USB device as the FunctionFS carrier drives it: how it reads the PC's
// OUT transfers, the descriptors it presents, and the halt it does instead of a reply.
#include "tools/stb_sim/sim_carriers.h"
#include "tools/stb_sim/testing/sim_test_images.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> PaddedFrame(uint8_t cmd, size_t payload, uint32_t packet)
{
    std::vector<uint8_t> bytes = UsbFrameBytes({0, cmd, std::vector<uint8_t>(payload, 0x5A)});
    bytes.resize(RoundUpTo(uint32_t(bytes.size()), packet));
    return bytes;
}

TEST(UsbOutReader, AFramePaddedToOnePacketEndsWithThatPacket)
{
    UsbOutReader reader(512);
    std::vector<uint8_t> frame = PaddedFrame(CMD_UPLOAD_REQ, 0, 512);
    ASSERT_EQ(reader.NextRead(), 512u);
    EXPECT_TRUE(reader.Take(frame.data(), frame.size()));
    LinkFrame parsed;
    ASSERT_TRUE(ParseUsbFrame(reader.Transfer().data(), reader.Transfer().size(), parsed));
    EXPECT_EQ(parsed.cmd, CMD_UPLOAD_REQ);
}

TEST(UsbOutReader, ALongFrameIsReadAsItsHeaderAnnouncesItInWholePackets)
{
    UsbOutReader reader(64);
    std::vector<uint8_t> frame = PaddedFrame(CMD_READ_DATA, 300, 64);   // 309 bytes padded to 320
    ASSERT_EQ(reader.NextRead(), 64u);
    EXPECT_FALSE(reader.Take(frame.data(), 64));
    ASSERT_EQ(reader.NextRead(), 256u);
    EXPECT_TRUE(reader.Take(frame.data() + 64, 256));
    LinkFrame parsed;
    ASSERT_TRUE(ParseUsbFrame(reader.Transfer().data(), reader.Transfer().size(), parsed));
    EXPECT_EQ(parsed.payload.size(), 300u);
    EXPECT_EQ(reader.NextRead(), 64u);   // the next transfer starts with one packet again
    EXPECT_FALSE(reader.Take(frame.data(), 64));
    EXPECT_EQ(reader.Transfer().size(), 64u);
}

TEST(UsbOutReader, AShortPacketOrAnUnframedPacketEndsTheTransfer)
{
    UsbOutReader reader(512);
    std::vector<uint8_t> frame = PaddedFrame(CMD_READ_DATA, 2000, 512);
    EXPECT_TRUE(reader.Take(frame.data(), 100));   // the PC stopped short of its own header
    EXPECT_EQ(reader.Transfer().size(), 100u);
    std::vector<uint8_t> noise(512, 0xEE);
    EXPECT_TRUE(reader.Take(noise.data(), noise.size()));
    EXPECT_EQ(reader.Transfer().size(), 512u);
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at)
{
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

TEST(FfsDescriptors, OneInterfaceWithBulkOutThenInAtFullAndHighSpeed)
{
    std::vector<uint8_t> d = FfsDescriptors();
    ASSERT_EQ(d.size(), 20u + 2 * 23u);
    EXPECT_EQ(Le32(d, 0), 3u);            // the second descriptor format
    EXPECT_EQ(Le32(d, 4), d.size());
    EXPECT_EQ(Le32(d, 8), 3u);            // full- and high-speed sets
    EXPECT_EQ(Le32(d, 12), 3u);
    EXPECT_EQ(Le32(d, 16), 3u);
    for (auto [at, packet] : {std::pair{20u, 64u}, std::pair{43u, 512u}}) {
        EXPECT_EQ(d[at + 4], 2) << "endpoints";
        EXPECT_EQ(d[at + 5], 0xFF) << "vendor class";
        for (uint32_t e = 0; e < 2; ++e) {
            const uint8_t* ep = &d[at + 9 + 7 * e];
            EXPECT_EQ(ep[1], 5);
            EXPECT_EQ(ep[2] & 0x80, e == 0 ? 0 : 0x80);
            EXPECT_EQ(ep[3], 2) << "bulk";
            EXPECT_EQ(uint32_t(ep[4] | ep[5] << 8), packet);
        }
    }
    std::vector<uint8_t> s = FfsStrings();
    EXPECT_EQ(Le32(s, 0), 2u);
    EXPECT_EQ(Le32(s, 4), s.size());
}

// A device whose IN transfers are recorded instead of moved.
class RecordingDevice : public UsbLoaderDevice {
public:
    using UsbLoaderDevice::UsbLoaderDevice;
    std::vector<std::vector<uint8_t>> delivered;

protected:
    void DeliverIn(uint32_t, std::vector<uint8_t> data) override { delivered.push_back(std::move(data)); }
};

TEST(UsbLoaderDevice, AStallFaultHaltsInsteadOfReplying)
{
    SimImageStore image(MakeTestImage(1, 0, 0, 1));
    SimFaultPlan plan;
    plan.stallAtReply = {1};
    SimFaults faults(plan);
    LoaderOptions options;
    options.serial = false;
    options.firstPsn = 0x80;
    RecordingDevice device(image, faults, options, UsbDeviceShape{});
    device.Attach();
    device.RequestIn(1, 4096);
    std::vector<uint8_t> hello = PaddedFrame(CMD_UPLOAD_REQ, 0, 64);
    device.BulkOut(SimEndpointAddress(0), hello.data(), hello.size());
    EXPECT_TRUE(device.TakeStall());
    EXPECT_FALSE(device.TakeStall());
    EXPECT_TRUE(device.delivered.empty());
    device.BulkOut(SimEndpointAddress(0), hello.data(), hello.size());   // the PC asks again: answered
    EXPECT_FALSE(device.TakeStall());
    ASSERT_EQ(device.delivered.size(), 1u);
    LinkFrame reply;
    ASSERT_TRUE(ParseUsbFrame(device.delivered[0].data(), device.delivered[0].size(), reply));
    EXPECT_EQ(reply.cmd, CMD_HELLO_ACK);
}

}  // namespace
