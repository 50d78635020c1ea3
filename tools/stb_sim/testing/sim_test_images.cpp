#include "tools/stb_sim/testing/sim_test_images.h"

#include "settings/pack_container.h"
#include "tools/stb_sim/stb_sim.h"

#include <algorithm>

StbImage MakeTestImage(uint16_t systemId, uint8_t modelId, uint8_t layoutVersion, uint32_t seed)
{
    StbImage image;
    image.systemId = systemId;
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < image.flash.size(); ++i) {
        x = x * 1103515245u + 12345u;
        // Runs of repeated bytes between noise, so that some chunks compress and some do not.
        image.flash[i] = (i / 4096) % 3 == 0 ? uint8_t(i / 512) : uint8_t(x >> 16);
    }
    for (size_t i = 0; i < image.eeprom.size(); ++i)
        image.eeprom[i] = uint8_t(i ^ seed);
    image.flash[5] = uint8_t(systemId >> 8);
    image.flash[6] = uint8_t(systemId);
    image.flash[12] = layoutVersion;
    SetImageModelId(image, modelId);
    return image;
}

std::vector<uint8_t> BuildDownloadImage(const StbImage& image)
{
    std::vector<uint8_t> out(kContainerHeaderSize + PackBlockBound(kSimFlashSize) + PackBlockBound(kSimEepromSize));
    lh5::Compressor compressor;
    uint32_t at = kContainerHeaderSize;
    uint16_t chunks = 0;
    for (uint32_t done = 0; done < kSimFlashSize; ++chunks) {
        uint32_t n = std::min(kMaxChunkInput, kSimFlashSize - done);
        at += PackChunk(compressor, image.flash.data() + done, n, 2, out.data() + at);
        done += n;
    }
    at += PackChunk(compressor, image.eeprom.data(), kSimEepromSize, 3, out.data() + at);
    WriteContainerHeader(out.data(), image.systemId, uint16_t(chunks + 1));
    out.resize(at);
    return out;
}
