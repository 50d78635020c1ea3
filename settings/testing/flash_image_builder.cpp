#include "settings/testing/flash_image_builder.h"

#include "settings/checksum.h"
#include "settings/document.h"
#include "settings/flash_pack.h"
#include "settings/pack_container.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <cstdio>
#include <random>

std::vector<uint8_t> BuildFlashImage(const std::vector<uint8_t>& settingsArea, const FlashImageOptions& options)
{
    const settings::PackedImageTraits& traits = settings::PackedTraitsOfModel(options.modelId);
    const bool be = traits.bigEndian;
    std::vector<uint8_t> image(kPackedFlashSize, 0xFF);
    std::fill_n(image.begin(), traits.headerLength, 0);
    image[0] = 0x5A;
    image[2] = 0x01;
    Put16(image.data() + 5, options.systemId, be);
    image[7] = options.modelId;
    image[12] = options.layoutVersion;
    image[3] = HeaderSum(image.data(), traits.headerLength);
    std::fill(image.begin() + traits.headerLength, image.begin() + traits.directoryAt, 0);
    Put16(image.data() + traits.blockCountAt, options.blockCount, be);

    std::vector<uint8_t> container(PackBlockBound(kFlashBlockSize));
    uint32_t offset = traits.firstBlockAt;
    for (uint32_t i = 0; i < kFlashBlocks; ++i) {
        const uint8_t* block = settingsArea.data() + i * kFlashBlockSize;
        const uint32_t size = PackBlock(block, kFlashBlockSize, container.data());
        if (offset + size > kPackedFlashSize)
            return {};
        std::copy_n(container.begin(), size, image.begin() + offset);
        FlashDirEntry e;
        e.crcPacked = Crc16(container.data(), size);
        e.crcUnpacked = Crc16(block, kFlashBlockSize);
        e.offset = offset;
        e.packsize = size;
        e.unpacksize = kFlashBlockSize;
        e.nDataBlk = i;
        WriteFlashDirEntry(image.data() + traits.directoryAt + i * kFlashDirEntrySize, e, be);
        offset = (offset + size + kBlockAlign - 1) / kBlockAlign * kBlockAlign;
    }
    return image;
}

namespace {

void PutRecord(std::vector<uint8_t>& area, uint32_t at, std::initializer_list<uint32_t> fields)
{
    for (uint32_t v : fields) {
        PutBe16(area.data() + at, uint16_t(v));
        at += 2;
    }
}

}

std::vector<uint8_t> MakeSettingsLikeArea(uint32_t seed)
{
    std::mt19937 rng(seed);
    auto pick = [&rng](uint32_t n) { return uint32_t(rng() % n); };
    std::vector<uint8_t> area(kSettingsAreaSize, 0xFF);

    // Services: 44-byte records, the used ones near each other in satellite and TP order.
    constexpr uint32_t kServices = 1800;
    uint32_t nameOffset = 0;
    for (uint32_t s = 0; s < kServices; ++s) {
        const uint32_t at = s * 44;
        const uint32_t sat = s / 300;
        const uint32_t tp = s / 12;
        std::fill_n(area.begin() + at, 44, 0);
        area[at] = uint8_t(sat);
        PutRecord(area, at + 2, {tp % 1024 | 1u << 10, 1000 + s, 0x100 + pick(32) * 16, 0x1FFF,
                                 0x200 + pick(64), 0x8000 | (0x280 + pick(64)), 0, 0});
        PutBe32(area.data() + at + 20, nameOffset);
        PutRecord(area, at + 24, {pick(8) == 0 ? 0xFFFFu : pick(40), 0, 0, 0, 0, 0});
        nameOffset += 8 + pick(14);
    }
    // Satellites and transponders.
    for (uint32_t t = 0; t < 900; ++t) {
        const uint32_t at = 0x40000 + t * 16;
        std::fill_n(area.begin() + at, 16, 0);
        area[at] = uint8_t(t / 150);
        area[at + 1] = uint8_t(pick(2) << 7);
        PutBe32(area.data() + at + 4, 10700 + pick(2000));
        PutBe16(area.data() + at + 8, uint16_t(pick(2) ? 27500 : 22000));
    }
    // Name pool: NUL-terminated names out of a small vocabulary.
    static const char* const kWords[] = {"News", "Sport", "Movie", "Music", "Kids", "HD", "TV", "Radio",
                                         "Info", "One", "Two", "Plus", "World", "Film", "Doku", "24"};
    uint32_t at = 0x48000;
    for (uint32_t s = 0; s < kServices && at + 24 < 0x58000; ++s) {
        char name[24];
        const int len = std::snprintf(name, sizeof name, "%s %s %u", kWords[pick(16)], kWords[pick(16)], s % 97);
        std::copy_n(name, len + 1, area.begin() + at);
        at += uint32_t(len) + 1;
    }
    // Section checksum frames in front of the larger sections.
    for (uint32_t frame : {0x0u, 0x40000u - 4, 0x48000u - 4})
        PutBe16(area.data() + frame, uint16_t(rng()));
    return area;
}

std::vector<uint8_t> MakeSettingsLikeBlock(uint32_t seed, uint32_t blockIndex)
{
    const std::vector<uint8_t> area = MakeSettingsLikeArea(seed);
    const auto first = area.begin() + blockIndex * kFlashBlockSize;
    return {first, first + kFlashBlockSize};
}
