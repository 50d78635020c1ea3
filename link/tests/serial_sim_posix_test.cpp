// The serial link against the simulated STB over a real pseudo-terminal.
#include "link/serial_channel.h"
#include "link/serial_link.h"
#include "tools/stb_sim/testing/sim_test_images.h"
#include "tools/stb_sim/stb_sim.h"

#include "common/testing/scripted_prompter.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

namespace {

constexpr uint16_t kSystemId = 0x2A71;

using testing_support::PollUntil;

class SerialSimTest : public ::testing::Test {
protected:
    void Start(const SimFaultPlan& faults = {}, StbImage image = MakeTestImage(kSystemId, 0, 0x27, 1))
    {
        held = image;
        StbSimOptions options;
        options.faults = faults;
        options.replyTimeout = std::chrono::milliseconds(200);
        options.outputPath = output;
        sim = std::make_unique<StbSim>(std::move(image), options);
        ASSERT_EQ(sim->Start(), "");
        channel = std::make_unique<CSerialChannel>(prompter, MakeSystemSerialPort(),
                                                   SerialPortConfig{sim->SerialPath(), ""});
        ASSERT_TRUE(channel->Open("COM1", 115200, 0));
        link = std::make_unique<CSerialLink>(channel->m_QueueRead, *channel, state, running, prompter, idle);
        link->m_Budgets.sizeReply = 50'000'000;    // about half a second an attempt
        link->m_Budgets.blockReply = 10'000'000;   // about 100 ms an attempt
    }
    void TearDown() override
    {
        if (channel)
            channel->Close();
        if (sim)
            sim->Stop();
        std::remove(output.c_str());
    }
    // The next frame within about three seconds; its command, or -1.
    int NextFrame()
    {
        bool stopped;
        uint64_t budget = 300'000'000;
        return link->WaitFrame(buffer, budget, stopped) == LinkResult::Ok ? buffer[1] : -1;
    }
    void Greet(uint8_t choice)
    {
        ASSERT_EQ(link->SendFrame(0, CMD_REBOOT), LinkResult::Ok);
        ASSERT_EQ(NextFrame(), CMD_HELLO);
        state._psn = buffer[0];
        state.AdoptHello(*DecodeHello(SerialPayload(buffer)));
        ASSERT_EQ(link->SendFrame(buffer[0], choice), LinkResult::Ok);
    }

