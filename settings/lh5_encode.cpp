#include "settings/lh5_encode.h"

#include "settings/lh5_huffman.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace lh5 {
namespace {

constexpr uint32_t kHashBits = 15;
constexpr uint32_t kNoPos = 0xFFFFFFFF;
// Settings blocks hold long runs of near-identical records: walking every candidate of a hash
// chain costs far more than the last fraction of a percent of size it finds.
constexpr uint32_t kMaxChainSteps = 128;
constexpr uint32_t kNiceLength = 64;

inline uint32_t Hash3(const uint8_t* p)
{
    const uint32_t v = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    return (v * 2654435761u) >> (32 - kHashBits);
}

inline uint32_t BitLength(uint32_t v) { return uint32_t(std::bit_width(v)); }

// Length of the common prefix of a and b (their first 3 bytes are known to agree), at most
// maxLen; eight bytes at a time.
inline uint32_t MatchLength(const uint8_t* a, const uint8_t* b, uint32_t maxLen)
{
    uint32_t len = 3;
    while (len + 8 <= maxLen) {
        uint64_t x;
        uint64_t y;
        std::memcpy(&x, a + len, 8);
        std::memcpy(&y, b + len, 8);
        if (x != y) {
            const uint64_t diff = x ^ y;
            const int firstDiffering = std::endian::native == std::endian::little ? std::countr_zero(diff)
                                                                                   : std::countl_zero(diff);
            return len + uint32_t(firstDiffering / 8);
        }
        len += 8;
    }
    while (len < maxLen && a[len] == b[len])
        ++len;
    return len;
}

}

uint32_t Compressor::Compress(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t outCapacity)
{
    m_In = in;
    m_Length = length;
    m_Head.assign(1u << kHashBits, kNoPos);
    m_Prev.resize(length);
    m_Buf.resize(kSymbolBufferSize);
    m_Out = out;
    m_OutCapacity = outCapacity;
    m_OutPos = 0;
    m_BitBuf = 0;
    m_BitCount = 0;
    m_Unpackable = false;
    m_BufPos = 0;
    m_FlagMask = 0;
    ResetBlock();

    Parse();
    if (!m_Unpackable)
        SendBlock();
    if (!m_Unpackable) {
        PutBits(kPaddingBits, 0);
        FlushBits();
    }
    if (m_Unpackable || m_OutPos >= outCapacity)
        return 0;
    return m_OutPos;
}

void Compressor::ResetBlock()
{
    std::fill(std::begin(m_CFreq), std::end(m_CFreq), 0);
    std::fill(std::begin(m_PFreq), std::end(m_PFreq), 0);
    m_SymbolCount = 0;
}

void Compressor::Insert(uint32_t pos)
{
    if (pos + kMinMatch > m_Length)
        return;
    const uint32_t h = Hash3(m_In + pos);
    m_Prev[pos] = m_Head[h];
    m_Head[h] = pos;
}

// The longest match for pos among the last kDicSize bytes, the nearest of equal ones;
// pos joins the chains afterwards.
Compressor::Match Compressor::FindMatch(uint32_t pos)
{
    Match best;
    if (pos + kMinMatch > m_Length)
        return best;
    const uint32_t maxLen = std::min(kMaxMatch, m_Length - pos);
    const uint8_t* cur = m_In + pos;
    const uint32_t h = Hash3(cur);
    uint32_t steps = kMaxChainSteps;
    for (uint32_t cand = m_Head[h]; cand != kNoPos && pos - cand <= kDicSize && steps-- > 0; cand = m_Prev[cand]) {
        const uint8_t* p = m_In + cand;
        if (p[best.length] != cur[best.length] || p[0] != cur[0] || p[1] != cur[1] || p[2] != cur[2])
            continue;
        const uint32_t len = MatchLength(p, cur, maxLen);
        if (len > best.length) {
            best = {len, pos - cand - 1};
            if (len == maxLen || len >= kNiceLength)
                break;
        }
    }
    m_Prev[pos] = m_Head[h];
    m_Head[h] = pos;
    if (best.length < kMinMatch)
        best = {};
    return best;
}

// At each position the current match is taken unless the next position offers a longer one.
void Compressor::Parse()
{
    uint32_t pos = 0;
    Match cur = FindMatch(0);
    while (pos < m_Length && !m_Unpackable) {
        const Match next = pos + 1 < m_Length ? FindMatch(pos + 1) : Match{};
        if (next.length > cur.length || cur.length < kMinMatch) {
            Output(m_In[pos], 0);
            ++pos;
            cur = next;
            continue;
        }
        Output(cur.length + kLengthBias, cur.distance);
        for (uint32_t q = pos + 2; q < pos + cur.length; ++q)
            Insert(q);
        pos += cur.length;
        cur = pos < m_Length ? FindMatch(pos) : Match{};
    }
}

void Compressor::Output(uint32_t symbol, uint32_t distance)
{
    m_FlagMask >>= 1;
    if (m_FlagMask == 0) {
        m_FlagMask = 0x80;
        if (m_BufPos >= kBlockFlushAt) {
            SendBlock();
            if (m_Unpackable)
                return;
            m_BufPos = 0;
        }
        m_FlagPos = m_BufPos++;
        m_Buf[m_FlagPos] = 0;
    }
    m_Buf[m_BufPos++] = uint8_t(symbol);
    ++m_CFreq[symbol];
    ++m_SymbolCount;
    if (symbol >= 256) {
        m_Buf[m_FlagPos] |= uint8_t(m_FlagMask);
        m_Buf[m_BufPos++] = uint8_t(distance >> 8);
        m_Buf[m_BufPos++] = uint8_t(distance);
        ++m_PFreq[BitLength(distance)];
    }
}

