// Arbitrary text as VDR's channels.conf, read and imported into the demo settings: lines
// refused with their reason, services placed within every document rule, never a crash.
#include "fuzz/foreign_list_fuzz.h"

const std::vector<uint8_t>& Seed()
{
    static const std::vector<uint8_t> seed = [] {
        const std::string text = FuzzSeedFiles("vdr").at("");
        return std::vector<uint8_t>(text.begin(), text.end());
    }();
    return seed;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ImportAndCheck("vdr", {{std::string(), std::string(reinterpret_cast<const char*>(data), size)}});
    return 0;
}
