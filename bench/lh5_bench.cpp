// The -lh5- encoder against an outside -lh5- archiver on the same blocks in the same run:
// CPU time per byte and compressed size, per kind of block. The outside tool's time is the
// CPU time of its process (user and system), so process start is included in its figure.
#include "settings/demo_settings.h"
#include "settings/document.h"
#include "settings/image_codec.h"
#include "settings/lh5_encode.h"
#include "settings/testing/flash_image_builder.h"
#include "settings/testing/lha_archive.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Block = std::vector<uint8_t>;

constexpr uint32_t kBlockSize = 0x2000;

std::vector<Block> Split(const std::vector<uint8_t>& area)
{
    std::vector<Block> blocks;
    for (size_t pos = 0; pos + kBlockSize <= area.size(); pos += kBlockSize)
        blocks.emplace_back(area.begin() + long(pos), area.begin() + long(pos + kBlockSize));
    return blocks;
}

// The 48 blocks of a settings area with full service lists (3490 TV, 1500 radio).
std::vector<Block> FullFileBlocks()
{
    auto doc = std::make_unique<COrvanel1Doc>();
    BuildDemoSettings(*doc, {0, 0x25, 0x2203, kCheckedTvSlots, kMaxRadioSvc});
    if (!InverseParseImage(*doc))
        return {};
    return Split(doc->m_SettingsArea);
}

std::vector<Block> LetterBlocks()
{
    std::mt19937 rng(12);
    std::vector<Block> blocks(8, Block(kBlockSize));
    for (auto& block : blocks)
        for (auto& x : block)
            x = uint8_t('a' + std::min<uint32_t>(25, std::geometric_distribution<uint32_t>(0.2)(rng)));
    return blocks;
}

// Block kinds by the range argument: full settings file, the synthetic settings-like area,
// skewed letters (text-like).
std::vector<Block> BlocksOfKind(int64_t kind)
{
    switch (kind) {
    case 0: return FullFileBlocks();
    case 1: return Split(MakeSettingsLikeArea(1));
    default: return LetterBlocks();
    }
}

const char* KindName(int64_t kind)
{
    static const char* const names[] = {"full-file", "settings-like", "letters"};
    return names[kind];
}

void BM_Lh5Ours(benchmark::State& state)
{
    const std::vector<Block> blocks = BlocksOfKind(state.range(0));
    if (blocks.empty())
        return state.SkipWithError("no blocks");
    lh5::Compressor compressor;
    Block out(2 * kBlockSize);
    uint64_t size = 0;
    for (auto _ : state) {
        size = 0;
        for (const Block& b : blocks) {
            const uint32_t n = compressor.Compress(b.data(), kBlockSize, out.data(), uint32_t(out.size()));
            size += n ? n : kBlockSize;
        }
    }
    state.SetLabel(KindName(state.range(0)));
    state.counters["size"] = double(size);
    state.SetBytesProcessed(int64_t(state.iterations() * blocks.size() * kBlockSize));
}
BENCHMARK(BM_Lh5Ours)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

double ChildCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Writes the blocks `copies` times under distinct names; returns the archiver's command line.
std::string PrepareJlhaRun(const fs::path& dir, const std::vector<Block>& blocks, int copies)
{
    fs::create_directories(dir);
    std::string names;
    for (int c = 0; c < copies; ++c)
        for (size_t i = 0; i < blocks.size(); ++i) {
            const std::string name = "c" + std::to_string(c) + "b" + std::to_string(i);
            std::ofstream(dir / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(blocks[i].data()), std::streamsize(kBlockSize));
            names += " " + name;
        }
    return "cd '" + dir.string() + "' && rm -f t.lzh && jlha a1 t.lzh" + names + " >/dev/null 2>&1";
}

double RunCpuSeconds(const std::string& command)
{
    const double before = ChildCpuSeconds();
    return std::system(command.c_str()) == 0 ? ChildCpuSeconds() - before : -1;
}

// The anchor: the outside archiver on the same blocks. It runs on a virtual machine whose
// start-up dwarfs 384 KB, so its time per set of blocks is the difference between archiving
// nine copies and one copy, divided by eight.
void BM_Lh5Jlha(benchmark::State& state)
{
    if (std::system("command -v jlha >/dev/null 2>&1") != 0)
        return state.SkipWithError("jlha is missing: run scripts/deps");
    const std::vector<Block> blocks = BlocksOfKind(state.range(0));
    const fs::path dir = fs::temp_directory_path() / ("lh5_bench_" + std::to_string(getpid()));
    const std::string one = PrepareJlhaRun(dir / "one", blocks, 1);
    const std::string nine = PrepareJlhaRun(dir / "nine", blocks, 9);
    for (auto _ : state) {
        const double t1 = RunCpuSeconds(one);
        const double t9 = RunCpuSeconds(nine);
        if (t1 < 0 || t9 < 0)
            return state.SkipWithError("jlha failed");
        state.SetIterationTime(std::max(1e-6, (t9 - t1) / 8));
    }
    std::ifstream f(dir / "one" / "t.lzh", std::ios::binary);
    uint64_t size = 0;
    for (const LhaMember& m : ReadLevel1Archive(std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {})))
        size += m.stream.size();
    fs::remove_all(dir);
    state.SetLabel(KindName(state.range(0)));
    state.counters["size"] = double(size);
    state.SetBytesProcessed(int64_t(state.iterations() * blocks.size() * kBlockSize));
}
BENCHMARK(BM_Lh5Jlha)->DenseRange(0, 2)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
