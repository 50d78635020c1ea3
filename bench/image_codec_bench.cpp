// Decoding and encoding of a full settings image (3490 TV, 1500 radio, 254 satellites,
// 2999 TPs) per variant, and the purge of 1000 services with all their references.
#include "settings/image_codec.h"
#include "settings/service_purge.h"
#include "settings/testing/settings_image_builder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>

namespace {
DemoShape FullShape(uint8_t modelId, uint8_t layoutVersion)
{
    DemoShape shape;
    shape.modelId = modelId;
    shape.layoutVersion = layoutVersion;
    shape.satellites = 254;
    shape.tpsPerSat = 12;   // cut to 11 per satellite: 2794 TPs; FullDocument adds the rest
    shape.tvSvc = kCheckedTvSlots;
    shape.radioSvc = kMaxRadioSvc;
    shape.providers = 200;
    shape.favGroups = kMaxFavGroup;
    shape.favMembers = kMaxFavMember;
    shape.timers = kMaxTimer;
    shape.epgReservations = kMaxEpgReserve;
    return shape;
}

// 254 satellites holding 2999 TPs between them.
std::unique_ptr<COrvanel1Doc> FullDocument(uint8_t modelId, uint8_t layoutVersion)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    FillDemoDocument(*doc, FullShape(modelId, layoutVersion));
    uint32_t sats = doc->m_SatCnt;
    uint32_t extra = 2999 - doc->m_TpCnt;
    for (uint32_t i = doc->m_TpCnt; i < 2999; ++i)
        doc->m_TpData[i] = doc->m_TpData[i - 1];
    doc->m_SatInfo[sats - 1].tpNum = uint16_t(doc->m_SatInfo[sats - 1].tpNum + extra);
    doc->m_TpCnt = 2999;
    BuildSettingsImage(*doc);
    return doc;
}

void BM_Decode(benchmark::State& state)
{
    auto image = FullDocument(uint8_t(state.range(0)), uint8_t(state.range(1)));
    auto doc = std::make_unique<COrvanel1Doc>();
    for (auto _ : state) {
        CopyImage(*image, *doc);
        bool ok = VerifyAndParseImage(*doc);
        benchmark::DoNotOptimize(ok);
    }
    state.counters["tv"] = doc->m_TvSvcCnt;
    state.counters["tp"] = doc->m_TpCnt;
}

void BM_Encode(benchmark::State& state)
{
    auto doc = FullDocument(uint8_t(state.range(0)), uint8_t(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(InverseParseImage(*doc));
}

// 1000 services marked across both lists (600 TV, 400 radio), purged at once.
void BM_Purge1000(benchmark::State& state)
{
    auto full = FullDocument(0, 0);
    auto doc = std::make_unique<COrvanel1Doc>();
    std::mt19937 rng(5);
    std::vector<uint32_t> tv(kCheckedTvSlots), radio(kMaxRadioSvc);
    std::iota(tv.begin(), tv.end(), 0u);
    std::iota(radio.begin(), radio.end(), 0u);
    std::shuffle(tv.begin(), tv.end(), rng);
    std::shuffle(radio.begin(), radio.end(), rng);
    tv.resize(600);
    radio.resize(400);
    for (auto _ : state) {
        state.PauseTiming();
        CopyImage(*full, *doc);
        benchmark::DoNotOptimize(ParseImage(*doc));
        Appl_MarkSvc(*doc, kTvKind, tv);
        Appl_MarkSvc(*doc, kRadioKind, radio);
        state.ResumeTiming();
        Appl_PurgeMarkedSvc(*doc);
    }
    state.counters["purged"] = double(tv.size() + radio.size());
}
}

#define VARIANTS ->Args({0, 0})->Args({0, 0x27})->Args({10, 0})->Args({12, 0})->Args({13, 0})->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Decode) VARIANTS;
BENCHMARK(BM_Encode) VARIANTS;
BENCHMARK(BM_Purge1000)->Unit(benchmark::kMillisecond);
