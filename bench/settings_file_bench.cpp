// Loading and saving a settings file end to end: read, unpack, verify and decode; encode,
// re-pack and write (with the side files). The file holds full service lists.
#include "settings/demo_settings.h"
#include "common/prompter.h"
#include "settings/settings_file.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace {

struct BenchFiles {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "settings_file_bench";
    std::filesystem::path file = dir / "full.std";
    SilentPrompter prompter;

    BenchFiles() { std::filesystem::create_directories(dir); }
    ~BenchFiles() { std::filesystem::remove_all(dir); }
    std::unique_ptr<COrvanel1Doc> NewDoc()
    {
        auto doc = std::make_unique<COrvanel1Doc>();
        doc->m_pPrompter = &prompter;
        doc->m_SideFileFolder = dir;
        return doc;
    }
    bool WriteFullDemo()
    {
        auto doc = NewDoc();
        BuildDemoSettings(*doc, {0, 0x25, 0x2203, kCheckedTvSlots, kMaxRadioSvc});
        return SaveSettingsFile(*doc, file) == SettingsFileResult::Ok;
    }
};

void BM_LoadSettingsFile(benchmark::State& state)
{
    BenchFiles files;
    if (!files.WriteFullDemo())
        return state.SkipWithError("the full demo file could not be written");
    auto doc = files.NewDoc();
    for (auto _ : state)
        if (LoadSettingsFile(*doc, files.file) != SettingsFileResult::Ok)
            return state.SkipWithError("load failed");
}
BENCHMARK(BM_LoadSettingsFile)->Unit(benchmark::kMillisecond);

// Saving after one edit: one block re-packed.
void BM_SaveSettingsFileAfterAnEdit(benchmark::State& state)
{
    BenchFiles files;
    auto doc = files.NewDoc();
    if (!files.WriteFullDemo() || LoadSettingsFile(*doc, files.file) != SettingsFileResult::Ok)
        return state.SkipWithError("the full demo file could not be written and loaded");
    for (auto _ : state) {
        doc->m_TvSvc[100].svcId ^= 1;
        if (SaveSettingsFile(*doc, files.file) != SettingsFileResult::Ok)
            return state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveSettingsFileAfterAnEdit)->Unit(benchmark::kMillisecond);

// Saving a document that was built anew: every block compressed.
void BM_SaveNewSettingsFile(benchmark::State& state)
{
    BenchFiles files;
    for (auto _ : state)
        if (!files.WriteFullDemo())
            return state.SkipWithError("save failed");
}
BENCHMARK(BM_SaveNewSettingsFile)->Unit(benchmark::kMillisecond);

}  // namespace
