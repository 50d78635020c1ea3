#include "common/testing/scripted_prompter.h"
#include "link/serving_engine.h"
#include "common/testing/test_support.h"
#include "usb/usb_bulk_port.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace {

// The loader's end of the pipes: each Read hands over the next scripted transfer (an
// empty one is a read that fails), each Write is kept.
class ScriptedPort : public UsbBulkPort {
public:
    uint32_t InPacketSize() const override { return 64; }
    uint32_t OutPacketSize() const override { return 64; }
    bool Write(const uint8_t* data, uint32_t length) override
    {
        writes.emplace_back(data, data + length);
        return true;
    }
    uint32_t Read(uint8_t* buffer, uint32_t length) override
    {
        if (reads.empty())
            return 0;
        std::vector<uint8_t> transfer = reads.front();
        reads.pop_front();
        uint32_t n = std::min<uint32_t>(length, uint32_t(transfer.size()));
        std::copy_n(transfer.begin(), n, buffer);
        return n;
    }
    void Queue(const LinkFrame& frame)
    {
        // The loader's transfers end with a short packet; they are not padded.
        reads.push_back(UsbFrameBytes(frame));
    }
    void QueueRequest(uint8_t psn, uint32_t length, uint32_t offset)
    {
        LinkFrame frame{psn, CMD_READ_REQ, std::vector<uint8_t>(kUsbReadRequestSize)};
        EncodeUsbReadRequest({length, offset}, frame.payload.data());
        Queue(frame);
    }
    void QueueFailedRead() { reads.emplace_back(); }

    std::deque<std::vector<uint8_t>> reads;
    std::vector<std::vector<uint8_t>> writes;
};

class RecordingEvents : public ServingEvents {
public:
    void ShowStatus(const std::string& text) override
    {
        std::lock_guard lock(m_Lock);
        statuses.push_back(text);
    }
    void ShowProgress(uint32_t percent) override
    {
        std::lock_guard lock(m_Lock);
        progress.push_back(percent);
    }
    void WorkerFinished() override { ++finished; }
    std::vector<std::string> statuses;
    std::vector<uint32_t> progress;
    std::atomic<int> finished{0};

private:
    std::mutex m_Lock;
};

class ServingEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = folder / "serving.bin";
        image.resize(1000);
        for (size_t i = 0; i < image.size(); ++i)
            image[i] = uint8_t(i * 7 + 3);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), long(image.size()));
    }

    void Serve(ServingProgram program = ServingProgram::Orvanel)
    {
        engine = std::make_unique<CServingEngine>(link, program, events, guard, abortFlag);
        ASSERT_TRUE(engine->OpenImage(path));
        engine->SetReady();
        served = engine->Serve();
    }
    // The data replies the engine wrote: PSN, LEN and payload of each.
    std::vector<LinkFrame> Replies() const
    {
        std::vector<LinkFrame> replies;
        for (const auto& w : port.writes) {
            uint32_t len = uint32_t(w[6] << 8 | w[7]);
            EXPECT_EQ(w[5], CMD_READ_DATA);
            EXPECT_EQ(w[8 + len], LinkSum(w.data() + 4, len + 4));
            replies.push_back({w[4], w[5], std::vector<uint8_t>(w.begin() + 8, w.begin() + 8 + len)});
        }
        return replies;
    }

    testing_support::TempFolder folder;
    std::filesystem::path path;
    std::vector<uint8_t> image;
    ScriptedPort port;
    LinkState state;
    ScriptedPrompter prompter;
    CUsbLink link{port, state, prompter};
    RecordingEvents events;
    CWorkerGuard guard;
    std::atomic<bool> abortFlag{false};
    std::unique_ptr<CServingEngine> engine;
    bool served = false;
};

TEST_F(ServingEngineTest, ServesRequestsAndEndsCompleteWhenTheLastByteWasServed)
{
    port.QueueRequest(0x21, 600, 0);
    port.QueueRequest(0x22, 400, 600);
    port.QueueRequest(0x23, 0, 1000);   // nothing left: an empty reply
    port.Queue({0x24, CMD_END, {}});
    Serve();
    auto replies = Replies();
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0].psn, 0x21);
    EXPECT_EQ(replies[0].payload, std::vector<uint8_t>(image.begin(), image.begin() + 600));
    EXPECT_EQ(replies[1].payload, std::vector<uint8_t>(image.begin() + 600, image.end()));
    EXPECT_TRUE(replies[2].payload.empty());
    EXPECT_EQ(events.statuses.back(), "Completely Transfered!");
    EXPECT_EQ(events.progress, (std::vector<uint32_t>{0, 60, 100, 100, 0}));
    EXPECT_TRUE(engine->Completed());
    EXPECT_TRUE(engine->Delivered());
    EXPECT_EQ(events.finished, 1);
    EXPECT_FALSE(engine->ImageOpen());
    EXPECT_FALSE(guard.Running());
}

