// Arbitrary bytes as a settings folder of lamedb and bouquets (files joined as
// "NAME\0CONTENTS\0"), read and imported into the demo settings: never a crash, and every
// document rule holds after it.
#include "fuzz/foreign_list_fuzz.h"

const std::vector<uint8_t>& Seed()
{
    static const std::vector<uint8_t> seed = [] {
        std::string joined;
        for (const auto& [name, text] : FuzzSeedFiles("lamedb"))
            joined += name + '\0' + text + '\0';
        return std::vector<uint8_t>(joined.begin(), joined.end());
    }();
    return seed;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    lists::FolderFiles files;
    for (size_t at = 0; at < input.size();) {
        const size_t name = input.find('\0', at);
        if (name == std::string_view::npos)
            break;
        const size_t end = std::min(input.find('\0', name + 1), input.size());
        files[std::string(input.substr(at, name - at))] = std::string(input.substr(name + 1, end - name - 1));
        at = end + 1;
    }
    ImportAndCheck("lamedb", files);
    return 0;
}
