// Any bytes as a flash container: refused or expanded, never read or written out of bounds.
#include "settings/testing/flash_image_builder.h"
#include "fuzz/fuzz_seed.h"
#include "settings/pack_container.h"

namespace {
constexpr size_t kMaxInput = 0x3000;

std::vector<uint8_t> Seed()
{
    const std::vector<uint8_t> block = MakeSettingsLikeBlock(1, 3);
    std::vector<uint8_t> container(PackBlockBound(uint32_t(block.size())));
    container.resize(PackBlock(block.data(), uint32_t(block.size()), container.data()));
    return container;
}
}

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
    std::vector<uint8_t> in(data, data + size);   // exactly sized, so ASan sees any overread
    std::vector<uint8_t> out(0x2000);
    if (UnpackContainer(in, out) > out.size())
        __builtin_trap();
    return 0;
}