TEST_F(ServingEngineTest, RequestOneBytePastTheEndEndsTheSession)
{
    port.QueueRequest(1, 2, 999);
    port.QueueRequest(2, 1, 0);
    Serve();
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(events.statuses.back(), "Error : File size is over.");
    EXPECT_EQ(port.reads.size(), 1u);   // the second request was never read
    EXPECT_FALSE(engine->Completed());
    EXPECT_EQ(events.finished, 1);
}

TEST_F(ServingEngineTest, EndBeforeTheLastByteIsFailButCompleted)
{
    port.QueueRequest(1, 10, 0);
    port.Queue({2, CMD_END, {}});
    Serve();
    EXPECT_EQ(events.statuses.back(), "Fail!");
    EXPECT_TRUE(engine->Completed());
    EXPECT_FALSE(engine->Delivered());
}

TEST_F(ServingEngineTest, TwoBadReadsThenARequestGoOnAndThreeInARowEndIt)
{
    port.QueueFailedRead();
    port.QueueFailedRead();
    port.QueueRequest(7, 1000, 0);
    port.QueueFailedRead();
    port.QueueFailedRead();
    // A frame with a wrong SUM counts as a failed read too.
    std::vector<uint8_t> bad = UsbFrameBytes({8, CMD_READ_REQ, {0, 1, 0, 0, 0}});
    bad[13] ^= 1;
    port.reads.push_back(bad);
    Serve();
    ASSERT_EQ(Replies().size(), 1u);
    EXPECT_EQ(events.statuses.back(), "Error! Not Responding");
    EXPECT_FALSE(engine->Completed());
    EXPECT_EQ(engine->Failures(), 0u);   // cleared when the session ended
}

TEST_F(ServingEngineTest, OtherCommandsAreIgnoredWithoutCountingAsFailures)
{
    port.QueueFailedRead();
    port.QueueFailedRead();
    port.Queue({1, CMD_HELLO_ACK, {}});
    port.QueueFailedRead();
    Serve();
    EXPECT_EQ(events.statuses, std::vector<std::string>{"Error! Not Responding"});
}

TEST_F(ServingEngineTest, StopWhileWaitingForTheHandshakeSaysNothing)
{
    engine = std::make_unique<CServingEngine>(link, ServingProgram::Orvanel, events, guard, abortFlag);
    ASSERT_TRUE(engine->OpenImage(path));
    ASSERT_TRUE(engine->Start());
    while (!engine->Started())
        std::this_thread::yield();
    engine->Stop();
    engine->Join();
    EXPECT_TRUE(events.statuses.empty());
    EXPECT_TRUE(port.writes.empty());
    EXPECT_EQ(events.finished, 1);
    EXPECT_FALSE(guard.Running());
}

TEST_F(ServingEngineTest, AbortWhileServingEndsQuietly)
{
    abortFlag = true;
    port.QueueRequest(1, 10, 0);
    Serve();
    EXPECT_TRUE(port.writes.empty());
    EXPECT_TRUE(events.statuses.empty());
    EXPECT_EQ(events.finished, 1);
}

TEST_F(ServingEngineTest, StopInTheLoopLeavesTheFinishToTheWindowInTheEditor)
{
    engine = std::make_unique<CServingEngine>(link, ServingProgram::Orvanel, events, guard, abortFlag);
    ASSERT_TRUE(engine->OpenImage(path));
    engine->SetReady();
    engine->Stop();
    EXPECT_TRUE(engine->Serve());
    EXPECT_EQ(events.finished, 0);
    EXPECT_TRUE(engine->ImageOpen());   // the closing window closes it
    EXPECT_FALSE(guard.Running());

    CServingEngine zbdn(link, ServingProgram::Zbdn, events, guard, abortFlag);
    ASSERT_TRUE(zbdn.OpenImage(path));
    zbdn.SetReady();
    zbdn.Stop();
    EXPECT_TRUE(zbdn.Serve());
    EXPECT_EQ(events.finished, 1);
    EXPECT_FALSE(zbdn.Ready());
}

TEST_F(ServingEngineTest, DownloaderEndClearsReadyAndLeavesTheFileToTheWindow)
{
    port.Queue({1, CMD_END, {}});
    Serve(ServingProgram::Zbdn);
    EXPECT_EQ(events.statuses.back(), "Fail!");
    EXPECT_FALSE(engine->Completed());   // the downloader keeps no completed flag
    EXPECT_FALSE(engine->Ready());
    EXPECT_TRUE(engine->ImageOpen());
}

