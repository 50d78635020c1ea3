// The -lh5- decoder. It is strict: whatever a sound compressor cannot have written is
// refused, so that damaged data never passes for settings.
#pragma once
#include <cstdint>

namespace lh5 {

// Expands the stream in[0..inLength) into exactly outLength bytes at out. False when the
// stream is refused: an incomplete or oversubscribed code table, a code length over 16, a
// zero run past its table, an empty Huffman block, a match past outLength, symbols left
// over in the last block, or bits consumed beyond the end of the stream. A distance that
// reaches before the first output byte reads zeros. out may hold garbage after a refusal.
bool Decode(const uint8_t* in, uint32_t inLength, uint8_t* out, uint32_t outLength);

}
