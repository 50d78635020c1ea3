// The explorer core through the ZbDll emulator: listing a big folder into rows, copy jobs
// of many small files, of one 200 MB file and of one 2 GB sparse file, beside cp doing the
// same copy (real time: cp runs in a child process, the emulator copies on its own
// thread; run with TMPDIR=/dev/shm to leave the disk out), and the copy engine's own cost
// per file against an emulator whose copies end at once.
#include "explorer/copy_engine.h"
#include "explorer/event_loop.h"
#include "explorer/pane_rows.h"
#include "explorer/pvr_protocol.h"
#include "tools/zbdll_emu/zbdll_emu.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

using namespace explorer;

namespace {

const fs::path kBase = fs::temp_directory_path() / "explorer_bench";

class BenchHost : public ExplorerHost {
public:
    std::string pvrFolder, pcFolder;
    std::vector<PaneRow> rows;
    std::string Folder(PaneSide side) override { return side == PaneSide::Pvr ? pvrFolder : pcFolder; }
    std::vector<PaneRow> SelectedRows(PaneSide) override { return rows; }
    void EnableControls(bool) override {}
    void RefreshPane(PaneSide) override {}
    void JobEnded(JobOutcome) override {}
};

class NoProgress : public ProgressView {
public:
    void Show() override {}
    void Hide() override {}
    void Close() override {}
    void SetTitle(const std::string&) override {}
    void SetPathLine(const std::string&) override {}
    void ResetProgress() override {}
    void SetFolderBar(size_t, size_t, const std::string&, bool) override {}
};

class OverwriteAll : public ConflictAsker {
public:
    ConflictAnswer AskDuplicate(const std::string&) override { return ConflictAnswer::OverwriteAll; }
    ConflictAnswer AskReplace(const std::string&) override { return ConflictAnswer::YesToAll; }
};

struct Core {
    PvrSession session;
    EventLoop loop;
    BenchHost host;
    NoProgress progress;
    OverwriteAll asker;
    SilentPrompter prompter;
    CopyEngine engine{session, host, progress, asker, prompter, loop, loop};
    ZbWindow window{[](void* loop, uint32_t id, uint32_t value, const char*) {
                        static_cast<EventLoop*>(loop)->Post(id, value);
                    },
                    &loop};

    Core()
    {
        EmuReset((kBase / "pvr").string(), 0x0101);
        StartPnpNotice(&window);
        session.m_bConnected = true;
        session.m_bUsbIdle = true;
        session.m_wVersion = QueryDeviceVersion(session);
        loop.SetHandler([this](uint32_t id, uint32_t value) { engine.OnTransferEvent(id, value); });
    }
    bool Run(Direction direction, const std::string& pvrFolder, const std::string& pcFolder, PaneRow row)
    {
        host.pvrFolder = pvrFolder;
        host.pcFolder = pcFolder;
        host.rows = {row};
        if (!(direction == Direction::Send ? engine.StartSend() : engine.StartReceive()))
            return false;
        while (engine.JobActive())
            loop.RunOnce(100, engine.AwaitingOutside());
        return engine.LastOutcome() == JobOutcome::Done;
    }
};

void MakeSmallFiles(const fs::path& folder, int count)
{
    if (fs::exists(folder))
        return;
    fs::create_directories(folder);
    std::string bytes(4096, 'x');
    for (int i = 0; i < count; ++i)
        std::ofstream(folder / ("file" + std::to_string(i) + ".dat"), std::ios::binary) << bytes;
}

void MakeSparse(const fs::path& path)
{
    if (fs::exists(path))
        return;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).put('\0');
    fs::resize_file(path, 2ULL << 30);
}

void MakeDense(const fs::path& path, uint64_t bytes)
{
    if (fs::exists(path) && fs::file_size(path) == bytes)
        return;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    std::string block(1 << 20, '\0');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = char(1 + i % 251);
    for (uint64_t done = 0; done < bytes; done += block.size())
        out.write(block.data(), std::streamsize(std::min<uint64_t>(block.size(), bytes - done)));
}

void Cp(benchmark::State& state, const fs::path& from, const fs::path& to)
{
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(to);
        state.ResumeTiming();
        std::string command = "cp -r '" + from.string() + "' '" + to.string() + "'";
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("cp failed");
    }
}

