// The packed container (PackContainer): a 10-byte header followed by PackChunk chunks of
// at most 0x7FFA input bytes each, compressed with -lh5- when that makes them shorter and
// stored as they are otherwise. Every field is big-endian in every model.
#pragma once
#include "settings/lh5_encode.h"

#include <cstdint>
#include <span>

constexpr uint32_t kContainerHeaderSize = 10;
constexpr uint32_t kChunkHeaderSize = 8;
constexpr uint32_t kMaxChunkInput = 0x7FFA;
constexpr uint16_t kFlashContainerId = 0xFFFF;
constexpr uint16_t kFlashChunkType = 0xFFFF;

// Bytes PackBlock may write for length input bytes (every chunk stored).
uint32_t PackBlockBound(uint32_t length);

// Writes one chunk of the given type for in[0..length), length <= kMaxChunkInput; returns
// its size (8 + stored length).
uint32_t PackChunk(lh5::Compressor& compressor, const uint8_t* in, uint32_t length, uint16_t type,
                   uint8_t* out);

void WriteContainerHeader(uint8_t* out, uint16_t id, uint16_t chunkCount);

// Writes one flash container (id and chunk types 0xFFFF) for in[0..length) at out, which
// has room for PackBlockBound(length) bytes; returns the container's size.
uint32_t PackBlock(const uint8_t* in, uint32_t length, uint8_t* out);

// Expands the flash container `in` into the front of `out`. Returns the number of bytes
// produced, or 0 when the container is refused: a header or chunk header that is not
// acceptable, a chunk that runs past the end of `in` or would not fit `out`, or a stream
// that does not yield exactly its chunk's stated length. The checksum fields are not
// verified (the flash directory covers the container).
[[nodiscard]] uint32_t UnpackContainer(std::span<const uint8_t> in, std::span<uint8_t> out);
