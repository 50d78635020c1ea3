#include "link/usb_link.h"

#include "common/testing/scripted_prompter.h"
#include "usb/usb_bulk_port.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace {

// Bulk pipes whose IN side gives queued device transfers: a read of length L takes up to
// L bytes of the first transfer, as the bus does; the rest waits for the next read.
class ScriptedPort : public UsbBulkPort {
public:
    uint32_t packet = 64;
    std::vector<std::vector<uint8_t>> writes;
    std::vector<uint32_t> readLengths;
    std::deque<std::vector<uint8_t>> transfers;
    std::function<void(const std::vector<uint8_t>& written)> onWrite;

    uint32_t InPacketSize() const override { return packet; }
    uint32_t OutPacketSize() const override { return packet; }
    bool Write(const uint8_t* data, uint32_t length) override
    {
        if (length % packet)
            return false;
        writes.emplace_back(data, data + length);
        if (onWrite)
            onWrite(writes.back());
        return true;
    }
    uint32_t Read(uint8_t* buffer, uint32_t length) override
    {
        readLengths.push_back(length);
        if (length % packet || transfers.empty())
            return 0;
        std::vector<uint8_t>& front = transfers.front();
        uint32_t n = std::min<uint32_t>(length, uint32_t(front.size()));
        std::copy(front.begin(), front.begin() + n, buffer);
        front.erase(front.begin(), front.begin() + n);
        if (front.empty())
            transfers.pop_front();
        return n;
    }
};

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(uint8_t(v));
    return out;
}

class UsbLinkTest : public ::testing::Test {
protected:
    ScriptedPort port;
    LinkState state;
    ScriptedPrompter prompter;
    CUsbLink link{port, state, prompter};
    std::vector<std::string> statuses;
    LinkReport report{[this](const std::string& s) { statuses.push_back(s); }, nullptr};
};

TEST_F(UsbLinkTest, RebootAndReadRequestFramesAreExactAndPadded)
{
    ASSERT_TRUE(link.SendFrame(0, CMD_REBOOT));
    ASSERT_EQ(port.writes[0].size(), 64u);
    EXPECT_EQ(std::vector<uint8_t>(port.writes[0].begin(), port.writes[0].begin() + 9),
              Bytes({'Z', 'e', 'N', 'o', 0x00, 0x0B, 0x00, 0x00, 0x0B}));
    state._psn = 0x20;
    std::vector<uint8_t> dest(0x800);
    (void)link.BlockRead(DATA_EEPROM, 0x400, 1024, dest.data(), report);
    ASSERT_GE(port.writes.size(), 2u);
    EXPECT_EQ(std::vector<uint8_t>(port.writes[1].begin(), port.writes[1].begin() + 14),
              Bytes({'Z', 'e', 'N', 'o', 0x21, 0x04, 0x00, 0x05, 0x04, 0x00, 0x00, 0x04, 0x00, 0x32}));
    port.packet = 512;
    ASSERT_TRUE(link.SendFrame(0, CMD_REBOOT));
    EXPECT_EQ(port.writes.back().size(), 512u);
}

TEST_F(UsbLinkTest, FrameLongerThanTheFirstTransferIsCompletedByASecondRead)
{
    for (uint32_t packet : {64u, 512u}) {
        port.packet = packet;
        port.readLengths.clear();
        LinkFrame frame{7, CMD_READ_DATA, std::vector<uint8_t>(1000, 0x3C)};
        port.transfers.push_back(UsbFrameBytes(frame));
        ASSERT_EQ(link.ReceiveFrame(2000), LinkResult::Ok) << packet;
        EXPECT_EQ(link.FrameLength(), 1000);
        EXPECT_EQ(link.FramePayload()[999], 0x3C);
        ASSERT_EQ(port.readLengths.size(), 2u);
        EXPECT_EQ(port.readLengths[0], packet);   // 9 bytes ask for one packet
        EXPECT_EQ(port.readLengths[1], (1009 - packet + packet - 1) / packet * packet);
    }
}

TEST_F(UsbLinkTest, FrameReaderRefusesWrongLengthsAndSums)
{
    std::vector<uint8_t> frame = UsbFrameBytes({1, CMD_READ_DATA, std::vector<uint8_t>(20, 1)});
    std::vector<uint8_t> padded = frame;
    padded.resize(64, 0);   // a padded transfer is not exactly LEN + 5 frame bytes
    port.transfers.push_back(padded);
    EXPECT_EQ(link.ReceiveFrame(1000), LinkResult::Fail);
    frame.back() ^= 0xFF;
    port.transfers.push_back(frame);
    EXPECT_EQ(link.ReceiveFrame(1000), LinkResult::Checksum);
    EXPECT_EQ(link.ReceiveFrame(1000), LinkResult::Fail);   // nothing there
    port.transfers.push_back(UsbFrameBytes({1, CMD_READ_DATA, std::vector<uint8_t>(300, 1)}));
    EXPECT_EQ(link.ReceiveFrame(100), LinkResult::Fail);    // bigger than the caller takes
}

TEST_F(UsbLinkTest, AFrameBeyondTheHintIsReadToItsEndBeforeItIsRefused)
{
    port.transfers.push_back(UsbFrameBytes({1, CMD_READ_DATA, std::vector<uint8_t>(300, 1)}));
    port.transfers.push_back(UsbFrameBytes({2, CMD_READ_REQ, {0, 10, 0, 0, 0}}));
    EXPECT_EQ(link.ReceiveFrame(100), LinkResult::Fail);
    ASSERT_EQ(link.ReceiveFrame(100), LinkResult::Ok);   // the next frame starts clean
    EXPECT_EQ(link.Frame()[0], 2);
    EXPECT_TRUE(port.transfers.empty());
}

