#include "link/recv_ring.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

uint8_t Pattern(uint64_t i)
{
    return uint8_t(i * 131 + (i >> 9) + (i >> 17));
}

TEST(RecvRing, HoldsAtMost8191Bytes)
{
    CRecvRing ring;
    for (uint32_t i = 0; i < 8190; ++i)
        ASSERT_TRUE(ring.Put(uint8_t(i)));
    EXPECT_EQ(ring.Count(), 8190u);
    EXPECT_TRUE(ring.Put(0xAA));   // 8190 queued: one more fits
    EXPECT_EQ(ring.Count(), 8191u);
    EXPECT_FALSE(ring.Put(0xBB));  // 8191 queued: refused
    EXPECT_EQ(ring.Count(), 8191u);
    uint8_t byte;
    for (uint32_t i = 0; i < 8190; ++i) {
        ASSERT_TRUE(ring.Get(byte));
        ASSERT_EQ(byte, uint8_t(i));
    }
    ASSERT_TRUE(ring.Get(byte));
    EXPECT_EQ(byte, 0xAA);
    EXPECT_FALSE(ring.Get(byte));
}

TEST(RecvRing, BlockFitsOnlyWhenSmallerThanFreeRoomPlusOne)
{
    CRecvRing ring;
    std::vector<uint8_t> block(6144, 1);
    ASSERT_TRUE(ring.PutBlock(block.data(), 6144));
    std::vector<uint8_t> read(2048, 2);
    EXPECT_FALSE(ring.PutBlock(read.data(), 2048));   // 2048 is not less than 8192 - 6144
    EXPECT_EQ(ring.Count(), 6144u);
    EXPECT_TRUE(ring.PutBlock(read.data(), 2047));
    EXPECT_EQ(ring.Count(), 8191u);
}

TEST(RecvRing, BlocksWrapAroundInOrder)
{
    CRecvRing ring;
    uint8_t byte;
    std::vector<uint8_t> filler(8000, 0);
    ASSERT_TRUE(ring.PutBlock(filler.data(), 8000));
    for (int i = 0; i < 8000; ++i)
        ASSERT_TRUE(ring.Get(byte));
    std::vector<uint8_t> block(1000);
    for (int i = 0; i < 1000; ++i)
        block[i] = Pattern(i);
    ASSERT_TRUE(ring.PutBlock(block.data(), 1000));   // 192 bytes at the end, 808 at the start
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(ring.Get(byte));
        ASSERT_EQ(byte, Pattern(i)) << i;
    }
}

TEST(RecvRing, ClearEmptiesAndZeroes)
{
    CRecvRing ring;
    ASSERT_TRUE(ring.Put(7));
    ASSERT_TRUE(ring.Put(8));
    ring.Clear();
    EXPECT_EQ(ring.Count(), 0u);
    uint8_t byte;
    EXPECT_FALSE(ring.Get(byte));
}

TEST(RecvRing, WaitForDataReturnsOnceAByteArrives)
{
    CRecvRing ring;
    EXPECT_FALSE(ring.WaitForData(std::chrono::microseconds(100)));
    std::thread producer([&] { EXPECT_TRUE(ring.Put(1)); });
    EXPECT_TRUE(ring.WaitForData(std::chrono::seconds(10)));
    producer.join();
}

// The watch thread and a worker move millions of bytes through the ring in blocks of
// the sizes a port read gives; nothing may be lost, doubled or reordered.
TEST(RecvRing, ProducerAndConsumerThreadsLoseNothing)
{
    constexpr uint64_t kTotal = 8'000'000;
    CRecvRing ring;
    std::thread producer([&] {
        uint8_t block[2048];
        uint64_t sent = 0;
        uint32_t size = 1;
        while (sent < kTotal) {
            uint32_t n = uint32_t(std::min<uint64_t>(size, kTotal - sent));
            for (uint32_t i = 0; i < n; ++i)
                block[i] = Pattern(sent + i);
            while (!ring.PutBlock(block, n))
                std::this_thread::yield();
            sent += n;
            size = (size * 7 + 97) % 2048 + 1;
        }
    });
    uint64_t received = 0;
    uint64_t mismatches = 0;
    while (received < kTotal) {
        uint8_t byte;
        if (!ring.Get(byte)) {
            ring.WaitForData(std::chrono::milliseconds(1));
            continue;
        }
        mismatches += byte != Pattern(received);
        ++received;
    }
    producer.join();
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(ring.Count(), 0u);
}

}  // namespace
