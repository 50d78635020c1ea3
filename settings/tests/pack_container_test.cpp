#include "settings/checksum.h"
#include "settings/testing/flash_image_builder.h"
#include "settings/pack_container.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pack(const Bytes& in)
{
    Bytes out(PackBlockBound(uint32_t(in.size())));
    out.resize(PackBlock(in.data(), uint32_t(in.size()), out.data()));
    return out;
}

uint32_t Unpack(const Bytes& container, Bytes& out)
{
    return UnpackContainer(container, out);
}

using testing_support::RandomBytes;

}

TEST(PackContainer, RandomBlockIsStored)
{
    const Bytes in = RandomBytes(0x2000, 2);
    const Bytes c = Pack(in);
    ASSERT_EQ(c.size(), 0x2012u);
    EXPECT_EQ(GetBe16(&c[0]), 8);
    EXPECT_EQ(GetBe16(&c[2]), Crc16(&c[4], 6));
    EXPECT_EQ(GetBe16(&c[4]), 0xFFFF);
    EXPECT_EQ(GetBe16(&c[6]), 1);
    EXPECT_EQ(GetBe16(&c[8]), 1);
    EXPECT_EQ(GetBe16(&c[10]), 0x2006) << "stored length + 6";
    EXPECT_EQ(GetBe16(&c[12]), Crc16(&c[14], 0x2000 + 4));
    EXPECT_EQ(GetBe16(&c[14]), 0xFFFF);
    EXPECT_EQ(GetBe16(&c[16]), 0x2000);
    EXPECT_TRUE(std::equal(in.begin(), in.end(), c.begin() + 18));
    Bytes out(0x2000);
    EXPECT_EQ(Unpack(c, out), 0x2000u);
    EXPECT_EQ(out, in);
}

TEST(PackContainer, RepeatedByteCompressesAndExpands)
{
    const Bytes in(0x2000, 0);
    const Bytes c = Pack(in);
    EXPECT_LT(c.size(), 18u + 40u);
    EXPECT_EQ(GetBe16(&c[16]), 0x2000);
    EXPECT_EQ(GetBe16(&c[12]), Crc16(&c[14], uint32_t(c.size()) - 14));
    Bytes out(0x2000, 0xEE);
    EXPECT_EQ(Unpack(c, out), 0x2000u);
    EXPECT_EQ(out, in);
}

TEST(PackContainer, LongInputIsSplitIntoChunksOf32762)
{
    // A whole flash image as the download file carries it: four full chunks and 24 bytes.
    Bytes in = MakeSettingsLikeArea(6);
    in.resize(0x20000);
    const Bytes c = Pack(in);
    EXPECT_EQ(GetBe16(&c[8]), 5);
    uint32_t pos = 10;
    std::vector<uint32_t> lengths;
    for (int k = 0; k < 5; ++k) {
        lengths.push_back(GetBe16(&c[pos + 6]));
        pos += GetBe16(&c[pos]) - 6 + 8;
    }
    EXPECT_EQ(pos, c.size());
    EXPECT_EQ(lengths, (std::vector<uint32_t>{0x7FFA, 0x7FFA, 0x7FFA, 0x7FFA, 24}));
    Bytes out(0x20000);
    EXPECT_EQ(Unpack(c, out), 0x20000u);
    EXPECT_EQ(out, in);
}

TEST(PackContainer, ChecksumFieldsAreNotVerifiedOnUnpacking)
{
    const Bytes in = MakeSettingsLikeBlock(1, 0);
    Bytes c = Pack(in);
    c[2] ^= 0xFF;
    c[12] ^= 0xFF;
    Bytes out(0x2000);
    EXPECT_EQ(Unpack(c, out), 0x2000u);
    EXPECT_EQ(out, in);
}

TEST(PackContainer, UnacceptableHeadersProduceNothing)
{
    const Bytes good = Pack(MakeSettingsLikeBlock(1, 1));
    struct Damage {
        const char* what;
        size_t at;
        uint16_t value;
    };
    const Damage cases[] = {
        {"header length", 0, 9},        {"container id", 4, 0x1234},   {"version", 6, 2},
        {"chunk length 6", 10, 6},      {"chunk length 0x8001", 10, 0x8001},
        {"chunk type", 14, 2},          {"chunk count beyond the data", 8, 2},
    };
    for (const auto& d : cases) {
        Bytes c = good;
        PutBe16(&c[d.at], d.value);
        Bytes out(0x2000, 0xEE);
        EXPECT_EQ(Unpack(c, out), 0u) << d.what;
    }
}

TEST(PackContainer, ChunksMustFitTheirInputAndOutput)
{
    const Bytes in = MakeSettingsLikeBlock(1, 2);
    const Bytes c = Pack(in);
    Bytes out(0x2000);
    // Cut short: the chunk's stated length runs past the bytes given.
    EXPECT_EQ(UnpackContainer(std::span(c).first(c.size() - 1), out), 0u);
    EXPECT_EQ(UnpackContainer(std::span(c).first(9), out), 0u);
    // One byte less room than the chunk states.
    EXPECT_EQ(UnpackContainer(c, std::span(out).first(0x1FFF)), 0u);
    // A stated length the stream does not produce, either way.
    for (uint16_t stated : {uint16_t(0x1FFF), uint16_t(0x2001)}) {
        Bytes bad = c;
        PutBe16(&bad[16], stated);
        Bytes room(0x2001);
        EXPECT_EQ(Unpack(bad, room), 0u) << stated;
    }
}

TEST(PackContainer, EmptyInputIsAContainerWithoutChunks)
{
    uint8_t out[16] = {};
    EXPECT_EQ(PackBlock(nullptr, 0, out), 10u);
    EXPECT_EQ(GetBe16(out + 8), 0);
    EXPECT_EQ(PackBlockBound(0), 10u);
    EXPECT_EQ(PackBlockBound(0x7FFB), 10u + 16 + 0x7FFB);
}
