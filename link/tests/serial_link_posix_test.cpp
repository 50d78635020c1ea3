#include "link/serial_link.h"
#include "link/tests/serial_test_support.h"

#include "common/testing/scripted_prompter.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(uint8_t(v));
    return out;
}

class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override { link.m_Budgets = {1000, 1000, 1000}; }

    CRecvRing ring;
    ScriptedSerialStb stb{ring, nullptr};
    LinkState state;
    std::atomic<bool> running{true};
    ScriptedPrompter prompter;
    CountingIdle idle;
    CSerialLink link{ring, stb, state, running, prompter, idle};
    uint8_t buffer[kSerialRxBufferSize] = {};
    std::vector<std::string> statuses;
    LinkReport report{[this](const std::string& s) { statuses.push_back(s); }, nullptr};
};

TEST_F(SerialLinkTest, RebootAndSizeRequestFramesAreExact)
{
    ASSERT_EQ(link.SendFrame(0, CMD_REBOOT), LinkResult::Ok);
    EXPECT_EQ(stb.written, Bytes({'Z', 'e', 'N', 'o', 0x00, 0x0B, 0x00, 0x0B}));
    stb.written.clear();
    state._psn = 4;
    uint32_t size;
    (void)link.SizeRequest(DATA_EEPROM, size, report);
    ASSERT_GE(stb.written.size(), 9u);
    EXPECT_EQ(std::vector<uint8_t>(stb.written.begin(), stb.written.begin() + 9),
              Bytes({'Z', 'e', 'N', 'o', 0x05, 0x07, 0x01, 0x03, 0x10}));
}

TEST_F(SerialLinkTest, SendPacketFailsWhenAWriteFails)
{
    class FailingWriter : public SerialWriter {
    public:
        int calls = 0;
        int Write(const uint8_t*, uint32_t n) override { return ++calls == 2 ? -1 : int(n); }
    } writer;
    CSerialLink failing(ring, writer, state, running, prompter, idle);
    uint8_t body[] = {1, CMD_END, 0};
    EXPECT_EQ(failing.SendPacket(body), LinkResult::Fail);
    EXPECT_EQ(writer.calls, 2);   // stops at the body write
}

TEST_F(SerialLinkTest, ForeignByteInsideTheMagicDoesNotResetTheSearch)
{
    Queue(ring, Bytes({0x11, 'Z', 0x99, 'e', 'N', 'o', 7, CMD_READ_DATA, 1, 0x42, uint8_t(7 + 5 + 1 + 0x42)}));
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Ok);
    EXPECT_EQ(buffer[0], 7);
    EXPECT_EQ(buffer[1], CMD_READ_DATA);
    EXPECT_EQ(buffer[3], 0x42);
    EXPECT_EQ(ring.Count(), 0u);
}

TEST_F(SerialLinkTest, NothingOrNoMagicGivesMinusOneAndConsumesTheBytes)
{
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Fail);
    Queue(ring, Bytes({1, 2, 3, 'e', 'N', 'o'}));
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Fail);
    EXPECT_EQ(ring.Count(), 0u);
}

TEST_F(SerialLinkTest, Len255FrameIsReceivedWhole)
{
    LinkFrame frame{9, CMD_READ_DATA, std::vector<uint8_t>(255)};
    for (int i = 0; i < 255; ++i)
        frame.payload[i] = uint8_t(i * 7);
    Queue(ring, SerialFrameBytes(frame));
    ASSERT_EQ(link.RxPacket_Download(buffer), LinkResult::Ok);
    EXPECT_EQ(buffer[2], 255);
    EXPECT_TRUE(std::equal(frame.payload.begin(), frame.payload.end(), buffer + 3));
    EXPECT_EQ(ring.Count(), 0u);   // 259 body bytes taken, nothing left over
}

TEST_F(SerialLinkTest, WrongSumGivesMinusTwoAndTraces)
{
    TraceCapture trace;
    std::vector<uint8_t> bytes = SerialFrameBytes({3, CMD_SIZE_REPLY, {0, 1, 0}});
    bytes.back() ^= 0x5A;
    Queue(ring, bytes);
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Checksum);
    EXPECT_TRUE(trace.Contains("RxPacket_Upload() : ChkSum(ChkSum Error) PSN : 3 : CMD 8 : LEN 3"));
}

TEST_F(SerialLinkTest, IncompleteBodyEndsWhenTheBudgetIsSpentOrTheSessionStops)
{
    Queue(ring, Bytes({'Z', 'e', 'N', 'o', 1, CMD_READ_DATA, 10, 1, 2}));
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Fail);
    EXPECT_GE(idle.idleCalls, 990u);
    EXPECT_LE(idle.idleCalls, 1000u);

    idle.idleCalls = 0;
    Queue(ring, Bytes({'Z', 'e', 'N', 'o', 1, CMD_READ_DATA, 10, 1, 2}));
    running = false;
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Fail);
    EXPECT_EQ(idle.idleCalls, 0u);
}

