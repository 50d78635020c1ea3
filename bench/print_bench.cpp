// The printed list: laying out the full TV list (3490 services, the most the STB keeps) from
// the document, and painting 3,500 services into a PDF (the full TV list and ten radio
// services), the whole of what "Export as PDF..." and orvanel-cli export --format pdf do
// before the file is written.
#include "editor_ui/print/list_painter.h"
#include "settings/demo_settings.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <memory>

namespace {

constexpr size_t kPrintedServices = 3500;

std::unique_ptr<COrvanel1Doc> FullDocument()
{
    auto doc = std::make_unique<COrvanel1Doc>();
    BuildDemoSettings(*doc, {0, 0x25, 0x2203, kCheckedTvSlots, kMaxRadioSvc});
    return doc;
}

void BM_LayOutTheFullTvList(benchmark::State& state)
{
    const auto doc = FullDocument();
    const std::vector<uint32_t> all = AllPositions(*doc, kTvKind);
    for (auto _ : state)
        benchmark::DoNotOptimize(SvcPrintout(*doc, kTvKind, all));
}
BENCHMARK(BM_LayOutTheFullTvList)->Unit(benchmark::kMillisecond);

void BM_PdfOf3500Services(benchmark::State& state)
{
    const auto doc = FullDocument();
    ListPrintout printout = SvcPrintout(*doc, kTvKind, AllPositions(*doc, kTvKind));
    for (uint32_t pos = 0; printout.rows.size() < kPrintedServices; ++pos)
        printout.rows.push_back(PrintRowOf(*doc, kRadioKind, pos));
    printout.date = "2026-12-09 06:30";
    int pages = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ListPdf(printout, &pages));
    state.counters["pages"] = pages;
    state.counters["rows"] = double(printout.rows.size());
}
BENCHMARK(BM_PdfOf3500Services)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