void BM_ListFolderIntoRows(benchmark::State& state)
{
    Core core;
    fs::path many = kBase / "pvr" / "DataFiles" / "many";
    fs::create_directories(many);
    for (int i = int(std::distance(fs::directory_iterator(many), fs::directory_iterator())); i < 20000; ++i)
        std::ofstream(many / ("rec" + std::to_string(i) + ".rec"));
    for (auto _ : state) {
        PvrListing listing = ListPvrFolder(core.session, "\\DataFiles\\many");
        std::vector<PaneRow> rows = BuildPvrRows(listing.entries);
        if (rows.size() != 20000)
            state.SkipWithError("short listing");
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}

void BM_DecodeListingPackets(benchmark::State& state)
{
    Core core;
    std::vector<uint8_t> payload;
    for (int i = 0; i < 500; ++i) {
        auto entry = EmuMakeEntry("recording" + std::to_string(i) + ".rec", false, 123456789, 53086, 12, 3);
        payload.insert(payload.end(), entry.begin(), entry.end());
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::vector<uint8_t>> packets(40, EmuMakeReply(kReplyEntries, payload));
        packets.push_back(EmuMakeReply(kReplyListEnd, {}));
        EmuScriptListing(std::move(packets));
        state.ResumeTiming();
        PvrListing listing = ListPvrFolder(core.session, "");
        benchmark::DoNotOptimize(BuildPvrRows(listing.entries));
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}

void BM_SendSmallFiles(benchmark::State& state)
{
    Core core;
    MakeSmallFiles(kBase / "pc" / "small", 1000);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(kBase / "pvr" / "DataFiles" / "small");
        state.ResumeTiming();
        if (!core.Run(Direction::Send, "\\DataFiles", (kBase / "pc").string(), PcRow("small", true, 0, "")))
            state.SkipWithError("send failed");
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

void BM_ReceiveSmallFiles(benchmark::State& state)
{
    Core core;
    MakeSmallFiles(kBase / "pvr" / "DataFiles" / "small-src", 1000);
    fs::create_directories(kBase / "pc-in");
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(kBase / "pc-in" / "small-src");
        state.ResumeTiming();
        if (!core.Run(Direction::Receive, "\\DataFiles", (kBase / "pc-in").string(), PcRow("small-src", true, 0, "")))
            state.SkipWithError("receive failed");
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}

void BM_CpSmallFiles(benchmark::State& state)
{
    MakeSmallFiles(kBase / "pc" / "small", 1000);
    Cp(state, kBase / "pc" / "small", kBase / "cp-small");
    state.SetItemsProcessed(state.iterations() * 1000);
}

constexpr uint64_t kDenseBytes = 200ULL << 20;

void BM_SendDense200MB(benchmark::State& state)
{
    Core core;
    MakeDense(kBase / "pc" / "dense" / "film.rec", kDenseBytes);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(kBase / "pvr" / "DataFiles" / "film.rec");
        state.ResumeTiming();
        if (!core.Run(Direction::Send, "\\DataFiles", (kBase / "pc" / "dense").string(),
                      PcRow("film.rec", false, kDenseBytes, "")))
            state.SkipWithError("send failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kDenseBytes));
}

void BM_ReceiveDense200MB(benchmark::State& state)
{
    Core core;
    MakeDense(kBase / "pvr" / "DataFiles" / "film-src.rec", kDenseBytes);
    fs::create_directories(kBase / "pc-in");
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(kBase / "pc-in" / "film-src.rec");
        state.ResumeTiming();
        if (!core.Run(Direction::Receive, "\\DataFiles", (kBase / "pc-in").string(),
                      PcRow("film-src.rec", false, kDenseBytes, "")))
            state.SkipWithError("receive failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kDenseBytes));
}

void BM_CpDense200MB(benchmark::State& state)
{
    MakeDense(kBase / "pc" / "dense" / "film.rec", kDenseBytes);
    Cp(state, kBase / "pc" / "dense" / "film.rec", kBase / "cp-film.rec");
    state.SetBytesProcessed(int64_t(state.iterations() * kDenseBytes));
}

// The engine alone: the emulator ends each copy at once, on the starting call.
void EngineOnly(benchmark::State& state, Direction direction)
{
    Core core;
    EmuFaults faults;
    faults.instantCopies = true;
    EmuSetFaults(faults);
    MakeSmallFiles(kBase / "pc" / "small", 1000);
    MakeSmallFiles(kBase / "pvr" / "DataFiles" / "small-src", 1000);
    fs::create_directories(kBase / "pc-in");
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(kBase / "pvr" / "DataFiles" / "small");
        fs::remove_all(kBase / "pc-in" / "small-src");
        state.ResumeTiming();
        bool ok = direction == Direction::Send
                      ? core.Run(direction, "\\DataFiles", (kBase / "pc").string(), PcRow("small", true, 0, ""))
                      : core.Run(direction, "\\DataFiles", (kBase / "pc-in").string(), PcRow("small-src", true, 0, ""));
        if (!ok)
            state.SkipWithError("copy job failed");
    }
    state.counters["per_file"] =
        benchmark::Counter(double(state.iterations()) * 1000, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_EngineSendPerFile(benchmark::State& state) { EngineOnly(state, Direction::Send); }
void BM_EngineReceivePerFile(benchmark::State& state) { EngineOnly(state, Direction::Receive); }

void BM_SendSparse2GB(benchmark::State& state)
{
    Core core;
    MakeSparse(kBase / "pc" / "sparse" / "big.rec");
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(kBase / "pvr" / "DataFiles" / "big.rec");
        state.ResumeTiming();
        if (!core.Run(Direction::Send, "\\DataFiles", (kBase / "pc" / "sparse").string(),
                      PcRow("big.rec", false, 2ULL << 30, "")))
            state.SkipWithError("send failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * (2LL << 30));
}

void BM_ReceiveSparse2GB(benchmark::State& state)
{
    Core core;
    MakeSparse(kBase / "pvr" / "DataFiles" / "big-src.rec");
    fs::create_directories(kBase / "pc-in");
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(kBase / "pc-in" / "big-src.rec");
        state.ResumeTiming();
        if (!core.Run(Direction::Receive, "\\DataFiles", (kBase / "pc-in").string(),
                      PcRow("big-src.rec", false, 2ULL << 30, "")))
            state.SkipWithError("receive failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * (2LL << 30));
}

void BM_CpSparse2GB(benchmark::State& state)
{
    MakeSparse(kBase / "pc" / "sparse" / "big.rec");
    Cp(state, kBase / "pc" / "sparse" / "big.rec", kBase / "cp-big.rec");
    state.SetBytesProcessed(int64_t(state.iterations()) * (2LL << 30));
}

}

BENCHMARK(BM_ListFolderIntoRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeListingPackets)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SendSmallFiles)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ReceiveSmallFiles)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CpSmallFiles)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_SendDense200MB)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ReceiveDense200MB)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CpDense200MB)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_SendSparse2GB)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_ReceiveSparse2GB)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_CpSparse2GB)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_EngineSendPerFile)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_EngineReceivePerFile)->Unit(benchmark::kMillisecond)->Iterations(10);