TEST_F(SerialLinkTest, ABodyLaterThanTheBudgetIsCompletedByTheNextCall)
{
    std::vector<uint8_t> bytes = SerialFrameBytes({0x21, CMD_HELLO, std::vector<uint8_t>(kHelloPayloadSize, 0x5C)});
    Queue(ring, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 9));
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Fail);   // the budget is spent
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Fail);   // nothing queued yet
    Queue(ring, std::vector<uint8_t>(bytes.begin() + 9, bytes.end()));
    ASSERT_EQ(link.RxPacket_Upload(buffer), LinkResult::Ok);
    EXPECT_EQ(buffer[0], 0x21);
    EXPECT_EQ(buffer[1], CMD_HELLO);
    EXPECT_EQ(buffer[3 + kHelloPayloadSize - 1], 0x5C);
}

TEST_F(SerialLinkTest, AFrameInsideTheBodyOfABadOneIsFoundAgain)
{
    // A frame cut short, then a whole one: the first takes the second's bytes and fails
    // its SUM; the second is then found in them.
    std::vector<uint8_t> cut = SerialFrameBytes({1, CMD_READ_DATA, std::vector<uint8_t>(20, 0x11)});
    cut.resize(10);
    std::vector<uint8_t> whole = SerialFrameBytes({2, CMD_SIZE_REPLY, {0, 1, 0}});
    Queue(ring, cut);
    Queue(ring, whole);
    Queue(ring, std::vector<uint8_t>(20, 0x33));
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Checksum);
    ASSERT_EQ(link.RxPacket_Upload(buffer), LinkResult::Ok);
    EXPECT_EQ(buffer[0], 2);
    EXPECT_EQ(buffer[1], CMD_SIZE_REPLY);
    EXPECT_EQ(GetBe24(buffer + 3), 256u);
}

TEST_F(SerialLinkTest, AClearedRingDropsTheFrameKeptFromBefore)
{
    Queue(ring, Bytes({'Z', 'e', 'N', 'o', 1, CMD_READ_DATA, 10, 1, 2}));
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Fail);
    ring.Clear();   // the port was closed; a new session starts
    Queue(ring, SerialFrameBytes({4, CMD_END, {}}));
    ASSERT_EQ(link.RxPacket_Upload(buffer), LinkResult::Ok);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(buffer[1], CMD_END);
}

TEST_F(SerialLinkTest, PartialMagicKeepsPollingUnderTheSameBudget)
{
    Queue(ring, Bytes({'Z', 'e'}));
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Fail);   // nothing more ever comes
    EXPECT_GE(idle.idleCalls, 990u);
}

// A frame written one byte at a time through a real pseudo-terminal: the first call
// finds only "Ze" queued and must wait for the rest instead of losing the frame.
TEST(SerialLinkSplitMagic, FrameFromASlowWriterIsNotLost)
{
    testing_support::TestPty pty;
    ASSERT_TRUE(pty.Open());
    const int master = pty.Master();
    setenv("ORVANEL_COM2", pty.SlavePath().c_str(), 1);
    ScriptedPrompter prompter;
    CSerialChannel channel(prompter);
    ASSERT_TRUE(channel.Open("COM2", 115200, 1));
    unsetenv("ORVANEL_COM2");
    std::vector<uint8_t> frame = SerialFrameBytes({0x33, CMD_HELLO, std::vector<uint8_t>(kHelloPayloadSize, 0x5C)});
    ASSERT_EQ(::write(master, frame.data(), 2), 2);
    while (channel.m_QueueRead.Count() < 2)
        channel.m_QueueRead.WaitForData(std::chrono::milliseconds(10));
    std::thread writer([&] {
        for (size_t i = 2; i < frame.size(); ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(300));
            ASSERT_EQ(::write(master, &frame[i], 1), 1);
        }
    });
    LinkState state;
    std::atomic<bool> running{true};
    RingWaitIdle idle;
    CSerialLink link(channel.m_QueueRead, channel, state, running, prompter, idle);
    uint8_t buffer[kSerialRxBufferSize];
    EXPECT_EQ(link.RxPacket_Upload(buffer), LinkResult::Ok);
    writer.join();
    EXPECT_EQ(buffer[0], 0x33);
    EXPECT_EQ(buffer[1], CMD_HELLO);
    EXPECT_EQ(buffer[2], kHelloPayloadSize);
    channel.Close();
}

TEST_F(SerialLinkTest, PsnWrapsFrom255To0)
{
    state._psn = 255;
    uint32_t size;
    (void)link.SizeRequest(DATA_FLASH, size, report);
    ASSERT_FALSE(stb.requests.empty());
    EXPECT_EQ(stb.requests[0].psn, 0);
}

class SizeScript : public SerialLinkTest {};

TEST_F(SizeScript, MatchingReplyGivesTheSize)
{
    ScriptedSerialStb answering(ring, [](const LinkFrame& r) {
        return SerialFrameBytes({r.psn, CMD_SIZE_REPLY, {0x02, 0x00, 0x00}});
    });
    CSerialLink l(ring, answering, state, running, prompter, idle);
    uint32_t size = 0;
    EXPECT_EQ(l.SizeRequest(DATA_FLASH, size, report), LinkResult::Ok);
    EXPECT_EQ(size, 0x20000u);
    EXPECT_EQ(answering.requests.size(), 1u);
}

