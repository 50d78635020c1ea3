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
    BitReader(const uint8_t* in, uint32_t length) : m_In(in), m_Length(length) { Refill(); }

    // Keeps at least 57 bits buffered, enough for one literal/length, position and extra bits.
    void Refill()
    {
        while (m_Count <= 56) {
            const uint64_t byte = m_Next < m_Length ? m_In[m_Next] : 0;
            ++m_Next;
            m_Buf |= byte << (56 - m_Count);
            m_Count += 8;
        }
    }
    uint32_t Peek(uint32_t n) const { return n == 0 ? 0 : uint32_t(m_Buf >> (64 - n)); }
    bool Bit(uint32_t index) const { return (m_Buf >> (63 - index)) & 1; }
    void Skip(uint32_t n)
    {
        m_Buf <<= n;
        m_Count -= n;
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
    bool PastEnd() const { return uint64_t(m_Next) * 8 - m_Count > uint64_t(m_Length) * 8 + kEndSlackBits; }

private:
    const uint8_t* m_In;
    uint32_t m_Length;
    uint32_t m_Next = 0;
    uint64_t m_Buf = 0;
    uint32_t m_Count = 0;
};

// Lookup table of tableBits bits, then a binary tree for the longer codes.
template <uint32_t N, uint32_t TableBits>
class HuffmanTable {
public:
    std::array<uint8_t, N> len{};

    void SetSingle(uint32_t symbol)
    {
        len.fill(0);
        m_Table.fill(uint16_t(symbol));
    }
    // Lengths len[0..N) must be at most 16; false unless they form a complete code.
    bool Build();
    uint32_t Decode(BitReader& bits) const
    {
        uint32_t s = m_Table[bits.Peek(TableBits)];
        for (uint32_t i = TableBits; s >= N; ++i)
            s = bits.Bit(i) ? m_Right[s] : m_Left[s];
        bits.Skip(len[s]);
        return s;
    }

private:
    std::array<uint16_t, 1u << TableBits> m_Table{};
    std::array<uint16_t, 2 * N> m_Left{};
    std::array<uint16_t, 2 * N> m_Right{};
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
    std::fill(m_Table.begin() + (start[TableBits + 1] >> jut), m_Table.end(), kNoNode);
    uint32_t avail = N;
    for (uint32_t s = 0; s < N; ++s) {
        const uint32_t l = len[s];
        if (l == 0)
            continue;
        const uint32_t code = start[l];
        start[l] += 1u << (kMaxCodeLength - l);
        if (l <= TableBits) {
            std::fill(m_Table.begin() + (code >> jut), m_Table.begin() + (start[l] >> jut), uint16_t(s));
            continue;
        }
        uint16_t* node = &m_Table[code >> jut];
        for (uint32_t bit = TableBits; bit < l; ++bit) {
            if (*node == kNoNode) {
                m_Left[avail] = m_Right[avail] = kNoNode;
                *node = uint16_t(avail++);
            }
            node = (code >> (kMaxCodeLength - 1 - bit)) & 1 ? &m_Right[*node] : &m_Left[*node];
        }
        *node = uint16_t(s);
    }
    return true;
}

class Decoder {
public:
    Decoder(const uint8_t* in, uint32_t inLength) : m_Bits(in, inLength) {}
    bool Run(uint8_t* out, uint32_t outLength);

private:
    bool ReadBlockHeader();
    template <uint32_t N>
    bool ReadPtLen(HuffmanTable<N, kPtTableBits>& table, uint32_t nBit, uint32_t special);
    bool ReadCLen();
    uint32_t DecodeDistance();

    BitReader m_Bits;
    uint32_t m_BlockLeft = 0;
    HuffmanTable<kNC, kCTableBits> m_C;
    HuffmanTable<kNT, kPtTableBits> m_T;
    HuffmanTable<kNP, kPtTableBits> m_P;
};

template <uint32_t N>
bool Decoder::ReadPtLen(HuffmanTable<N, kPtTableBits>& table, uint32_t nBit, uint32_t special)
{
    const uint32_t n = m_Bits.Get(nBit);
    if (n == 0) {
        const uint32_t symbol = m_Bits.Get(nBit);
        if (symbol >= N)
            return false;
        table.SetSingle(symbol);
        return true;
    }
    if (n > N)
        return false;
    table.len.fill(0);
    for (uint32_t i = 0; i < n;) {
        m_Bits.Refill();
        uint32_t l = m_Bits.Peek(3);
        if (l == 7) {
            while (m_Bits.Bit(l - 4)) {   // a run of ones after 111 adds one each, then a zero
                if (++l > kMaxCodeLength)
                    return false;
            }
            m_Bits.Skip(l - 3);
        } else {
            m_Bits.Skip(3);
        }
        table.len[i++] = uint8_t(l);
        if (i == special) {
            const uint32_t zeros = m_Bits.Get(2);
            if (i + zeros > N)
                return false;
            i += zeros;   // len[] already holds the zeros
        }
    }
    return table.Build();
}

bool Decoder::ReadCLen()
{
    const uint32_t n = m_Bits.Get(kCBit);
    if (n == 0) {
        const uint32_t symbol = m_Bits.Get(kCBit);
        if (symbol >= kNC)
            return false;
        m_C.SetSingle(symbol);
        return true;
    }
    if (n > kNC)
        return false;
    m_C.len.fill(0);
    for (uint32_t i = 0; i < n;) {
        m_Bits.Refill();
        const uint32_t t = m_T.Decode(m_Bits);
        if (t > 2) {
            m_C.len[i++] = uint8_t(t - 2);
            continue;
        }
        const uint32_t run = t == 0 ? 1 : t == 1 ? m_Bits.Get(4) + 3 : m_Bits.Get(kCBit) + 20;
        if (i + run > n)
            return false;
        i += run;
    }
    return m_C.Build();
}

bool Decoder::ReadBlockHeader()
{
    m_BlockLeft = m_Bits.Get(16);
    if (m_BlockLeft == 0)
        return false;
    return ReadPtLen(m_T, kTBit, kTSpecial) && ReadCLen() && ReadPtLen(m_P, kPBit, ~0u);
}

uint32_t Decoder::DecodeDistance()
{
    const uint32_t s = m_P.Decode(m_Bits);
    if (s <= 1)
        return s;
    const uint32_t extra = m_Bits.Peek(s - 1);
    m_Bits.Skip(s - 1);
    return (1u << (s - 1)) + extra;
}

bool Decoder::Run(uint8_t* out, uint32_t outLength)
{
    uint32_t pos = 0;
    while (pos < outLength) {
        if (m_BlockLeft == 0) {
            if (m_Bits.PastEnd() || !ReadBlockHeader())
                return false;
        }
        --m_BlockLeft;
        m_Bits.Refill();
        const uint32_t c = m_C.Decode(m_Bits);
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
    return m_BlockLeft == 0 && !m_Bits.PastEnd();
}

}

bool Decode(std::span<const uint8_t> in, std::span<uint8_t> out)
{
    if (in.size() > UINT32_MAX || out.size() > UINT32_MAX)
        return false;
    Decoder decoder(in.data(), uint32_t(in.size()));
    return decoder.Run(out.data(), uint32_t(out.size()));
}

}
