#include "settings/lh5_decode.h"

#include "settings/lh5_format.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace lh5 {
namespace {

constexpr uint32_t kCTableBits = 12;
constexpr uint32_t kPtTableBits = 8;
constexpr uint16_t kNoNode = 0xFFFF;
constexpr uint32_t kEndSlackBits = 16;

// Most significant bit first; bits past the end read as zeros and are counted.
class BitReader {
public:
    BitReader(const uint8_t* in, uint32_t length) : in_(in), length_(length) { Refill(); }

    // Keeps at least 57 bits buffered, enough for one literal/length, position and extra bits.
    void Refill()
    {
        while (count_ <= 56) {
            const uint64_t byte = next_ < length_ ? in_[next_] : 0;
            ++next_;
            buf_ |= byte << (56 - count_);
            count_ += 8;
        }
    }
    uint32_t Peek(uint32_t n) const { return n == 0 ? 0 : uint32_t(buf_ >> (64 - n)); }
    bool Bit(uint32_t index) const { return (buf_ >> (63 - index)) & 1; }
    void Skip(uint32_t n)
    {
        buf_ <<= n;
        count_ -= n;
    }
    uint32_t Get(uint32_t n)
    {
        Refill();
        const uint32_t v = Peek(n);
        Skip(n);
        return v;
    }
    // Compressors that leave out the padding make the last code read a few zero bits past
    // the end; a stream that needs more than that is broken.
    bool PastEnd() const { return uint64_t(next_) * 8 - count_ > uint64_t(length_) * 8 + kEndSlackBits; }

private:
    const uint8_t* in_;
    uint32_t length_;
    uint32_t next_ = 0;
    uint64_t buf_ = 0;
    uint32_t count_ = 0;
};

// Lookup table of tableBits bits, then a binary tree for the longer codes.
template <uint32_t N, uint32_t TableBits>
class HuffmanTable {
public:
    std::array<uint8_t, N> len{};

    void SetSingle(uint32_t symbol)
    {
        len.fill(0);
        table_.fill(uint16_t(symbol));
    }
    // Lengths len[0..N) must be at most 16; false unless they form a complete code.
    bool Build();
    uint32_t Decode(BitReader& bits) const
    {
        uint32_t s = table_[bits.Peek(TableBits)];
        for (uint32_t i = TableBits; s >= N; ++i)
            s = bits.Bit(i) ? right_[s] : left_[s];
        bits.Skip(len[s]);
        return s;
    }

private:
    std::array<uint16_t, 1u << TableBits> table_{};
    std::array<uint16_t, 2 * N> left_{};
    std::array<uint16_t, 2 * N> right_{};
};

template <uint32_t N, uint32_t TableBits>
bool HuffmanTable<N, TableBits>::Build()
{
    std::array<uint32_t, kMaxCodeLength + 1> count{};
    for (uint32_t i = 0; i < N; ++i)
        ++count[len[i]];
    std::array<uint32_t, kMaxCodeLength + 2> start{};   // first code of each length, left-aligned to 16 bits
    for (uint32_t i = 1; i <= kMaxCodeLength; ++i)
        start[i + 1] = start[i] + (count[i] << (kMaxCodeLength - i));
    if (start[kMaxCodeLength + 1] != 1u << kMaxCodeLength)
        return false;
    constexpr uint32_t jut = kMaxCodeLength - TableBits;
    // Canonical order puts every code longer than the table behind the shorter ones.
    std::fill(table_.begin() + (start[TableBits + 1] >> jut), table_.end(), kNoNode);
    uint32_t avail = N;
    for (uint32_t s = 0; s < N; ++s) {
        const uint32_t l = len[s];
        if (l == 0)
            continue;
        const uint32_t code = start[l];
        start[l] += 1u << (kMaxCodeLength - l);
        if (l <= TableBits) {
            std::fill(table_.begin() + (code >> jut), table_.begin() + (start[l] >> jut), uint16_t(s));
            continue;
        }
        uint16_t* node = &table_[code >> jut];
        for (uint32_t bit = TableBits; bit < l; ++bit) {
            if (*node == kNoNode) {
                left_[avail] = right_[avail] = kNoNode;
                *node = uint16_t(avail++);
            }
            node = (code >> (kMaxCodeLength - 1 - bit)) & 1 ? &right_[*node] : &left_[*node];
        }
        *node = uint16_t(s);
    }
    return true;
}

class Decoder {
public:
    Decoder(const uint8_t* in, uint32_t inLength) : bits_(in, inLength) {}
    bool Run(uint8_t* out, uint32_t outLength);

private:
    bool ReadBlockHeader();
    template <uint32_t N>
    bool ReadPtLen(HuffmanTable<N, kPtTableBits>& table, uint32_t nBit, uint32_t special);
    bool ReadCLen();
    uint32_t DecodeDistance();

