#include "settings/testing/flash_image_builder.h"
#include "settings/lh5_decode.h"
#include "settings/lh5_encode.h"
#include "settings/lh5_format.h"
#include "settings/lh5_huffman.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Compress(const Bytes& in, uint32_t capacity)
{
    Bytes out(capacity);
    lh5::Compressor compressor;
    out.resize(compressor.Compress(in.data(), uint32_t(in.size()), out.data(), capacity));
    return out;
}

bool Decode(const Bytes& stream, Bytes& out)
{
    return lh5::Decode(stream, out);
}

using testing_support::RandomBytes;

// Letters with skewed frequencies in random order: few matches, so nearly every byte is a
// literal and a 32 KB chunk needs several Huffman blocks.
Bytes LiteralHeavy(uint32_t n)
{
    std::mt19937 rng(11);
    Bytes b(n);
    for (auto& x : b)
        x = uint8_t('a' + std::min<uint32_t>(25, std::geometric_distribution<uint32_t>(0.2)(rng)));
    return b;
}

// Stream writer for hand-made streams, most significant bit first.
class Bits {
public:
    Bits& Put(uint32_t n, uint32_t value)
    {
        for (uint32_t i = n; i-- > 0;)
            PutBit((value >> i) & 1);
        return *this;
    }
    Bytes Finish()
    {
        Put(7, 0);
        while (count_ != 0)
            PutBit(0);
        return bytes_;
    }

private:
    void PutBit(uint32_t bit)
    {
        if (count_ == 0)
            bytes_.push_back(0);
        bytes_.back() |= uint8_t(bit << (7 - count_));
        count_ = (count_ + 1) % 8;
    }
    Bytes bytes_;
    uint32_t count_ = 0;
};

// A block whose T, C and P tables each hold one symbol: every symbol costs no bits.
Bits SingleSymbolBlock(uint32_t count, uint32_t cSymbol, uint32_t pSymbol)
{
    Bits b;
    b.Put(16, count).Put(5, 0).Put(5, 0).Put(9, 0).Put(9, cSymbol).Put(4, 0).Put(4, pSymbol);
    return b;
}

// T lengths [0, 0, 1, then zero count 0, 1]: T symbols 2 (long zero run) and 3 (length 1)
// with codes 0 and 1.
Bits& PutRunAndOneT(Bits& b)
{
    return b.Put(5, 4).Put(3, 0).Put(3, 0).Put(3, 1).Put(2, 0).Put(3, 1);
}

}

TEST(Lh5RoundTrip, RepeatedByteShrinksToAFewDozenBytes)
{
    const Bytes in(0x2000, 0x5A);
    const Bytes stream = Compress(in, 0x2000);
    ASSERT_FALSE(stream.empty());
    EXPECT_LE(stream.size(), 40u);
    Bytes out(in.size());
    ASSERT_TRUE(Decode(stream, out));
    EXPECT_EQ(out, in);
}

TEST(Lh5RoundTrip, LargestChunkSpansSeveralHuffmanBlocks)
{
    const Bytes in = LiteralHeavy(0x7FFA);
    const Bytes stream = Compress(in, uint32_t(in.size()));
    ASSERT_FALSE(stream.empty());
    EXPECT_LT(stream[0] << 8 | stream[1], 0x7FFA / 2) << "first block's symbol count";
    Bytes out(in.size());
    ASSERT_TRUE(Decode(stream, out));
    EXPECT_EQ(out, in);
}

TEST(Lh5RoundTrip, MatchesReachTheWholeDictionaryAndNoFurther)
{
    // A random 8 KB run repeated: the copy lies exactly 8192 bytes back.
    Bytes in = RandomBytes(0x2000, 4);
    in.insert(in.end(), in.begin(), in.end());
    const Bytes stream = Compress(in, uint32_t(in.size()));
    ASSERT_FALSE(stream.empty());
    EXPECT_LT(stream.size(), 0x2000 + 0x400u);
    Bytes out(in.size());
    ASSERT_TRUE(Decode(stream, out));
    EXPECT_EQ(out, in);

    // One byte further back is out of reach: the second copy is coded as literals.
    Bytes far = RandomBytes(0x2001, 4);
    far.insert(far.end(), far.begin(), far.begin() + 0x2000);
    const Bytes farStream = Compress(far, uint32_t(far.size() * 2));
    EXPECT_GT(farStream.size(), 0x4000u);
    out.assign(far.size(), 0);
    ASSERT_TRUE(Decode(farStream, out));
    EXPECT_EQ(out, far);
}