    std::string output = ::testing::TempDir() + "serial_sim_download.std";
    StbImage held;
    ScriptedPrompter prompter;
    LinkState state;
    std::atomic<bool> running{true};
    RingWaitIdle idle;
    std::unique_ptr<StbSim> sim;
    std::unique_ptr<CSerialChannel> channel;
    std::unique_ptr<CSerialLink> link;
    uint8_t buffer[kSerialRxBufferSize] = {};
    std::vector<std::string> statuses;
    LinkReport report{[this](const std::string& s) { statuses.push_back(s); }, nullptr};
};

TEST_F(SerialSimTest, UploadReadsFlashAndEepromDespiteADroppedAndACorruptedReply)
{
    SimFaultPlan faults;
    faults.dropReply = {5};
    faults.corruptReply = {200};
    Start(faults);
    Greet(CMD_UPLOAD_REQ);
    EXPECT_EQ(state.systemId, kSystemId);
    EXPECT_EQ(state.StbModelId(), 0);
    EXPECT_EQ(state.headerDefault[kHeaderLayoutVersionAt], 0x27);

    std::vector<uint8_t> flash(0x20000), eeprom(0x100);
    uint32_t blocks = 0, size = 0;
    LinkReport counting{report.status, [&](uint32_t done, uint32_t) { blocks += done > 0; }};
    ASSERT_EQ(link->ReadData(DATA_FLASH, flash.data(), uint32_t(flash.size()), size, counting), LinkResult::Ok);
    EXPECT_EQ(size, 0x20000u);
    EXPECT_EQ(blocks, 515u);   // 514 of 255 bytes and one of 2
    ASSERT_EQ(link->ReadData(DATA_EEPROM, eeprom.data(), uint32_t(eeprom.size()), size, report), LinkResult::Ok);
    EXPECT_EQ(size, 0x100u);
    EXPECT_EQ(link->SendFrame(state.NextPsn(), CMD_END), LinkResult::Ok);
    EXPECT_EQ(flash, held.flash);
    EXPECT_EQ(eeprom, held.eeprom);
    EXPECT_TRUE(statuses.empty());
    // 2 size replies, 517 blocks and the two that had to be asked for again (more when a
    // reply came later than its attempt's budget).
    EXPECT_GE(sim->Serial()->Stats().replies, 2u + 517u + 2u);
}

TEST_F(SerialSimTest, TenSilentAttemptsGiveTimeOut2)
{
    SimFaultPlan faults;
    faults.silentFromReply = 2;   // the size reply comes, no block does
    Start(faults);
    link->m_Budgets.blockReply = 1'000'000;
    Greet(CMD_UPLOAD_REQ);
    std::vector<uint8_t> flash(0x20000);
    uint32_t size;
    EXPECT_EQ(link->ReadData(DATA_FLASH, flash.data(), uint32_t(flash.size()), size, report), LinkResult::Fail);
    EXPECT_EQ(statuses, std::vector<std::string>{"Communication Error!! (TIME OUT2)"});
    EXPECT_TRUE(PollUntil([&] { return sim->Serial()->Stats().replies == 1u + 10u; }));
}

TEST_F(SerialSimTest, ResyncLeadsToASecondHello)
{
    SimFaultPlan faults;
    faults.resyncCount = 1;
    Start(faults);
    Greet(CMD_UPLOAD_REQ);
    ASSERT_EQ(NextFrame(), CMD_RESYNC);
    uint8_t resyncPsn = buffer[0];
    ASSERT_EQ(NextFrame(), CMD_HELLO);
    EXPECT_NE(buffer[0], resyncPsn);
    EXPECT_EQ(sim->Serial()->Stats().hellos, 2u);
}

TEST_F(SerialSimTest, EveryRebootGreetsWithANewPsnAndTheRequestedModel)
{
    SimFaultPlan faults;
    faults.helloModelId = 12;
    Start(faults);
    ASSERT_EQ(link->SendFrame(0, CMD_REBOOT), LinkResult::Ok);
    ASSERT_EQ(NextFrame(), CMD_HELLO);
    uint8_t first = buffer[0];
    EXPECT_EQ(DecodeHello(SerialPayload(buffer))->header[kHeaderModelIdAt], 12);
    ASSERT_EQ(link->SendFrame(0, CMD_REBOOT), LinkResult::Ok);
    ASSERT_EQ(NextFrame(), CMD_HELLO);
    EXPECT_NE(buffer[0], first);
    EXPECT_EQ(sim->Serial()->Stats().restarts, 2u);
}

// The PC's side of a serial download, just enough to feed the simulator's loader.
class DownloadServer {
public:
    DownloadServer(CSerialLink& link, const std::vector<uint8_t>& image) : m_Link(link), m_Image(image) {}
    std::vector<ReadRequest> requests;
    bool Serve()
    {
        uint8_t buffer[kSerialRxBufferSize];
        for (int idle = 0; idle < 3000;) {
            if (m_Link.RxPacket_Download(buffer) != LinkResult::Ok) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ++idle;
                continue;
            }
            idle = 0;
            if (buffer[1] == CMD_END)
                return true;
            if (buffer[1] != CMD_READ_REQ)
                continue;
            ReadRequest r = *DecodeSerialReadRequest(SerialPayload(buffer));
            requests.push_back(r);
            if (r.offset + r.length <= m_Image.size())
                (void)m_Link.SendReadData(buffer[0], m_Image.data() + r.offset, uint8_t(r.length));
        }
        return false;
    }

private:
    CSerialLink& m_Link;
    const std::vector<uint8_t>& m_Image;
};

TEST_F(SerialSimTest, DownloadReplacesTheImageAndWritesIt)
{
    SimFaultPlan faults;
    faults.repeatReadRequest = {3};
    Start(faults);
    Greet(CMD_HELLO_ACK);
    StbImage next = MakeTestImage(kSystemId, 0, 0x27, 2);
    std::vector<uint8_t> file = BuildDownloadImage(next);
    DownloadServer server(*link, file);
    ASSERT_TRUE(server.Serve());
    ASSERT_GT(server.requests.size(), 4u);
    EXPECT_EQ(server.requests[2].offset, server.requests[3].offset);   // the repeated request
    for (const ReadRequest& r : server.requests)
        EXPECT_LE(r.length, 255u);
    LoaderStats stats = sim->Serial()->Stats();
    EXPECT_EQ(stats.downloadsDone, 1u) << stats.lastError;
    StbImage now = sim->Image().Snapshot();
    EXPECT_EQ(now.flash, next.flash);
    EXPECT_EQ(now.eeprom, next.eeprom);
    StbImage written;
    ASSERT_EQ(LoadStdImage(output, written), "");
    EXPECT_EQ(written.flash, next.flash);
    EXPECT_EQ(written.systemId, kSystemId);
}

TEST_F(SerialSimTest, DownloadWithADamagedChunkIsRefused)
{
    Start();
    Greet(CMD_HELLO_ACK);
    std::vector<uint8_t> file = BuildDownloadImage(MakeTestImage(kSystemId, 0, 0x27, 3));
    file[40] ^= 0x01;   // inside the first chunk's data
    DownloadServer server(*link, file);
    ASSERT_TRUE(server.Serve());   // the loader still ends the session
    LoaderStats stats = sim->Serial()->Stats();
    EXPECT_EQ(stats.downloadsFailed, 1u);
    EXPECT_EQ(stats.lastError, "chunk checksum error");
    EXPECT_EQ(sim->Image().Snapshot().flash, held.flash);
}

}  // namespace
