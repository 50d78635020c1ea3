// Speed of the flash image packing: unpacking a whole image, compressing and expanding one
// 8 KB block of settings-like data, and re-packing after small and after sweeping edits.
#include "settings/document.h"
#include "settings/testing/flash_image_builder.h"
#include "settings/flash_pack.h"
#include "settings/lh5_decode.h"
#include "settings/lh5_encode.h"
#include "settings/pack_container.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

std::unique_ptr<COrvanel1Doc> LoadedDoc()
{
    auto doc = std::make_unique<COrvanel1Doc>();
    FlashImageOptions options;
    doc->m_PackedFlash = BuildFlashImage(MakeSettingsLikeArea(1), options);
    doc->m_ExpectedSystemId = options.systemId;
    if (!UnpackFlash(*doc))
        return nullptr;
    return doc;
}

void BM_UnpackFlash48Blocks(benchmark::State& state)
{
    auto doc = LoadedDoc();
    if (!doc) {
        state.SkipWithError("image did not unpack");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(UnpackFlash(*doc));
    state.SetBytesProcessed(int64_t(state.iterations()) * kSettingsAreaSize);
}
BENCHMARK(BM_UnpackFlash48Blocks);

void BM_CompressSettingsBlock(benchmark::State& state)
{
    const std::vector<uint8_t> block = MakeSettingsLikeBlock(1, uint32_t(state.range(0)));
    std::vector<uint8_t> container(PackBlockBound(kFlashBlockSize));
    uint32_t size = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(size = PackBlock(block.data(), kFlashBlockSize, container.data()));
    state.counters["container"] = size;
    state.SetBytesProcessed(int64_t(state.iterations()) * kFlashBlockSize);
}
BENCHMARK(BM_CompressSettingsBlock)->Arg(3)->Arg(33)->Arg(20);

void BM_DecodeSettingsBlock(benchmark::State& state)
{
    const std::vector<uint8_t> block = MakeSettingsLikeBlock(1, uint32_t(state.range(0)));
    std::vector<uint8_t> stream(kFlashBlockSize);
    lh5::Compressor compressor;
    stream.resize(compressor.Compress(block.data(), kFlashBlockSize, stream.data(), kFlashBlockSize));
    std::vector<uint8_t> out(kFlashBlockSize);
    for (auto _ : state)
        benchmark::DoNotOptimize(lh5::Decode(stream, out));
    state.SetBytesProcessed(int64_t(state.iterations()) * kFlashBlockSize);
}
BENCHMARK(BM_DecodeSettingsBlock)->Arg(3)->Arg(33);

void BM_PackFlashAfterOneByteEdit(benchmark::State& state)
{
    auto doc = LoadedDoc();
    if (!doc) {
        state.SkipWithError("image did not unpack");
        return;
    }
    for (auto _ : state) {
        doc->m_SettingsArea[10 * kFlashBlockSize + 77] ^= 1;
        benchmark::DoNotOptimize(PackFlash(*doc));
    }
}
BENCHMARK(BM_PackFlashAfterOneByteEdit);

void BM_PackFlashAfterEveryBlockChanged(benchmark::State& state)
{
    auto doc = LoadedDoc();
    if (!doc) {
        state.SkipWithError("image did not unpack");
        return;
    }
    for (auto _ : state) {
        for (uint32_t i = 0; i < kFlashBlocks; ++i)
            doc->m_SettingsArea[i * kFlashBlockSize + 1000] ^= 1;
        benchmark::DoNotOptimize(PackFlash(*doc));
    }
}
BENCHMARK(BM_PackFlashAfterEveryBlockChanged);

}