TEST(Lh5RoundTrip, InputsOfManyShapes)
{
    // Short and long inputs over small and large alphabets with copied stretches: matches
    // that end exactly at the input's end, lengths around 256, overlapping copies.
    std::mt19937 rng(21);
    for (uint32_t k = 0; k < 200; ++k) {
        Bytes in(1 + rng() % 3000);
        const uint32_t alphabet = 1 + rng() % (k % 2 ? 4 : 256);
        for (size_t i = 0; i < in.size(); ++i) {
            if (i > 8 && rng() % 16 == 0) {
                const size_t from = rng() % i;
                const size_t n = std::min<size_t>(in.size() - i, 1 + rng() % 300);
                for (size_t j = 0; j < n; ++j)
                    in[i + j] = in[from + j];
                i += n - 1;
            } else {
                in[i] = uint8_t(rng() % alphabet);
            }
        }
        const Bytes stream = Compress(in, uint32_t(in.size()) * 2 + 64);
        ASSERT_FALSE(stream.empty()) << k;
        Bytes out(in.size());
        ASSERT_TRUE(Decode(stream, out)) << k;
        ASSERT_EQ(out, in) << k;
    }
}

TEST(Lh5Compress, GivesUpWhenNotShorter)
{
    const Bytes random = RandomBytes(0x2000, 1);
    EXPECT_TRUE(Compress(random, 0x2000).empty());
    for (uint32_t n : {0u, 1u, 2u, 3u}) {
        const Bytes tiny(n, 7);
        EXPECT_TRUE(Compress(tiny, n).empty()) << n;
    }
    // With room to spare the same random bytes still make a valid (longer) stream.
    const Bytes stream = Compress(random, 0x3000);
    ASSERT_GT(stream.size(), 0x2000u);
    Bytes out(random.size());
    ASSERT_TRUE(Decode(stream, out));
    EXPECT_EQ(out, random);
}

TEST(Lh5Huffman, LengthsAreLimitedTo16AndFormACompleteCode)
{
    // Fibonacci frequencies give a tree 30 levels deep before the limit.
    std::vector<uint16_t> freq(lh5::kNC, 0);
    uint32_t a = 1, b = 1;
    for (uint32_t i = 0; i < 24; ++i) {
        freq[i * 7] = uint16_t(a);
        const uint32_t next = a + b;
        a = b;
        b = next;
    }
    std::vector<uint8_t> len(lh5::kNC);
    std::vector<uint16_t> code(lh5::kNC);
    const uint32_t root = lh5::MakeHuffmanCode(lh5::kNC, freq.data(), len.data(), code.data());
    EXPECT_GE(root, lh5::kNC);
    uint64_t kraft = 0;
    uint32_t longest = 0;
    for (uint32_t i = 0; i < lh5::kNC; ++i) {
        EXPECT_EQ(len[i] != 0, freq[i] != 0) << i;
        EXPECT_LE(len[i], 16) << i;
        if (len[i] != 0)
            kraft += 1ull << (16 - len[i]);
        longest = std::max<uint32_t>(longest, len[i]);
    }
    EXPECT_EQ(kraft, 1ull << 16);
    EXPECT_EQ(longest, 16u);
    EXPECT_LE(len[23 * 7], 2) << "the most frequent symbol keeps a short code";
    // Canonical codes are prefix-free: no code is the start of another.
    for (uint32_t i = 0; i < lh5::kNC; ++i) {
        for (uint32_t j = 0; j < lh5::kNC; ++j) {
            if (i != j && len[i] != 0 && len[j] != 0 && len[i] <= len[j]) {
                EXPECT_NE(code[j] >> (len[j] - len[i]), code[i]) << i << " " << j;
            }
        }
    }
}

TEST(Lh5Huffman, FewerThanTwoSymbolsGiveTheSymbolItself)
{
    std::vector<uint16_t> freq(lh5::kNP, 0);
    std::vector<uint8_t> len(lh5::kNP, 9);
    std::vector<uint16_t> code(lh5::kNP);
    EXPECT_EQ(lh5::MakeHuffmanCode(lh5::kNP, freq.data(), len.data(), code.data()), 0u);
    freq[5] = 40;
    EXPECT_EQ(lh5::MakeHuffmanCode(lh5::kNP, freq.data(), len.data(), code.data()), 5u);
    EXPECT_EQ(len[5], 0);
}

