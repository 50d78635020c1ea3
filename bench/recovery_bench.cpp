// Recovery of unsaved edits on the full list (3490 TV, 1500 radio): what a recovery write
// costs the window's thread (the controller copies the document and hands it to the
// keeper), and, for scale, the keeper thread's encoding and safe write of the file.
#include "common/prompter.h"
#include "editing/testing/random_document.h"
#include "editor_ui/core/editor_controller.h"
#include "editor_ui/core/recovery_keeper.h"
#include "editor_ui/tests/scripted_host.h"
#include "settings/demo_settings.h"
#include "settings/recovery_file.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

struct FullList {
    fs::path dir = fs::temp_directory_path() / "recovery_bench";
    std::unique_ptr<COrvanel1Doc> doc;

    FullList()
    {
        fs::create_directories(dir);
        std::mt19937 rng(2026);
        doc = MakeRandomDocument(rng, FullListOptions(kMaxRadioSvc));
        PrepareBlankFlashImage(*doc, 0x2203, 0, 0x25);
        doc->m_SideFileFolder = dir;
        doc->m_bLoaded = true;
    }
    ~FullList() { fs::remove_all(dir); }
};

// The timed part is the wake-up that finds the recovery due: one copy of the document.
void BM_RecoveryWriteOnTheWindowThread(benchmark::State& state)
{
    FullList full;
    SilentPrompter prompter;
    ScriptedDialogs dialogs;
    ScriptedLink link;
    CEditorController ctl(*full.doc, prompter, dialogs, link);
    CRecoveryKeeper keeper(full.dir);
    ctl.SetRecovery(&keeper);
    ctl.ShowView(kTvView);
    uint32_t pos = 0;
    for (auto _ : state) {
        state.PauseTiming();
        keeper.Flush();
        ctl.SetSvcSelection(kTvKind, {pos}, pos);
        ctl.ToggleLock(kTvKind);
        pos = (pos + 1) % 100;
        const auto due = std::chrono::steady_clock::now() + CEditorController::kRecoveryInterval;
        state.ResumeTiming();
        ctl.KeepRecovery(due);
    }
    keeper.Flush();
    if (keeper.LastFailure())
        state.SkipWithError(keeper.LastFailure().Describe().c_str());
}
BENCHMARK(BM_RecoveryWriteOnTheWindowThread)->Unit(benchmark::kMillisecond);

// The keeper thread's share: encoding the copy and writing the file with the safe writer.
void BM_RecoveryFileEncodeAndWrite(benchmark::State& state)
{
    FullList full;
    const fs::path path = full.dir / kRecoveryFileName;
    for (auto _ : state) {
        const std::vector<uint8_t> bytes = BuildRecoveryFile(*full.doc, {full.dir / "full.std", 0, {}});
        if (bytes.empty() || !SafeWriteFile(path, bytes, LinkRule::Replace))
            return state.SkipWithError("the recovery file was not written");
    }
}
BENCHMARK(BM_RecoveryFileEncodeAndWrite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
