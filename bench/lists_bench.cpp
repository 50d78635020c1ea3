// Channel lists across two full documents (3490 TV, 1500 radio): a reference list carried
// onto a freshly scanned one, the comparison of the two, and the CSV export and import.
#include "editing/edit_common.h"
#include "editing/svc_edit.h"
#include "editing/svc_refs.h"
#include "editing/testing/random_document.h"
#include "lists/apply_reference.h"
#include "lists/list_csv.h"
#include "lists/list_diff.h"
#include "settings/service_purge.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>

namespace {

struct Pair {
    std::unique_ptr<COrvanel1Doc> reference, scanned;
};

// The user's list (sorted by hand, locks, skips, a tenth renamed) and the STB's list after a
// new scan: its own order, the user's names and flags gone, a few services re-numbered.
const Pair& FullPair()
{
    static const Pair pair = [] {
        std::mt19937 rng(2026);
        const RandomDocOptions options = FullListOptions(kMaxRadioSvc);
        Pair built{MakeRandomDocument(rng, options), nullptr};
        COrvanel1Doc& ref = *built.reference;
        for (SvcKind kind : {kTvKind, kRadioKind})
            for (uint32_t i = 0; i < SvcCount(ref, kind); ++i) {
                SvcTable(ref, kind)[i].lock = i % 9 == 0;
                SvcTable(ref, kind)[i].skip = i % 15 == 0;
                SvcTable(ref, kind)[i].renameFlag = i % 10 == 0;
            }
        built.scanned = std::make_unique<COrvanel1Doc>(ref);
        COrvanel1Doc& scan = *built.scanned;
        for (SvcKind kind : {kTvKind, kRadioKind}) {
            for (uint32_t i = 0; i < SvcCount(scan, kind); ++i) {
                SvcRecord& svc = SvcTable(scan, kind)[i];
                svc.lock = svc.skip = svc.renameFlag = 0;
                if (i % 10 == 0)
                    Appl_ChangeSvcName(scan, kind, i, "Scan " + std::to_string(i));
                if (i % 50 == 7)
                    svc.svcId ^= 0x8000;
            }
            std::vector<uint32_t> order(SvcCount(scan, kind));
            std::iota(order.begin(), order.end(), 0u);
            std::shuffle(order.begin(), order.end(), rng);
            Appl_ApplySvcOrder(scan, kind, 0, order);
        }
        return built;
    }();
    return pair;
}

void BM_ApplyReference(benchmark::State& state)
{
    const Pair& pair = FullPair();
    auto target = std::make_unique<COrvanel1Doc>();
    lists::ReferenceReport report;
    for (auto _ : state) {
        state.PauseTiming();
        *target = *pair.scanned;
        state.ResumeTiming();
        report = lists::ApplyReference(*pair.reference, *target);
        benchmark::DoNotOptimize(target->m_TvSvc[0]);
    }
    state.counters["strong"] = report.lists[kTvKind].strong + report.lists[kRadioKind].strong;
    state.counters["weak"] = report.lists[kTvKind].weak + report.lists[kRadioKind].weak;
    state.counters["renamed"] = report.lists[kTvKind].renamed + report.lists[kRadioKind].renamed;
}
BENCHMARK(BM_ApplyReference)->Unit(benchmark::kMillisecond);

void BM_Diff(benchmark::State& state)
{
    const Pair& pair = FullPair();
    for (auto _ : state) {
        const lists::DocDiff diff = lists::DiffDocuments(*pair.reference, *pair.scanned);
        benchmark::DoNotOptimize(diff.lists[kTvKind].changed.size());
    }
}
BENCHMARK(BM_Diff)->Unit(benchmark::kMillisecond);

void BM_ExportCsv(benchmark::State& state)
{
    const Pair& pair = FullPair();
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string csv = lists::ExportCsv(*pair.reference);
        bytes = csv.size();
        benchmark::DoNotOptimize(csv.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * bytes));
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);

void BM_ImportCsv(benchmark::State& state)
{
    const Pair& pair = FullPair();
    const std::string csv = lists::ExportCsv(*pair.reference);
    auto target = std::make_unique<COrvanel1Doc>();
    for (auto _ : state) {
        state.PauseTiming();
        *target = *pair.scanned;
        state.ResumeTiming();
        lists::CsvImportReport report;
        lists::CsvError error;
        if (!lists::ImportCsv(*target, csv, report, error))
            state.SkipWithError(error.text.c_str());
    }
}
BENCHMARK(BM_ImportCsv)->Unit(benchmark::kMillisecond);

} // namespace
