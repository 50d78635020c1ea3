// The -lh5- compressor: a greedy parse with one step of lookahead over hash chains,
// symbols gathered behind flag bytes and emitted in static Huffman blocks.
#pragma once
#include "settings/lh5_format.h"

#include <cstdint>
#include <vector>

namespace lh5 {

class Compressor {
public:
    // Writes the stream for in[0..length) to out; returns its size, or 0 when it would
    // reach outCapacity bytes (a chunk passes its own length, so that a stream that is not
    // shorter than the input gives up early and the bytes are stored as they are).
    uint32_t Compress(const uint8_t* in, uint32_t length, uint8_t* out, uint32_t outCapacity);

private:
    struct Match {
        uint32_t length = 0;
        uint32_t distance = 0;   // bytes back minus one, as the stream codes it
    };

    void ResetBlock();
    void Insert(uint32_t pos);
    Match FindMatch(uint32_t pos);
    void Parse();
    void Output(uint32_t symbol, uint32_t distance);
    void SendBlock();
    void CountTFreq();
    void WritePtLen(uint32_t n, uint32_t nBit, int special);
    void WriteCLen();
    void EncodeC(uint32_t symbol) { PutBits(m_CLen[symbol], m_CCode[symbol]); }
    void EncodeP(uint32_t distance);
    void PutBits(uint32_t n, uint32_t value);
    void FlushBits();

    // Match finder: chains of earlier positions with the same 3-byte hash.
    std::vector<uint32_t> m_Head;
    std::vector<uint32_t> m_Prev;
    const uint8_t* m_In = nullptr;
    uint32_t m_Length = 0;

    // Symbol buffer of the current Huffman block.
    std::vector<uint8_t> m_Buf;
    uint32_t m_BufPos = 0;
    uint32_t m_FlagPos = 0;
    uint32_t m_FlagMask = 0;
    uint32_t m_SymbolCount = 0;
    uint16_t m_CFreq[kNC] = {};
    uint16_t m_PFreq[kNP] = {};
    uint16_t m_TFreq[kNT] = {};
    uint8_t m_CLen[kNC] = {};
    uint16_t m_CCode[kNC] = {};
    uint8_t m_PtLen[kNT] = {};      // shared by the T and P tables, as the format orders them
    uint16_t m_PtCode[kNT] = {};

    // Bit writer; it gives up once the output would reach its capacity.
    uint8_t* m_Out = nullptr;
    uint32_t m_OutCapacity = 0;
    uint32_t m_OutPos = 0;
    uint64_t m_BitBuf = 0;
    uint32_t m_BitCount = 0;
    bool m_Unpackable = false;
};

}