void Compressor::SendBlock()
{
    uint32_t root = MakeHuffmanCode(kNC, m_CFreq, m_CLen, m_CCode);
    PutBits(16, m_SymbolCount);
    if (root >= kNC) {
        CountTFreq();
        root = MakeHuffmanCode(kNT, m_TFreq, m_PtLen, m_PtCode);
        if (root >= kNT) {
            WritePtLen(kNT, kTBit, int(kTSpecial));
        } else {
            PutBits(kTBit, 0);
            PutBits(kTBit, root);
        }
        WriteCLen();
    } else {
        PutBits(kTBit, 0);
        PutBits(kTBit, 0);
        PutBits(kCBit, 0);
        PutBits(kCBit, root);
    }
    root = MakeHuffmanCode(kNP, m_PFreq, m_PtLen, m_PtCode);
    if (root >= kNP) {
        WritePtLen(kNP, kPBit, -1);
    } else {
        PutBits(kPBit, 0);
        PutBits(kPBit, root);
    }
    uint32_t pos = 0;
    uint32_t flags = 0;
    for (uint32_t i = 0; i < m_SymbolCount && !m_Unpackable; ++i) {
        if (i % 8 == 0)
            flags = m_Buf[pos++];
        else
            flags <<= 1;
        if (flags & 0x80) {
            EncodeC(m_Buf[pos++] + 256u);
            EncodeP(uint32_t(m_Buf[pos]) << 8 | m_Buf[pos + 1]);
            pos += 2;
        } else {
            EncodeC(m_Buf[pos++]);
        }
    }
    ResetBlock();
}

// Frequencies of the code-length symbols that will carry the C lengths: 0 to 2 code
// zero runs (1, 3-18, 20 and more), k + 2 the length k.
void Compressor::CountTFreq()
{
    std::fill(std::begin(m_TFreq), std::end(m_TFreq), 0);
    uint32_t n = kNC;
    while (n > 0 && m_CLen[n - 1] == 0)
        --n;
    for (uint32_t i = 0; i < n;) {
        const uint32_t k = m_CLen[i++];
        if (k != 0) {
            ++m_TFreq[k + 2];
            continue;
        }
        uint32_t count = 1;
        while (i < n && m_CLen[i] == 0) {
            ++i;
            ++count;
        }
        if (count <= 2) {
            m_TFreq[0] = uint16_t(m_TFreq[0] + count);
        } else if (count <= 18) {
            ++m_TFreq[1];
        } else if (count == 19) {
            ++m_TFreq[0];
            ++m_TFreq[1];
        } else {
            ++m_TFreq[2];
        }
    }
}

void Compressor::WritePtLen(uint32_t n, uint32_t nBit, int special)
{
    while (n > 0 && m_PtLen[n - 1] == 0)
        --n;
    PutBits(nBit, n);
    for (uint32_t i = 0; i < n;) {
        const uint32_t k = m_PtLen[i++];
        if (k <= 6)
            PutBits(3, k);
        else
            PutBits(k - 3, (1u << (k - 3)) - 2);
        if (int(i) == special) {
            while (i < 6 && m_PtLen[i] == 0)
                ++i;
            PutBits(2, (i - 3) & 3);
        }
    }
}

void Compressor::WriteCLen()
{
    uint32_t n = kNC;
    while (n > 0 && m_CLen[n - 1] == 0)
        --n;
    PutBits(kCBit, n);
    for (uint32_t i = 0; i < n;) {
        const uint32_t k = m_CLen[i++];
        if (k != 0) {
            PutBits(m_PtLen[k + 2], m_PtCode[k + 2]);
            continue;
        }
        uint32_t count = 1;
        while (i < n && m_CLen[i] == 0) {
            ++i;
            ++count;
        }
        if (count <= 2) {
            for (uint32_t j = 0; j < count; ++j)
                PutBits(m_PtLen[0], m_PtCode[0]);
        } else if (count <= 18) {
            PutBits(m_PtLen[1], m_PtCode[1]);
            PutBits(4, count - 3);
        } else if (count == 19) {
            PutBits(m_PtLen[0], m_PtCode[0]);
            PutBits(m_PtLen[1], m_PtCode[1]);
            PutBits(4, 15);
        } else {
            PutBits(m_PtLen[2], m_PtCode[2]);
            PutBits(kCBit, count - 20);
        }
    }
}

void Compressor::EncodeP(uint32_t distance)
{
    const uint32_t c = BitLength(distance);
    PutBits(m_PtLen[c], m_PtCode[c]);
    if (c > 1)
        PutBits(c - 1, distance & ((1u << (c - 1)) - 1));
}

void Compressor::PutBits(uint32_t n, uint32_t value)
{
    m_BitBuf = m_BitBuf << n | (value & ((1u << n) - 1));
    m_BitCount += n;
    while (m_BitCount >= 8) {
        m_BitCount -= 8;
        if (m_OutPos >= m_OutCapacity) {
            m_Unpackable = true;
            return;
        }
        m_Out[m_OutPos++] = uint8_t(m_BitBuf >> m_BitCount);
    }
}

void Compressor::FlushBits()
{
    if (m_BitCount > 0)
        PutBits(8 - m_BitCount, 0);
}

}
