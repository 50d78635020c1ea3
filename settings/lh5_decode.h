// The -lh5- decoder. It is strict: whatever a sound compressor cannot have written is
// refused, so that damaged data never passes for settings.
#pragma once
#include <cstdint>
#include <span>

namespace lh5 {

// Expands the stream `in` into exactly out.size() bytes at out. False when the
// stream is refused: an incomplete or oversubscribed code table, a code length over 16, a
// zero run past its table, an empty Huffman block, a match past outLength, symbols left
// over in the last block, or bits consumed beyond the end of the stream. A distance that
// reaches before the first output byte reads zeros. out may hold garbage after a refusal.
[[nodiscard]] bool Decode(std::span<const uint8_t> in, std::span<uint8_t> out);

}
