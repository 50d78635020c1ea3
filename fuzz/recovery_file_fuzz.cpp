// Arbitrary bytes through DecodeRecoveryFile: refused or decoded, never a crash.
#include "fuzz/fuzz_seed.h"
#include "settings/demo_settings.h"
#include "settings/recovery_file.h"

#include <memory>

namespace {

std::vector<uint8_t> DemoRecoveryBytes(unsigned int random)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    const uint8_t models[] = {0, 10, 12, 13};
    BuildDemoSettings(*doc, {models[random % 4], uint8_t(random & 4 ? 0x27 : 0x25)});
    return BuildRecoveryFile(*doc, {std::filesystem::path("/home/user/settings.std"), 1796730612, {}});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    DefaultMaxLen(argc, argv, kPackedFlashSize + kSettingsAreaSize + kEepromSize + 4096);
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    static const std::vector<uint8_t> demo[2] = {DemoRecoveryBytes(0), DemoRecoveryBytes(3)};
    return MutateFromSeed(demo[seed / 128 % 2], seed, data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static auto doc = std::make_unique<COrvanel1Doc>();
    RecoveryInfo info;
    (void)DecodeRecoveryFile(std::span(data, size), *doc, info);
    return 0;
}
