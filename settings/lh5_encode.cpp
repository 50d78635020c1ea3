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
    in_ = in;
    length_ = length;
    head_.assign(1u << kHashBits, kNoPos);
    prev_.resize(length);
    buf_.resize(kSymbolBufferSize);
    out_ = out;
    outCapacity_ = outCapacity;
    outPos_ = 0;
    bitBuf_ = 0;
    bitCount_ = 0;
    unpackable_ = false;
    bufPos_ = 0;
    flagMask_ = 0;
    ResetBlock();

    Parse();
    if (!unpackable_)
        SendBlock();
    if (!unpackable_) {
        PutBits(kPaddingBits, 0);
        FlushBits();
    }
    if (unpackable_ || outPos_ >= outCapacity)
        return 0;
    return outPos_;
}

void Compressor::ResetBlock()
{
    std::fill(std::begin(cFreq_), std::end(cFreq_), 0);
    std::fill(std::begin(pFreq_), std::end(pFreq_), 0);
    symbolCount_ = 0;
}

void Compressor::Insert(uint32_t pos)
{
    if (pos + kMinMatch > length_)
        return;
    const uint32_t h = Hash3(in_ + pos);
    prev_[pos] = head_[h];
    head_[h] = pos;
}

// The longest match for pos among the last kDicSize bytes, the nearest of equal ones;
// pos joins the chains afterwards.
Compressor::Match Compressor::FindMatch(uint32_t pos)
{
    Match best;
    if (pos + kMinMatch > length_)
        return best;
    const uint32_t maxLen = std::min(kMaxMatch, length_ - pos);
    const uint8_t* cur = in_ + pos;
    const uint32_t h = Hash3(cur);
    uint32_t steps = kMaxChainSteps;
    for (uint32_t cand = head_[h]; cand != kNoPos && pos - cand <= kDicSize && steps-- > 0; cand = prev_[cand]) {
        const uint8_t* p = in_ + cand;
        if (p[best.length] != cur[best.length] || p[0] != cur[0] || p[1] != cur[1] || p[2] != cur[2])
            continue;
        const uint32_t len = MatchLength(p, cur, maxLen);
        if (len > best.length) {
            best = {len, pos - cand - 1};
            if (len == maxLen || len >= kNiceLength)
                break;
        }
    }
    prev_[pos] = head_[h];
    head_[h] = pos;
    if (best.length < kMinMatch)
        best = {};
    return best;
}

// At each position the current match is taken unless the next position offers a longer one.
void Compressor::Parse()
{
    uint32_t pos = 0;
    Match cur = FindMatch(0);
    while (pos < length_ && !unpackable_) {
        const Match next = pos + 1 < length_ ? FindMatch(pos + 1) : Match{};
        if (next.length > cur.length || cur.length < kMinMatch) {
            Output(in_[pos], 0);
            ++pos;
            cur = next;
            continue;
        }
        Output(cur.length + kLengthBias, cur.distance);
        for (uint32_t q = pos + 2; q < pos + cur.length; ++q)
            Insert(q);
        pos += cur.length;
        cur = pos < length_ ? FindMatch(pos) : Match{};
    }
}

void Compressor::Output(uint32_t symbol, uint32_t distance)
{
    flagMask_ >>= 1;
    if (flagMask_ == 0) {
        flagMask_ = 0x80;
        if (bufPos_ >= kBlockFlushAt) {
            SendBlock();
            if (unpackable_)
                return;
            bufPos_ = 0;
        }
        flagPos_ = bufPos_++;
        buf_[flagPos_] = 0;
    }
    buf_[bufPos_++] = uint8_t(symbol);
    ++cFreq_[symbol];
    ++symbolCount_;
    if (symbol >= 256) {
        buf_[flagPos_] |= uint8_t(flagMask_);
        buf_[bufPos_++] = uint8_t(distance >> 8);
        buf_[bufPos_++] = uint8_t(distance);
        ++pFreq_[BitLength(distance)];
    }
}

