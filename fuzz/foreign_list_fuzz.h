// What the fuzz targets of other receivers' lists share: the demo settings, a format's
// export of them as the seed, and the import of whatever the reader took, after which
// every document rule must hold.
#pragma once
#include "editing/testing/random_document.h"
#include "fuzz/fuzz_seed.h"
#include "lists/list_formats.h"
#include "settings/demo_settings.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

// The target's seed: the demo settings exported in its format.
const std::vector<uint8_t>& Seed();

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    DefaultMaxLen(argc, argv, Seed().size() + 4096);
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    return MutateFromSeed(Seed(), seed, data, size, maxSize);
}

inline const COrvanel1Doc& FuzzDemo()
{
    static const std::unique_ptr<COrvanel1Doc> doc = [] {
        auto built = std::make_unique<COrvanel1Doc>();
        BuildDemoSettings(*built, DemoOptions{.modelId = 13});
        return built;
    }();
    return *doc;
}

inline lists::FolderFiles FuzzSeedFiles(const char* format)
{
    lists::CSatPlaces places(FuzzDemo(), {}, nullptr);
    return lists::ExportList(FuzzDemo(), *lists::FindListFormat(format), places).files;
}

// Answers every position question with the first satellite offered.
struct FirstSatellite : lists::PositionQuestion {
    std::optional<size_t> SatelliteAt(const std::string&, const std::vector<std::string>&) override { return 0; }
    std::optional<lists::OrbitalPosition> PositionOf(const std::string&) override { return std::nullopt; }
};

inline void ImportAndCheck(const char* format, const lists::FolderFiles& files)
{
    static auto doc = std::make_unique<COrvanel1Doc>();
    *doc = FuzzDemo();
    doc->m_SatInfo[1].name = {'M', 'i', 'n', 'e'};   // a satellite whose position the question gives
    FirstSatellite answers;
    lists::CSatPlaces places(*doc, {}, &answers);
    lists::ImportReport report;
    std::string error;
    if (!lists::ImportList(*doc, *lists::FindListFormat(format), files, places, report, error))
        return;
    for (const std::string& bad : CheckDocInvariants(*doc)) {
        std::fprintf(stderr, "%s\n", bad.c_str());
        std::abort();
    }
    (void)lists::DescribeImport(report);
}
