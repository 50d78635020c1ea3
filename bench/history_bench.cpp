// The editor's history and find bar on a full list (3490 TV, 1500 radio): the memory of 500
// steps of everyday edits and of 500 whole-list changes, one step back or forward, the
// recording of one change, and filtering the TV list.
#include "editing/svc_edit.h"
#include "editing/svc_sort.h"
#include "editing/testing/random_document.h"
#include "editor_ui/core/change_history.h"
#include "editor_ui/core/svc_filter.h"
#include "settings/service_purge.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kSteps = 500;

const COrvanel1Doc& FullDocument()
{
    static const std::unique_ptr<COrvanel1Doc> doc = [] {
        std::mt19937 rng(2027);
        return MakeRandomDocument(rng, FullListOptions(kMaxRadioSvc));
    }();
    return *doc;
}

// One everyday edit, chosen by the step's number: a rename, a PID, a move, a flag, a delete.
void EverydayEdit(COrvanel1Doc& doc, std::mt19937& rng, int step)
{
    const SvcKind kind = step % 3 == 2 ? kRadioKind : kTvKind;
    const uint32_t count = SvcCount(doc, kind);
    const uint32_t pos = rng() % count;
    switch (step % 5) {
    case 0: Appl_ChangeSvcName(doc, kind, pos, "Renamed " + std::to_string(step)); break;
    case 1: Appl_SetSvcPid(doc, kind, pos, SvcPidField::AudioPid, rng() % 8192); break;
    case 2: Appl_MoveSvc(doc, kind, pos, rng() % count); break;
    case 3: Appl_ToggleLock(doc, kind, {pos, (pos + 1) % count}, pos); break;
    case 4: Appl_DeleteSvc(doc, kind, {pos}); break;
    }
}

// A change of the whole TV list: a sort by each order in turn.
void WholeListEdit(COrvanel1Doc& doc, std::mt19937&, int step)
{
    Appl_SortSvcList(doc, kTvKind, step % kSortTypeCount);
}

template <void (*Edit)(COrvanel1Doc&, std::mt19937&, int)>
void BuildHistory(COrvanel1Doc& doc, CChangeHistory& history)
{
    std::mt19937 rng(7);
    history.Reset(doc, "Open", true);
    for (int step = 0; step < kSteps; ++step) {
        Edit(doc, rng, step);
        history.Record(doc, "Step");
    }
}

template <void (*Edit)(COrvanel1Doc&, std::mt19937&, int)>
void BM_MemoryOf500Steps(benchmark::State& state)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    CChangeHistory history;
    for (auto _ : state) {
        *doc = FullDocument();
        BuildHistory<Edit>(*doc, history);
    }
    state.counters["steps"] = double(history.Size() - 1);
    state.counters["MB"] = double(history.Bytes()) / (1 << 20);
}
BENCHMARK(BM_MemoryOf500Steps<EverydayEdit>)->Name("BM_MemoryOf500Steps/everyday")->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MemoryOf500Steps<WholeListEdit>)->Name("BM_MemoryOf500Steps/sorts")->Unit(benchmark::kMillisecond)->Iterations(1);

// One step back and one forward in turn, in the middle of 500 steps.
template <void (*Edit)(COrvanel1Doc&, std::mt19937&, int)>
void BM_OneStep(benchmark::State& state)
{
    auto doc = std::make_unique<COrvanel1Doc>(FullDocument());
    CChangeHistory history;
    BuildHistory<Edit>(*doc, history);
    history.GoTo(*doc, kSteps / 2);
    size_t target = kSteps / 2 - 1;
    for (auto _ : state) {
        if (!history.GoTo(*doc, target))
            return state.SkipWithError("the step did not decode");
        target = target == kSteps / 2 ? kSteps / 2 - 1 : kSteps / 2;
    }
}
BENCHMARK(BM_OneStep<EverydayEdit>)->Name("BM_OneStep/everyday")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneStep<WholeListEdit>)->Name("BM_OneStep/sorts")->Unit(benchmark::kMillisecond);

// What each command costs on top: encoding the settings and keeping the difference.
void BM_RecordOneRename(benchmark::State& state)
{
    auto doc = std::make_unique<COrvanel1Doc>(FullDocument());
    CChangeHistory history;
    history.Reset(*doc, "Open", true);
    int step = 0;
    for (auto _ : state) {
        Appl_ChangeSvcName(*doc, kTvKind, uint32_t(step * 7 % 3490), "Renamed " + std::to_string(step));
        history.Record(*doc, "Rename");
        ++step;
    }
}
BENCHMARK(BM_RecordOneRename)->Unit(benchmark::kMillisecond);

void BM_FilterTvList(benchmark::State& state)
{
    const COrvanel1Doc& doc = FullDocument();
    SvcFilter filter;
    if (state.range(0) == 0)
        filter.sat = 3;
    else
        filter.text = "sport";
    size_t shown = 0;
    for (auto _ : state)
        shown = ShownSvcs(doc, kTvKind, filter).size();
    state.SetLabel(state.range(0) == 0 ? "by satellite" : "by name text");
    state.counters["shown"] = double(shown);
    state.SetItemsProcessed(state.iterations() * doc.m_TvSvcCnt);
}
BENCHMARK(BM_FilterTvList)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
