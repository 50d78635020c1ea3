// The editor's window over full service lists (3490 TV, 1500 radio): opening a settings
// file and showing its TV view, and showing the list again after a sort. Each iteration
// renders the whole window, so layout and painting of the visible lines are included.
#include "editor_ui/window/editor_app.h"
#include "settings/demo_settings.h"
#include "settings/settings_file.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStyleFactory>

#include <filesystem>

namespace {

struct FullFile {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "editor_ui_bench";
    std::filesystem::path file = dir / "full.std";

    FullFile()
    {
        std::filesystem::create_directories(dir);
        auto doc = std::make_unique<COrvanel1Doc>();
        SilentPrompter prompter;
        doc->m_pPrompter = &prompter;
        doc->m_SideFileFolder = dir;
        BuildDemoSettings(*doc, {0, 0x25, 0x2203, kCheckedTvSlots, kMaxRadioSvc});
        written = SaveSettingsFile(*doc, file) == SettingsFileResult::Ok;
    }
    ~FullFile() { std::filesystem::remove_all(dir); }
    bool written = false;
};

struct BenchApp {
    COrvanelApp app;
    BenchApp()
    {
        app.doc->m_SideFileFolder = std::filesystem::temp_directory_path();
        app.frame.resize(820, 620);
        app.frame.show();
    }
    void Render()
    {
        QApplication::processEvents();
        benchmark::DoNotOptimize(app.frame.grab());
    }
    bool ShowTvViewOf(const FullFile& full)
    {
        if (!full.written || !app.controller.OpenAtStart(full.file))
            return false;
        app.controller.ShowView(kTvView);
        Render();
        return true;
    }
};

void BM_OpenFileAndShowTvView(benchmark::State& state)
{
    FullFile full;
    if (!full.written)
        return state.SkipWithError("the full settings file could not be written");
    BenchApp bench;
    for (auto _ : state) {
        bench.app.controller.OpenAtStart(full.file);
        bench.app.controller.ShowView(kTvView);
        bench.Render();
    }
    state.counters["tv"] = double(bench.app.doc->m_TvSvcCnt);
}
BENCHMARK(BM_OpenFileAndShowTvView)->Unit(benchmark::kMillisecond);

// The sort itself (encoding and the undo snapshot included), then the list shown again.
void BM_SortAndShowTvList(benchmark::State& state)
{
    FullFile full;
    BenchApp bench;
    if (!bench.ShowTvViewOf(full))
        return state.SkipWithError("the full settings file could not be opened");
    int type = 0;
    for (auto _ : state) {
        bench.app.controller.Sort(kTvKind, type);
        type = (type + 1) % kSortTypeCount;
        bench.Render();
    }
}
BENCHMARK(BM_SortAndShowTvList)->Unit(benchmark::kMillisecond);

// Only the showing of the sorted list.
void BM_ShowTvListAfterSort(benchmark::State& state)
{
    FullFile full;
    BenchApp bench;
    if (!bench.ShowTvViewOf(full))
        return state.SkipWithError("the full settings file could not be opened");
    int type = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench.app.controller.Sort(kTvKind, type);
        type = (type + 1) % kSortTypeCount;
        state.ResumeTiming();
        bench.app.controller.Redraw(kRefreshSvcLines | kRefreshSvcPanel | kRefreshCommands);
        bench.Render();
    }
}
BENCHMARK(BM_ShowTvListAfterSort)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