void Compressor::SendBlock()
{
    uint32_t root = MakeHuffmanCode(kNC, cFreq_, cLen_, cCode_);
    PutBits(16, symbolCount_);
    if (root >= kNC) {
        CountTFreq();
        root = MakeHuffmanCode(kNT, tFreq_, ptLen_, ptCode_);
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
    root = MakeHuffmanCode(kNP, pFreq_, ptLen_, ptCode_);
    if (root >= kNP) {
        WritePtLen(kNP, kPBit, -1);
    } else {
        PutBits(kPBit, 0);
        PutBits(kPBit, root);
    }
    uint32_t pos = 0;
    uint32_t flags = 0;
    for (uint32_t i = 0; i < symbolCount_ && !unpackable_; ++i) {
        if (i % 8 == 0)
            flags = buf_[pos++];
        else
            flags <<= 1;
        if (flags & 0x80) {
            EncodeC(buf_[pos++] + 256u);
            EncodeP(uint32_t(buf_[pos]) << 8 | buf_[pos + 1]);
            pos += 2;
        } else {
            EncodeC(buf_[pos++]);
        }
    }
    ResetBlock();
}

// Frequencies of the code-length symbols that will carry the C lengths: 0 to 2 code
// zero runs (1, 3-18, 20 and more), k + 2 the length k.
void Compressor::CountTFreq()
{
    std::fill(std::begin(tFreq_), std::end(tFreq_), 0);
    uint32_t n = kNC;
    while (n > 0 && cLen_[n - 1] == 0)
        --n;
    for (uint32_t i = 0; i < n;) {
        const uint32_t k = cLen_[i++];
        if (k != 0) {
            ++tFreq_[k + 2];
            continue;
        }
        uint32_t count = 1;
        while (i < n && cLen_[i] == 0) {
            ++i;
            ++count;
        }
        if (count <= 2) {
            tFreq_[0] = uint16_t(tFreq_[0] + count);
        } else if (count <= 18) {
            ++tFreq_[1];
        } else if (count == 19) {
            ++tFreq_[0];
            ++tFreq_[1];
        } else {
            ++tFreq_[2];
        }
    }
}

void Compressor::WritePtLen(uint32_t n, uint32_t nBit, int special)
{
    while (n > 0 && ptLen_[n - 1] == 0)
        --n;
    PutBits(nBit, n);
    for (uint32_t i = 0; i < n;) {
        const uint32_t k = ptLen_[i++];
        if (k <= 6)
            PutBits(3, k);
        else
            PutBits(k - 3, (1u << (k - 3)) - 2);
        if (int(i) == special) {
            while (i < 6 && ptLen_[i] == 0)
                ++i;
            PutBits(2, (i - 3) & 3);
        }
    }
}

void Compressor::WriteCLen()
{
    uint32_t n = kNC;
    while (n > 0 && cLen_[n - 1] == 0)
        --n;
    PutBits(kCBit, n);
    for (uint32_t i = 0; i < n;) {
        const uint32_t k = cLen_[i++];
        if (k != 0) {
            PutBits(ptLen_[k + 2], ptCode_[k + 2]);
            continue;
        }
        uint32_t count = 1;
        while (i < n && cLen_[i] == 0) {
            ++i;
            ++count;
        }
        if (count <= 2) {
            for (uint32_t j = 0; j < count; ++j)
                PutBits(ptLen_[0], ptCode_[0]);
        } else if (count <= 18) {
            PutBits(ptLen_[1], ptCode_[1]);
            PutBits(4, count - 3);
        } else if (count == 19) {
            PutBits(ptLen_[0], ptCode_[0]);
            PutBits(ptLen_[1], ptCode_[1]);
            PutBits(4, 15);
        } else {
            PutBits(ptLen_[2], ptCode_[2]);
            PutBits(kCBit, count - 20);
        }
    }
}

void Compressor::EncodeP(uint32_t distance)
{
    const uint32_t c = BitLength(distance);
    PutBits(ptLen_[c], ptCode_[c]);
    if (c > 1)
        PutBits(c - 1, distance & ((1u << (c - 1)) - 1));
}

void Compressor::PutBits(uint32_t n, uint32_t value)
{
    bitBuf_ = bitBuf_ << n | (value & ((1u << n) - 1));
    bitCount_ += n;
    while (bitCount_ >= 8) {
        bitCount_ -= 8;
        if (outPos_ >= outCapacity_) {
            unpackable_ = true;
            return;
        }
        out_[outPos_++] = uint8_t(bitBuf_ >> bitCount_);
    }
}

void Compressor::FlushBits()
{
    if (bitCount_ > 0)
        PutBits(8 - bitCount_, 0);
}

}