TEST(Lh5Decode, HandMadeStreams)
{
    Bytes out(1);
    ASSERT_TRUE(Decode(SingleSymbolBlock(1, 'A', 0).Finish(), out));
    EXPECT_EQ(out[0], 'A');

    // 'A', then a 3-byte match two bytes back: the byte before the start reads as zero.
    Bits b;
    b.Put(16, 2);
    PutRunAndOneT(b);
    b.Put(9, 257).Put(1, 0).Put(9, 65 - 20).Put(1, 1).Put(1, 0).Put(9, 190 - 20).Put(1, 1);
    b.Put(4, 0).Put(4, 1);    // P: the single symbol 1, distance 1
    b.Put(1, 0).Put(1, 1);    // 'A', length symbol 256
    out.assign(4, 0xEE);
    ASSERT_TRUE(Decode(b.Finish(), out));
    EXPECT_EQ(out, (Bytes{'A', 0, 'A', 0}));
}

TEST(Lh5Decode, RefusesImpossibleTables)
{
    Bytes out(1);
    // Single-symbol tables that name a symbol outside the alphabet.
    EXPECT_FALSE(Decode(Bits().Put(16, 1).Put(5, 0).Put(5, 19).Finish(), out));
    EXPECT_FALSE(Decode(SingleSymbolBlock(1, 510, 0).Finish(), out));
    EXPECT_FALSE(Decode(SingleSymbolBlock(1, 'A', 14).Finish(), out));
    // More T lengths than T symbols.
    EXPECT_FALSE(Decode(Bits().Put(16, 1).Put(5, 20).Finish(), out));
    // Oversubscribed T table: three codes of length 1.
    EXPECT_FALSE(Decode(Bits().Put(16, 1).Put(5, 3).Put(3, 1).Put(3, 1).Put(3, 1).Put(2, 0).Finish(), out));
    // Incomplete T table: one code of length 1.
    EXPECT_FALSE(Decode(Bits().Put(16, 1).Put(5, 1).Put(3, 1).Finish(), out));
    // A T length of 17: 111 then ten ones.
    EXPECT_FALSE(Decode(Bits().Put(16, 1).Put(5, 1).Put(3, 7).Put(10, 0x3FF).Put(1, 0).Finish(), out));
    // Incomplete C table: a single length-1 code after a zero run.
    Bits c;
    c.Put(16, 1);
    PutRunAndOneT(c);
    c.Put(9, 66).Put(1, 0).Put(9, 65 - 20).Put(1, 1).Put(4, 0).Put(4, 0);
    EXPECT_FALSE(Decode(c.Finish(), out));
}

TEST(Lh5Decode, RefusesStreamsOfTheWrongLength)
{
    Bytes out(1);
    // Two symbols in the block but one byte stated.
    EXPECT_FALSE(Decode(SingleSymbolBlock(2, 'A', 0).Finish(), out));
    // A 3-byte match where two bytes are stated.
    out.assign(2, 0);
    EXPECT_FALSE(Decode(SingleSymbolBlock(1, 256, 0).Finish(), out));
    // An empty block while output is still due, and an empty stream (it reads as empty blocks).
    EXPECT_FALSE(Decode(SingleSymbolBlock(0, 'A', 0).Finish(), out));
    EXPECT_FALSE(Decode(Bytes{}, out));
    // Fewer symbols than stated bytes: the next block header lies past the end.
    out.assign(3, 0);
    EXPECT_FALSE(Decode(SingleSymbolBlock(2, 'A', 0).Finish(), out));
}

TEST(Lh5Decode, RefusesTruncatedStreams)
{
    const Bytes in = MakeSettingsLikeBlock(5, 2);
    const Bytes stream = Compress(in, 0x2000);
    ASSERT_GT(stream.size(), 100u);
    Bytes out(in.size());
    // Dropping the last byte may only drop padding; any shorter cut loses coded bits.
    for (size_t cut = 0; cut + 2 <= stream.size(); cut += 1 + cut / 16) {
        const Bytes truncated(stream.begin(), stream.begin() + cut);
        EXPECT_FALSE(Decode(truncated, out)) << cut;
    }
}

TEST(Lh5Decode, RefusesZeroRunPastTheCTable)
{
    // C lengths: 64 zeros, then '@' (64) and 'A' (65) with length 1, coded 0 and 1.
    auto stream = [](uint32_t n, bool trailingRun) {
        Bits b;
        b.Put(16, 1);
        PutRunAndOneT(b);
        b.Put(9, n).Put(1, 0).Put(9, 64 - 20).Put(1, 1).Put(1, 1);
        if (trailingRun)
            b.Put(1, 0).Put(9, 0);   // 20 more zeros where only one is left
        b.Put(4, 0).Put(4, 0).Put(1, 1);
        return b.Finish();
    };
    Bytes out(1);
    ASSERT_TRUE(Decode(stream(66, false), out));
    EXPECT_EQ(out[0], 'A');
    EXPECT_FALSE(Decode(stream(67, true), out));
}
