// Parameters of the -lh5- stream format: an LZSS parse over an 8 KB dictionary whose
// symbols are coded in blocks of static Huffman codes.
#pragma once
#include <cstdint>

namespace lh5 {

constexpr uint32_t kDicSize = 8192;        // positions are taken modulo this
constexpr uint32_t kMinMatch = 3;
constexpr uint32_t kMaxMatch = 256;
constexpr uint32_t kNC = 256 + kMaxMatch + 1 - kMinMatch;   // 510 literal/length symbols
constexpr uint32_t kNP = 14;               // position symbols: bit lengths 0..13 of the distance
constexpr uint32_t kNT = 19;               // code-length symbols
constexpr uint32_t kCBit = 9;              // bits that count C lengths
constexpr uint32_t kPBit = 4;
constexpr uint32_t kTBit = 5;
constexpr uint32_t kTSpecial = 3;          // after three T lengths a 2-bit zero count follows
constexpr uint32_t kMaxCodeLength = 16;
constexpr uint32_t kSymbolBufferSize = 16 * 1024;
constexpr uint32_t kBlockFlushAt = kSymbolBufferSize - 3 * 8;   // 0x3FE8
constexpr uint32_t kPaddingBits = 7;

// A length symbol codes match length (symbol - kLengthBias).
constexpr uint32_t kLengthBias = 256 - kMinMatch;

}
