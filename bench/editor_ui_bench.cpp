// The editor's window over full service lists (3490 TV, 1500 radio): opening a settings
// file and showing its TV view, and showing the list again after a sort. Each iteration
// renders the whole window, so layout and painting of the visible lines are included.
// "Open Backup..." over 5,000 backups: the window's thread, and the counting it hands off.
#include "editor_ui/window/backup_window.h"
#include "editor_ui/window/editor_app.h"
#include "settings/backup_folder.h"
#include "settings/demo_settings.h"
#include "settings/settings_file.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>
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

// A backup folder of 5,000 transfers (hard links of one backup, so that it costs no disk).
struct ManyBackups {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "editor_ui_bench_backups";
    bool written = false;

    ManyBackups()
    {
        std::filesystem::remove_all(folder);
        auto doc = std::make_unique<COrvanel1Doc>();
        SilentPrompter prompter;
        doc->m_pPrompter = &prompter;
        doc->m_SideFileFolder = folder;
        BuildDemoSettings(*doc, {});
        if (!SavePvrFileSubFunc(*doc))
            return;
        const BackupImage image{doc->m_ExpectedSystemId, doc->m_RePackedFlash,
                                std::span(doc->m_Eeprom).first(kEepromSize)};
        const auto first = WriteBackup(folder, BackupKind::FromStb, image, 1796730612);
        if (!first)
            return;
        std::error_code error;
        for (int n = 1; n < 5000 && !error; ++n) {
            char name[64];
            std::snprintf(name, sizeof name, "2026-%02d-%02d_%02d-%02d-00_from-STB_model-0.std", 1 + n / 600,
                          1 + n / 24 % 25, n % 24, n % 60);
            std::filesystem::create_hard_link(*first, folder / name, error);
        }
        std::filesystem::remove(folder / "written-order.txt", error);   // all of them ours, by name and size
        written = !error;
    }
    ~ManyBackups() { std::filesystem::remove_all(folder); }
};

// What the window's thread does for "Open Backup...": the rows from the names, the window
// shown; the counts come later from the counter's thread.
void BM_OpenBackupWindowOf5000(benchmark::State& state)
{
    ManyBackups many;
    if (!many.written)
        return state.SkipWithError("the backups could not be written");
    for (auto _ : state) {
        CBackupWindow window(nullptr, ListBackupRows(many.folder));
        window.show();
        benchmark::DoNotOptimize(window.grab());   // laid out and painted once
    }
}
BENCHMARK(BM_OpenBackupWindowOf5000)->Unit(benchmark::kMillisecond);

// The counter's whole work on the same folder, which the window's thread once did before showing.
void BM_CountAllOf5000(benchmark::State& state)
{
    ManyBackups many;
    if (!many.written)
        return state.SkipWithError("the backups could not be written");
    for (auto _ : state) {
        std::vector<BackupRow> rows = ListBackupRows(many.folder);
        for (BackupRow& row : rows)
            CountBackupRow(row);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_CountAllOf5000)->Unit(benchmark::kMillisecond)->Iterations(1);

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
