// Arbitrary text through the CSV import of a channel list: refused with a row and reason, or
// applied with every document rule intact, never a crash.
#include "editing/testing/random_document.h"
#include "fuzz/fuzz_seed.h"
#include "lists/list_csv.h"
#include "settings/demo_settings.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

const COrvanel1Doc& Demo()
{
    static const std::unique_ptr<COrvanel1Doc> doc = [] {
        auto built = std::make_unique<COrvanel1Doc>();
        BuildDemoSettings(*built, DemoOptions{});
        return built;
    }();
    return *doc;
}

const std::vector<uint8_t>& Seed()
{
    static const std::vector<uint8_t> seed = [] {
        const std::string csv = lists::ExportCsv(Demo());
        return std::vector<uint8_t>(csv.begin(), csv.end());
    }();
    return seed;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    DefaultMaxLen(argc, argv, Seed().size() + 4096);
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    return MutateFromSeed(Seed(), seed, data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static auto doc = std::make_unique<COrvanel1Doc>();
    *doc = Demo();
    lists::CsvImportReport report;
    lists::CsvError error;
    if (!lists::ImportCsv(*doc, std::string_view(reinterpret_cast<const char*>(data), size), report, error))
        return 0;
    for (const std::string& bad : CheckDocInvariants(*doc)) {
        std::fprintf(stderr, "%s\n", bad.c_str());
        std::abort();
    }
    return 0;
}
