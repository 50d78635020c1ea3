#include "settings/pack_container.h"

#include "settings/checksum.h"
#include "settings/lh5_decode.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint16_t kHeaderFollowing = 8;
constexpr uint16_t kContainerVersion = 1;
constexpr uint32_t kChunkFieldMin = 7;
constexpr uint32_t kChunkFieldMax = 0x8000;
constexpr uint32_t kChunkFieldBias = 6;   // the first field counts the stored data and 6 header bytes
}

uint32_t PackBlockBound(uint32_t length)
{
    const uint32_t chunks = (length + kMaxChunkInput - 1) / kMaxChunkInput;
    return kContainerHeaderSize + chunks * kChunkHeaderSize + length;
}

uint32_t PackChunk(lh5::Compressor& compressor, const uint8_t* in, uint32_t length, uint16_t type,
                   uint8_t* out)
{
    uint8_t* data = out + kChunkHeaderSize;
    uint32_t stored = compressor.Compress(in, length, data, length);
    if (stored == 0) {
        std::memcpy(data, in, length);
        stored = length;
    }
    PutBe16(out, uint16_t(stored + kChunkFieldBias));
    PutBe16(out + 4, type);
    PutBe16(out + 6, uint16_t(length));
    PutBe16(out + 2, Crc16(out + 4, stored + 4));
    return kChunkHeaderSize + stored;
}

void WriteContainerHeader(uint8_t* out, uint16_t id, uint16_t chunkCount)
{
    PutBe16(out, kHeaderFollowing);
    PutBe16(out + 4, id);
    PutBe16(out + 6, kContainerVersion);
    PutBe16(out + 8, chunkCount);
    PutBe16(out + 2, Crc16(out + 4, 6));
}

uint32_t PackBlock(const uint8_t* in, uint32_t length, uint8_t* out)
{
    lh5::Compressor compressor;
    uint32_t size = kContainerHeaderSize;
    uint16_t chunks = 0;
    for (uint32_t done = 0; done < length; ++chunks) {
        const uint32_t take = std::min(length - done, kMaxChunkInput);
        size += PackChunk(compressor, in + done, take, kFlashChunkType, out + size);
        done += take;
    }
    WriteContainerHeader(out, kFlashContainerId, chunks);
    return size;
}

uint32_t UnpackContainer(std::span<const uint8_t> in, std::span<uint8_t> out)
{
    if (in.size() < kContainerHeaderSize || in.size() > UINT32_MAX || GetBe16(&in[0]) != kHeaderFollowing ||
        GetBe16(&in[4]) != kFlashContainerId || GetBe16(&in[6]) != kContainerVersion)
        return 0;
    const uint32_t inLength = uint32_t(in.size());
    const size_t outCapacity = out.size();
    const uint32_t chunks = GetBe16(&in[8]);
    uint32_t pos = kContainerHeaderSize;
    uint32_t produced = 0;
    for (uint32_t k = 0; k < chunks; ++k) {
        if (inLength - pos < kChunkHeaderSize)
            return 0;
        const uint8_t* chunk = &in[pos];
        const uint32_t field = GetBe16(chunk);
        if (field < kChunkFieldMin || field > kChunkFieldMax || GetBe16(chunk + 4) != kFlashChunkType)
            return 0;
        const uint32_t stored = field - kChunkFieldBias;
        const uint32_t unpacked = GetBe16(chunk + 6);
        if (inLength - pos - kChunkHeaderSize < stored || outCapacity - produced < unpacked)
            return 0;
        const std::span<const uint8_t> data = in.subspan(pos + kChunkHeaderSize, stored);
        const std::span<uint8_t> into = out.subspan(produced, unpacked);
        if (stored == unpacked)
            std::copy(data.begin(), data.end(), into.begin());
        else if (!lh5::Decode(data, into))
            return 0;
        produced += unpacked;
        pos += kChunkHeaderSize + stored;
    }
    return produced;
}