TEST_F(SizeScript, SizeZeroFailsWithItsText)
{
    ScriptedSerialStb answering(ring, [](const LinkFrame& r) { return SerialFrameBytes({r.psn, CMD_SIZE_REPLY, {0, 0, 0}}); });
    CSerialLink l(ring, answering, state, running, prompter, idle);
    uint32_t size = 1;
    EXPECT_EQ(l.SizeRequest(DATA_EEPROM, size, report), LinkResult::CommError);
    EXPECT_EQ(statuses, std::vector<std::string>{"Communication Error!! ( RxPacket dataSize = 0 )"});
    EXPECT_EQ(answering.requests.size(), 1u);
}

TEST_F(SizeScript, OtherFrameOrBadSumFailsAtOnce)
{
    ScriptedSerialStb wrongPsn(ring, [](const LinkFrame& r) {
        return SerialFrameBytes({uint8_t(r.psn + 1), CMD_SIZE_REPLY, {0, 1, 0}});
    });
    CSerialLink l(ring, wrongPsn, state, running, prompter, idle);
    uint32_t size;
    EXPECT_EQ(l.SizeRequest(DATA_FLASH, size, report), LinkResult::Fail);
    EXPECT_EQ(wrongPsn.requests.size(), 1u);
    EXPECT_EQ(statuses, std::vector<std::string>{"Communication Error!!(TIMEOUT1)"});
}

TEST_F(SizeScript, SilenceGivesTenAttemptsWithNewPsns)
{
    uint32_t size;
    state._psn = 20;
    EXPECT_EQ(link.SizeRequest(DATA_FLASH, size, report), LinkResult::Fail);
    ASSERT_EQ(stb.requests.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(stb.requests[i].psn, 21 + i);
    EXPECT_EQ(statuses, std::vector<std::string>{"Communication Error!!(TIMEOUT1)"});
}

TEST_F(SizeScript, ModelsEightTwelveThirteenRepeatTheRequestWhileWaiting)
{
    uint32_t size;
    link.m_Budgets.sizeReply = 5;
    state.headerDefault[kHeaderModelIdAt] = 12;
    (void)link.SizeRequest(DATA_FLASH, size, report);
    ASSERT_EQ(stb.requests.size(), 10u * 6);   // the first send and one after each empty poll
    EXPECT_EQ(stb.requests[1].psn, stb.requests[0].psn);
    stb.requests.clear();
    state.headerDefault[kHeaderModelIdAt] = 10;
    (void)link.SizeRequest(DATA_FLASH, size, report);
    EXPECT_EQ(stb.requests.size(), 10u);
}

TEST_F(SerialLinkTest, BlockReadRetriesAChecksumErrorAndPassesOverALateReply)
{
    int calls = 0;
    ScriptedSerialStb answering(ring, [&](const LinkFrame& r) {
        std::vector<uint8_t> payload(r.payload[0], 0xE1);
        ++calls;
        if (calls == 1) {
            std::vector<uint8_t> bad = SerialFrameBytes({r.psn, CMD_READ_DATA, payload});
            bad.back() ^= 1;
            return bad;
        }
        std::vector<uint8_t> late = SerialFrameBytes({uint8_t(r.psn - 1), CMD_READ_DATA, payload});
        std::vector<uint8_t> good = SerialFrameBytes({r.psn, CMD_READ_DATA, payload});
        late.insert(late.end(), good.begin(), good.end());
        return late;
    });
    CSerialLink l(ring, answering, state, running, prompter, idle);
    std::vector<uint8_t> dest(300, 0);
    EXPECT_EQ(l.BlockRead(DATA_FLASH, 40, 200, dest.data(), report), LinkResult::Ok);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(dest[39], 0);
    EXPECT_EQ(dest[40], 0xE1);
    EXPECT_EQ(dest[239], 0xE1);
    EXPECT_EQ(dest[240], 0);
}

TEST_F(SerialLinkTest, UnknownDataTypeIsRefused)
{
    uint32_t size;
    uint8_t dest[4];
    EXPECT_EQ(link.ReadData(9, dest, sizeof dest, size, report), LinkResult::UnknownType);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Invaild Data Type!!!");
    EXPECT_EQ(prompter.shown[0].title, "Notice");
    EXPECT_TRUE(stb.requests.empty());
}

TEST_F(SerialLinkTest, SizeBeyondTheDestinationFailsWithoutReading)
{
    ScriptedSerialStb answering(ring, [](const LinkFrame& r) {
        return SerialFrameBytes({r.psn, CMD_SIZE_REPLY, {0, 1, 1}});
    });
    CSerialLink l(ring, answering, state, running, prompter, idle);
    std::vector<uint8_t> eeprom(256);
    uint32_t size;
    EXPECT_EQ(l.ReadData(DATA_EEPROM, eeprom.data(), 256, size, report), LinkResult::Fail);
    EXPECT_EQ(answering.requests.size(), 1u);
}

}  // namespace