    BitReader bits_;
    uint32_t blockLeft_ = 0;
    HuffmanTable<kNC, kCTableBits> c_;
    HuffmanTable<kNT, kPtTableBits> t_;
    HuffmanTable<kNP, kPtTableBits> p_;
};

template <uint32_t N>
bool Decoder::ReadPtLen(HuffmanTable<N, kPtTableBits>& table, uint32_t nBit, uint32_t special)
{
    const uint32_t n = bits_.Get(nBit);
    if (n == 0) {
        const uint32_t symbol = bits_.Get(nBit);
        if (symbol >= N)
            return false;
        table.SetSingle(symbol);
        return true;
    }
    if (n > N)
        return false;
    table.len.fill(0);
    for (uint32_t i = 0; i < n;) {
        bits_.Refill();
        uint32_t l = bits_.Peek(3);
        if (l == 7) {
            while (bits_.Bit(l - 4)) {   // a run of ones after 111 adds one each, then a zero
                if (++l > kMaxCodeLength)
                    return false;
            }
            bits_.Skip(l - 3);
        } else {
            bits_.Skip(3);
        }
        table.len[i++] = uint8_t(l);
        if (i == special) {
            const uint32_t zeros = bits_.Get(2);
            if (i + zeros > N)
                return false;
            i += zeros;   // len[] already holds the zeros
        }
    }
    return table.Build();
}

bool Decoder::ReadCLen()
{
    const uint32_t n = bits_.Get(kCBit);
    if (n == 0) {
        const uint32_t symbol = bits_.Get(kCBit);
        if (symbol >= kNC)
            return false;
        c_.SetSingle(symbol);
        return true;
    }
    if (n > kNC)
        return false;
    c_.len.fill(0);
    for (uint32_t i = 0; i < n;) {
        bits_.Refill();
        const uint32_t t = t_.Decode(bits_);
        if (t > 2) {
            c_.len[i++] = uint8_t(t - 2);
            continue;
        }
        const uint32_t run = t == 0 ? 1 : t == 1 ? bits_.Get(4) + 3 : bits_.Get(kCBit) + 20;
        if (i + run > n)
            return false;
        i += run;
    }
    return c_.Build();
}

bool Decoder::ReadBlockHeader()
{
    blockLeft_ = bits_.Get(16);
    if (blockLeft_ == 0)
        return false;
    return ReadPtLen(t_, kTBit, kTSpecial) && ReadCLen() && ReadPtLen(p_, kPBit, ~0u);
}

uint32_t Decoder::DecodeDistance()
{
    const uint32_t s = p_.Decode(bits_);
    if (s <= 1)
        return s;
    const uint32_t extra = bits_.Peek(s - 1);
    bits_.Skip(s - 1);
    return (1u << (s - 1)) + extra;
}

bool Decoder::Run(uint8_t* out, uint32_t outLength)
{
    uint32_t pos = 0;
    while (pos < outLength) {
        if (blockLeft_ == 0) {
            if (bits_.PastEnd() || !ReadBlockHeader())
                return false;
        }
        --blockLeft_;
        bits_.Refill();
        const uint32_t c = c_.Decode(bits_);
        if (c < 256) {
            out[pos++] = uint8_t(c);
            continue;
        }
        const uint32_t length = c - kLengthBias;
        const uint32_t back = DecodeDistance() + 1;
        if (length > outLength - pos)
            return false;
        uint32_t i = 0;
        for (; back > pos && i < length; ++i, ++pos)   // the dictionary starts out as zeros
            out[pos] = 0;
        uint8_t* dst = out + pos;
        const uint8_t* src = dst - back;
        const uint32_t rest = length - i;
        if (back >= rest)
            std::memcpy(dst, src, rest);
        else if (back == 1)
            std::memset(dst, src[0], rest);
        else
            for (uint32_t k = 0; k < rest; ++k)
                dst[k] = src[k];
        pos += rest;
    }
    return blockLeft_ == 0 && !bits_.PastEnd();
}

}

bool Decode(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength)
{
    Decoder decoder(in, inLength);
    return decoder.Run(out, outLength);
}

}
