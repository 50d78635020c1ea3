// The PVR pane with a 20,000-entry folder: listing it through the emulator into the pane's
// model, and sorting the model by each column in both directions.
#include "explorer/pane_controller.h"
#include "explorer/pvr_protocol.h"
#include "explorer/ui/pane_model.h"
#include "tools/zbdll_emu/zbdll_emu.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace explorer;

namespace {

const fs::path kRoot = fs::temp_directory_path() / "explorer_window_bench";

class RowCollector : public PvrPaneView {
public:
    std::vector<PaneRow> rows;
    void ClearRows() override { rows.clear(); }
    void InsertRow(size_t, const PaneRow& row) override { rows.push_back(row); }
    void ShowPath(const std::string&) override {}
    void ListingComplete(bool, const DiskQuery&) override {}
    void ListingFailed() override {}
};

// The STB's answer to listing a folder of 20,000 entries of mixed names, sizes, types and
// dates: the packets are built once and played by the emulator, so that what is measured
// is the program's side (protocol, rows, model), not the emulator reading a disk.
const std::vector<std::vector<uint8_t>>& BigListing()
{
    static const std::vector<std::vector<uint8_t>> packets = [] {
        std::vector<std::vector<uint8_t>> blocks;
        const char* ext[] = {".rec", ".mp3", ".txt", ".REC", ""};
        std::vector<uint8_t> payload;
        for (int i = 0; i < 20000; ++i) {
            std::string name = "Item " + std::to_string((i * 7919) % 20000) + ext[i % 5];
            std::vector<uint8_t> entry = EmuMakeEntry(name, i % 50 == 0, uint64_t(i) * 104729 % 3000000000ull,
                                                      uint16_t(53000 + i * 37 % 3000), uint8_t(i % 24), uint8_t(i % 60));
            payload.insert(payload.end(), entry.begin(), entry.end());
            if (payload.size() + 114 > 0xFFFF - 8 || i == 19999) {
                blocks.push_back(EmuMakeReply(0x1003, payload));
                payload.clear();
            }
        }
        blocks.push_back(EmuMakeReply(0x1004, {}));
        return blocks;
    }();
    return packets;
}

PvrSession& Connected()
{
    static PvrSession session;
    static bool ready = [] {
        fs::create_directories(kRoot);
        EmuReset(kRoot.string(), 0x0101);
        InitDevice();
        ZbWindow window{};
        StartPnpNotice(&window);
        session.m_bConnected = true;
        session.m_bUsbIdle = true;
        return true;
    }();
    (void)ready;
    return session;
}

std::vector<PaneRow> ListBig(PvrSession& session)
{
    EmuScriptListing(BigListing());
    PvrPanePath path;
    path.Set("\\Big");
    RowCollector view;
    RefreshPvrPane(session, path, view);
    return std::move(view.rows);
}

void BM_ListIntoModel(benchmark::State& state)
{
    PvrSession& session = Connected();
    CPaneController pane(PaneSide::Pvr);
    CPaneModel model(pane);
    for (auto _ : state) {
        state.PauseTiming();
        EmuScriptListing(BigListing());
        state.ResumeTiming();
        PvrPanePath path;
        path.Set("\\Big");
        RowCollector view;
        RefreshPvrPane(session, path, view);
        pane.SetRows(std::move(view.rows));
        model.Reload();
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.counters["rows"] = double(pane.Rows().size());
}
BENCHMARK(BM_ListIntoModel)->Unit(benchmark::kMillisecond);

void BM_SortModel(benchmark::State& state)
{
    PvrSession& session = Connected();
    CPaneController pane(PaneSide::Pvr);
    CPaneModel model(pane);
    std::vector<PaneRow> listed = ListBig(session);
    auto column = PaneColumn(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        pane.SetRows(listed);  // the listing order, then the first (ascending) click
        state.ResumeTiming();
        pane.SortBy(column);
        model.Reload();
        pane.SortBy(column);  // and the second (descending) one
        model.Reload();
    }
    state.SetLabel(std::to_string(pane.Rows().size()) + " rows, both directions");
}
BENCHMARK(BM_SortModel)->DenseRange(0, kPaneColumns - 1)->ArgName("column")->Unit(benchmark::kMillisecond);

}  // namespace