TEST_F(ServingEngineTest, OneWorkerAtATimeAndARefusedStartSaysSo)
{
    ASSERT_TRUE(guard.TryEnter());
    port.QueueRequest(1, 10, 0);
    Serve();
    EXPECT_FALSE(served);
    EXPECT_FALSE(engine->Start());
    EXPECT_FALSE(engine->Running());
    EXPECT_FALSE(engine->Started());
    EXPECT_EQ(port.reads.size(), 1u);
    guard.Leave();
}

TEST_F(ServingEngineTest, AGreetingThatFailsEndsTheWorkerQuietlyAndOneThatSucceedsServes)
{
    engine = std::make_unique<CServingEngine>(link, ServingProgram::Orvanel, events, guard, abortFlag);
    ASSERT_TRUE(engine->OpenImage(path));
    ASSERT_TRUE(engine->Start([] { return false; }));
    engine->Join();
    EXPECT_FALSE(engine->Started());
    EXPECT_EQ(events.finished, 0);
    EXPECT_FALSE(guard.Running());

    port.Queue({1, CMD_END, {}});
    ASSERT_TRUE(engine->Start([] { return true; }));
    engine->Join();
    EXPECT_TRUE(engine->Completed());
    EXPECT_EQ(events.finished, 1);
}

std::vector<uint8_t> HelloAck(uint8_t cmd, bool goodSum)
{
    LinkFrame frame{0x40, cmd, std::vector<uint8_t>(kHelloPayloadSize, 0x11)};
    std::vector<uint8_t> bytes = UsbFrameBytes(frame);
    if (!goodSum)
        bytes.back() ^= 0xFF;
    return bytes;
}

TEST_F(ServingEngineTest, DownloaderHandshakeWantsMagicSumAndHelloAck)
{
    port.reads.push_back(HelloAck(CMD_HELLO_ACK, true));
    EXPECT_TRUE(ZbdnHandshake(link, port));
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes[0].size(), 64u);
    EXPECT_EQ(port.writes[0][5], CMD_HELLO);
    EXPECT_EQ(port.writes[0][4], 0);

    port.reads.push_back(HelloAck(CMD_HELLO_ACK, false));
    EXPECT_FALSE(ZbdnHandshake(link, port));
    port.reads.push_back(HelloAck(CMD_READ_DATA, true));
    EXPECT_FALSE(ZbdnHandshake(link, port));
    std::vector<uint8_t> noMagic = HelloAck(CMD_HELLO_ACK, true);
    noMagic[0] = 'X';
    port.reads.push_back(noMagic);
    EXPECT_FALSE(ZbdnHandshake(link, port));
    // A LEN that runs past the transfer is refused, not read beyond it.
    std::vector<uint8_t> longLen = HelloAck(CMD_HELLO_ACK, true);
    longLen[6] = 0x10;
    port.reads.push_back(longLen);
    EXPECT_FALSE(ZbdnHandshake(link, port));
    EXPECT_FALSE(ZbdnHandshake(link, port));   // nothing answers
}

// Offsets are 24 bits on the wire: past 16 MiB the loader would be served the start again.
TEST_F(ServingEngineTest, AnImageTheWireCannotAddressIsNeverServed)
{
    engine = std::make_unique<CServingEngine>(link, ServingProgram::Zbdn, events, guard, abortFlag);
    FileFailure failure;
    for (uint64_t size : {(uint64_t(4) << 30) + 100000, CServingEngine::kMaxImageSize + 1}) {
        std::filesystem::resize_file(path, size);  // sparse
        EXPECT_FALSE(engine->OpenImage(path, &failure)) << size;
        EXPECT_NE(failure.reason.find("16 MiB"), std::string::npos) << failure.reason;
        EXPECT_FALSE(engine->ImageOpen());
    }
    std::filesystem::resize_file(path, CServingEngine::kMaxImageSize);
    EXPECT_TRUE(engine->OpenImage(path));

    // Grown past the limit after it was taken: refused when the worker starts, nothing sent.
    std::filesystem::resize_file(path, (uint64_t(4) << 30) + 100000);
    port.QueueRequest(1, 1000, 0);
    port.Queue({2, CMD_END, {}});
    engine->SetReady();
    EXPECT_TRUE(engine->Serve());
    EXPECT_EQ(events.statuses, std::vector<std::string>{kImageTooLargeText});
    EXPECT_TRUE(port.writes.empty());
    EXPECT_FALSE(engine->Delivered());
}

}  // namespace