TEST_F(UsbLinkTest, SizeZeroFailsWithoutASecondAttempt)
{
    port.onWrite = [this](const std::vector<uint8_t>& w) {
        port.transfers.push_back(UsbFrameBytes({w[4], CMD_SIZE_REPLY, {0, 0, 0}}));
    };
    uint32_t size = 5;
    EXPECT_EQ(link.SizeRequest(DATA_FLASH, size, report), LinkResult::Fail);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(port.writes.size(), 1u);
}

TEST_F(UsbLinkTest, SizeRequestRetriesBadRepliesWithNewPsns)
{
    int n = 0;
    port.onWrite = [&](const std::vector<uint8_t>& w) {
        ++n;
        std::vector<uint8_t> reply = UsbFrameBytes({uint8_t(n == 2 ? w[4] + 1 : w[4]), CMD_SIZE_REPLY, {0, 1, 0}});
        if (n == 1)
            reply.back() ^= 1;   // wrong SUM
        port.transfers.push_back(reply);
    };
    state._psn = 255;
    uint32_t size;
    EXPECT_EQ(link.SizeRequest(DATA_EEPROM, size, report), LinkResult::Ok);
    EXPECT_EQ(size, 0x100u);
    ASSERT_EQ(port.writes.size(), 3u);
    EXPECT_EQ(port.writes[0][4], 0);   // 255 wraps to 0
    EXPECT_EQ(port.writes[1][4], 1);
    EXPECT_EQ(port.writes[2][4], 2);
}

TEST_F(UsbLinkTest, BlockReadFailsAfterTenAttempts)
{
    std::vector<uint8_t> dest(100);
    EXPECT_EQ(link.BlockRead(DATA_FLASH, 0, 100, dest.data(), report), LinkResult::CommError);
    EXPECT_EQ(port.writes.size(), 10u);
    EXPECT_EQ(statuses, std::vector<std::string>{"Communication Error!!"});
}

TEST_F(UsbLinkTest, UnknownDataTypeIsRefused)
{
    uint32_t size;
    uint8_t dest[1];
    EXPECT_EQ(link.ReadData(0, dest, 1, size, report), LinkResult::UnknownType);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Invaild Data Type");
}

std::vector<uint8_t> HelloAck(uint8_t psn, uint16_t systemId, uint8_t model, uint8_t layout)
{
    HelloPayload hello;
    hello.systemId = systemId;
    hello.header[kHeaderModelIdAt] = model;
    hello.header[kHeaderLayoutVersionAt] = layout;
    LinkFrame frame{psn, CMD_HELLO_ACK, std::vector<uint8_t>(kHelloPayloadSize)};
    EncodeHello(hello, frame.payload.data());
    return UsbFrameBytes(frame);
}

TEST_F(UsbLinkTest, UploadHandshakeAdoptsPsnSystemIdAndHeader)
{
    port.transfers.push_back(HelloAck(0x91, 0xBEEF, 13, 2));
    ASSERT_EQ(link.Handshake(false), UsbHandshake::Ok);
    EXPECT_EQ(port.writes[0][5], CMD_UPLOAD_REQ);
    EXPECT_EQ(port.writes[0][4], 0);
    EXPECT_EQ(port.readLengths[0], 64u);
    EXPECT_EQ(state._psn, 0x91);
    EXPECT_EQ(state.systemId, 0xBEEF);
    EXPECT_EQ(state.StbModelId(), 13);
}

TEST_F(UsbLinkTest, DownloadHandshakeChecksModelAndLayout)
{
    state.headerDefault[kHeaderModelIdAt] = 10;
    state.headerDefault[kHeaderLayoutVersionAt] = 0x27;
    state._psn = 5;
    port.transfers.push_back(HelloAck(1, 0x1111, 10, 0x26));
    EXPECT_EQ(link.Handshake(true), UsbHandshake::InvalidStbType);
    port.transfers.push_back(HelloAck(1, 0x1111, 9, 0x27));
    EXPECT_EQ(link.Handshake(true), UsbHandshake::InvalidStbType);
    EXPECT_EQ(state.systemId, 0);
    port.transfers.push_back(HelloAck(1, 0x1111, 10, 0x27));
    EXPECT_EQ(link.Handshake(true), UsbHandshake::Ok);
    EXPECT_EQ(port.writes.back()[5], CMD_HELLO);
    EXPECT_EQ(state.systemId, 0x1111);
    EXPECT_EQ(state._psn, 5);   // a download keeps its PSN
}

TEST_F(UsbLinkTest, HandshakeNeedsExactly43SoundBytes)
{
    std::vector<uint8_t> ack = HelloAck(1, 1, 0, 0);
    ack.back() ^= 1;
    port.transfers.push_back(ack);
    EXPECT_EQ(link.Handshake(false), UsbHandshake::NoAnswer);
    ack = HelloAck(1, 1, 0, 0);
    ack[5] = CMD_READ_DATA;
    ack.back() = LinkSum(ack.data() + 4, 38);
    port.transfers.push_back(ack);
    EXPECT_EQ(link.Handshake(false), UsbHandshake::NoAnswer);
    ack = HelloAck(1, 1, 0, 0);
    ack.push_back(0);
    port.transfers.push_back(ack);
    EXPECT_EQ(link.Handshake(false), UsbHandshake::NoAnswer);
    EXPECT_EQ(link.Handshake(false), UsbHandshake::NoAnswer);   // silence
}

}  // namespace
