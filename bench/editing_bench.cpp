// Sorting a full TV list (3490 services with realistic names, providers and favourites)
// by each sort type, the snapshot taken before a sort, and the memory of a full undo stack.
#include "settings/document.h"
#include "settings/image_codec.h"
#include "editing/testing/random_document.h"
#include "editing/svc_sort.h"

#include <benchmark/benchmark.h>

#include <numeric>

namespace {

const COrvanel1Doc& FullDocument()
{
    static const std::unique_ptr<COrvanel1Doc> doc = [] {
        std::mt19937 rng(2024);
        const RandomDocOptions options = FullListOptions(600);
        return MakeRandomDocument(rng, options);
    }();
    return *doc;
}

void BM_SortTvList(benchmark::State& state)
{
    const int type = static_cast<int>(state.range(0));
    auto doc = std::make_unique<COrvanel1Doc>();
    for (auto _ : state) {
        state.PauseTiming();
        *doc = FullDocument();
        state.ResumeTiming();
        Appl_SortSvcList(*doc, kTvKind, type);
        benchmark::DoNotOptimize(doc->m_TvSvc[0]);
    }
    state.SetLabel(SortDescription(type));
    state.SetItemsProcessed(state.iterations() * doc->m_TvSvcCnt);
}
BENCHMARK(BM_SortTvList)->DenseRange(0, kSortTypeCount - 1)->Unit(benchmark::kMillisecond);

// The same heap sort with both keys formatted again at every comparison, for comparison.
void BM_SortTvListKeysPerComparison(benchmark::State& state)
{
    const int type = static_cast<int>(state.range(0));
    auto doc = std::make_unique<COrvanel1Doc>(FullDocument());
    const uint32_t n = doc->m_TvSvcCnt;
    for (auto _ : state) {
        std::vector<uint32_t> perm(n);
        std::iota(perm.begin(), perm.end(), 0u);
        auto cmp = [&](uint32_t i, uint32_t j) {
            return CompareSortKeys(BuildSortKey(*doc, kTvKind, type, perm[i], perm[i]).c_str(),
                                   BuildSortKey(*doc, kTvKind, type, perm[j], perm[j]).c_str());
        };
        auto siftDown = [&](uint32_t a, uint32_t last) {
            for (uint32_t c = 2 * a + 1; c <= last; a = c, c = 2 * c + 1) {
                if (c + 1 <= last && cmp(c, c + 1) < 0)
                    ++c;
                if (cmp(a, c) >= 0)
                    return;
                std::swap(perm[a], perm[c]);
            }
        };
        for (uint32_t k = n / 2; k >= 1; --k)
            siftDown(k - 1, n - 1);
        for (uint32_t last = n - 1; last > 0;) {
            std::swap(perm[0], perm[last]);
            siftDown(0, --last);
        }
        benchmark::DoNotOptimize(perm.data());
    }
    state.SetLabel(SortDescription(type));
}
BENCHMARK(BM_SortTvListKeysPerComparison)->Arg(kSortAlphabetic)->Arg(kSortFavToNoFav)->Arg(kSortTransponder)
    ->Unit(benchmark::kMillisecond);

// ChList_Sort as the window calls it: encode, keep the snapshot, sort.
void BM_ChListSortWithSnapshot(benchmark::State& state)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    CSortUndo undo;
    for (auto _ : state) {
        state.PauseTiming();
        *doc = FullDocument();
        state.ResumeTiming();
        ChList_Sort(*doc, undo, kSortAlphabetic, kTvKind);
    }
}
BENCHMARK(BM_ChListSortWithSnapshot)->Unit(benchmark::kMillisecond);

void BM_FullUndoStack(benchmark::State& state)
{
    auto doc = std::make_unique<COrvanel1Doc>(FullDocument());
    if (!InverseParseImage(*doc))
        return state.SkipWithError("the document does not encode");
    size_t bytes = 0;
    for (auto _ : state) {
        CSortUndo undo;
        for (size_t i = 0; i < CSortUndo::kDepth + 1; ++i)
            undo.Push(doc->m_Snapshot, SortDescription(kSortProvider));
        bytes = undo.SnapshotBytes();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["stack_bytes"] = static_cast<double>(bytes);
    state.counters["snapshots"] = CSortUndo::kDepth;
}
BENCHMARK(BM_FullUndoStack)->Unit(benchmark::kMillisecond);

} // namespace
