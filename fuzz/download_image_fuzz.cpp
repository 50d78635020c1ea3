// Any bytes as a settings download image: refused or read back into exactly a flash image
// and an EEPROM block, never read or written out of bounds.
#include "link/transfer/download_image.h"
#include "settings/testing/flash_image_builder.h"
#include "fuzz/fuzz_seed.h"

#include <cstdlib>

namespace {
constexpr size_t kMaxInput = 0x24000;

std::vector<uint8_t> Seed()
{
    const std::vector<uint8_t> flash = BuildFlashImage(MakeSettingsLikeArea(2), {});
    const std::vector<uint8_t> eeprom(0x100, 0x5A);
    return BuildDownloadImage(flash.data(), eeprom.data(), 0x1234);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    DefaultMaxLen(argc, argv, kMaxInput);
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int random)
{
    static const std::vector<uint8_t> seed = Seed();
    return MutateFromSeed(seed, random, data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DownloadImageContents contents;
    if (DecodeDownloadImage(data, size, contents) && (contents.flash.size() != 0x20000 || contents.eeprom.size() != 0x100))
        std::abort();
    return 0;
}
