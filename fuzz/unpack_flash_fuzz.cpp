// Any bytes as the start of a packed flash image (the rest erased): UnpackFlash refuses or
// expands it without reading or writing out of bounds. The expected system id is taken
// from the input so that the fuzzer gets past the header check.
#include "settings/checksum.h"
#include "settings/document.h"
#include "settings/testing/flash_image_builder.h"
#include "settings/flash_pack.h"
#include "fuzz/fuzz_seed.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <memory>

namespace {
constexpr size_t kMaxInput = 0x8000;
constexpr uint8_t kSeedModels[] = {0, 10, 12, 13};

// A valid image with six blocks (the block count says so), cut behind the last one.
std::vector<uint8_t> Seed(uint8_t modelId)
{
    std::vector<uint8_t> area = MakeSettingsLikeArea(modelId);
    std::fill(area.begin() + 0x800, area.begin() + 0x2000, 0);   // keep block 0 small
    FlashImageOptions options;
    options.modelId = modelId;
    options.blockCount = 6;
    std::vector<uint8_t> image = BuildFlashImage(area, options);
    const settings::PackedImageTraits& traits = settings::PackedTraitsOfModel(modelId);
    uint32_t last = 0;
    for (uint32_t i = 0; i < options.blockCount; ++i) {
        const FlashDirEntry e = ReadFlashDirEntry(image.data() + traits.directoryAt + i * kFlashDirEntrySize, traits.bigEndian);
        last = std::max(last, e.offset + e.packsize);
    }
    image.resize(last);
    return image;
}
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    DefaultMaxLen(argc, argv, kMaxInput);
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int random)
{
    static const std::vector<uint8_t> seeds[] = {Seed(kSeedModels[0]), Seed(kSeedModels[1]),
                                                 Seed(kSeedModels[2]), Seed(kSeedModels[3])};
    return MutateFromSeed(seeds[random / 128 % 4], random, data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::unique_ptr<COrvanel1Doc> doc = std::make_unique<COrvanel1Doc>();
    if (size < 8 || size > kPackedFlashSize)
        return 0;
    std::fill(std::copy_n(data, size, doc->m_PackedFlash.begin()), doc->m_PackedFlash.end(), 0xFF);
    std::fill(doc->m_SettingsArea.begin(), doc->m_SettingsArea.end(), 0);
    doc->m_ExpectedSystemId = Get16(data + 5, settings::PackedTraitsOfModel(data[7]).bigEndian);
    (void)UnpackFlash(*doc);   // refusing and expanding are both fine
    return 0;
}
