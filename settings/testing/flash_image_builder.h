// Test helpers: valid packed flash images for any variant, and settings-like data to put
// in them. The images are laid out the way PackFlash lays out re-packed blocks.
#pragma once
#include <cstdint>
#include <vector>

struct FlashImageOptions {
    uint8_t modelId = 0;
    uint16_t systemId = 0x1234;
    uint8_t layoutVersion = 0;
    uint16_t blockCount = 48;   // as stored; 0 reads as 64
};

// The packed image (0x20000 bytes) of a 0x60000-byte settings area: header with a correct
// HeaderSum, block count, directory entries 0 to 47 (48 to 63 left erased, 0xFF) and the
// blocks, the first right behind the directory, the others on 1 KB boundaries.
// Empty when the packed blocks do not fit in the image.
std::vector<uint8_t> BuildFlashImage(const std::vector<uint8_t>& settingsArea, const FlashImageOptions& options);

// A deterministic settings area that compresses like a real one: service, satellite and
// transponder records, a name pool and long erased runs.
std::vector<uint8_t> MakeSettingsLikeArea(uint32_t seed);

// 8 KB of settings-like bytes: block blockIndex of MakeSettingsLikeArea(seed).
std::vector<uint8_t> MakeSettingsLikeBlock(uint32_t seed, uint32_t blockIndex);
