// The PC pane's listing and disk line, column sorting, and the emulator's plug file.
#include "common/testing/test_support.h"
#include "explorer/tests/emu_fixture.h"
#include "explorer/pane_sort.h"
#include "explorer/pc_listing.h"
#include "tools/zbdll_emu/emu_state.h"

#include <chrono>
#include <thread>

using namespace explorer;

namespace {

std::vector<std::string> Names(const std::vector<PaneRow>& rows)
{
    std::vector<std::string> names;
    for (const PaneRow& r : rows)
        names.push_back(r.name);
    return names;
}

std::string NoSystemType(const std::string&, bool) { return ""; }

PaneRow Row(const std::string& name, bool folder, uint64_t bytes, const std::string& type, const std::string& date)
{
    PaneRow row = PcRow(name, folder, bytes, date);
    row.typeText = type;
    return row;
}

}  // namespace

TEST(PcListing, HiddenAndDotLeftOutParentKeptFoldersFirst)
{
    const testing_support::TempFolder temp("pane_listing");
    const fs::path folder = temp.Path();
    WriteFile(folder / "b.txt", "12");
    WriteFile(folder / "A.rec", std::string(3000, 'r'));
    WriteFile(folder / ".hidden", "h");
    WriteFile(folder / "noext", "");
    fs::create_directories(folder / "zdir");
    fs::create_directories(folder / ".cache");
    PcListing listing = ListPcFolder(folder.string(), [](const std::string& name, bool isFolder) {
        return isFolder ? "Folder" : name == "b.txt" ? "  plain text document " : "";
    });
    ASSERT_TRUE(listing.ok);
    EXPECT_EQ(Names(listing.rows), (std::vector<std::string>{"..", "zdir", "A.rec", "b.txt", "noext"}));
    EXPECT_EQ(listing.rows[0].icon, IconKind::UpFolder);
    EXPECT_EQ(listing.rows[2].SizeText(), "2KB");
    EXPECT_EQ(listing.rows[2].typeText, "REC File");
    EXPECT_EQ(listing.rows[2].icon, IconKind::Record);
    EXPECT_EQ(listing.rows[3].typeText, "plain text document");
    EXPECT_EQ(listing.rows[4].typeText, "File");
    EXPECT_EQ(listing.rows[4].SizeText(), "0KB");
    EXPECT_EQ(listing.rows[3].dateText.size(), 16u);

    EXPECT_EQ(Names(ListPcFolder("/", NoSystemType).rows).front() == "..", false);
    EXPECT_FALSE(ListPcFolder((folder / "missing").string(), NoSystemType).ok);
}

TEST(PcListing, TextsOfTypesPathsAndDisk)
{
    EXPECT_EQ(PcTypeText("", "movie.mkv"), "MKV File");
    EXPECT_EQ(PcTypeText(" ", "trailingdot."), "File");
    EXPECT_EQ(PcPathText("/home/user"), "/home/user/");
    EXPECT_EQ(PcPathText("/" + std::string(50, 'x')), "/" + std::string(39, 'x') + " .... ");
    EXPECT_EQ(PcParent("/a/b"), "/a");
    EXPECT_EQ(PcParent("/a"), "/");
    EXPECT_EQ(PcParent("/"), "/");

    const uint64_t mb = 1048576;
    EXPECT_EQ(PcDiskLine("boot", 100 * mb + 5, 999 * mb), "[boot] 100 MB Free/ 999 MB Total");
    EXPECT_EQ(PcDiskLine("home", 999 * mb, 1000 * mb), "[home] 999 MB Free/ 0.98 GB Total");
    EXPECT_EQ(PcDiskLine("data", 1000 * mb, 40960 * mb), "[data] 0.98 GB Free/ 40.00 GB Total");
}

TEST(PaneSort, FoldersFirstInBothDirections)
{
    std::vector<PaneRow> rows = {
        Row("beta.mp3", false, 5000, "MP3 File", "2024-01-02 10:00"),
        Row("Zed", true, 0, "Folder", "2023-05-01 09:00"),
        Row("alpha.rec", false, 2000000000, "REC File", "2024-01-02 09:59"),
        Row("apps", true, 0, "folder", "2025-01-01 00:00"),
        Row("Gamma.txt", false, 1024, "text", "2019-12-31 23:59"),
    };
    SortPaneRows(rows, PaneColumn::Name, true);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"apps", "Zed", "alpha.rec", "beta.mp3", "Gamma.txt"}));
    SortPaneRows(rows, PaneColumn::Name, false);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"Zed", "apps", "Gamma.txt", "beta.mp3", "alpha.rec"}));
    SortPaneRows(rows, PaneColumn::Size, true);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"Zed", "apps", "Gamma.txt", "beta.mp3", "alpha.rec"}));
    SortPaneRows(rows, PaneColumn::Size, false);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"Zed", "apps", "alpha.rec", "beta.mp3", "Gamma.txt"}));
    SortPaneRows(rows, PaneColumn::Type, true);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"Zed", "apps", "beta.mp3", "alpha.rec", "Gamma.txt"}));
    SortPaneRows(rows, PaneColumn::Date, false);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"apps", "Zed", "beta.mp3", "alpha.rec", "Gamma.txt"}));

    PaneSortState state;
    EXPECT_TRUE(state.Click(PaneColumn::Size));
    EXPECT_FALSE(state.Click(PaneColumn::Size));
    EXPECT_TRUE(state.Click(PaneColumn::Date));
    EXPECT_TRUE(state.Click(PaneColumn::Size));
    EXPECT_EQ(state.Column(), PaneColumn::Size);
}

TEST(EmulatorPlugFile, ArrivalAndRemovalFollowTheFile)
{
    const testing_support::TempFolder temp("pane_listing");
    const fs::path base = temp.Path();
    EmuReset((base / "pvr").string(), 0x0101);
    std::vector<uint32_t> notices;
    std::mutex mutex;
    ZbWindow window{[](void* self, uint32_t id, uint32_t, const char*) {
                        auto* list = static_cast<std::pair<std::mutex*, std::vector<uint32_t>*>*>(self);
                        std::lock_guard lock(*list->first);
                        list->second->push_back(id);
                    },
                    nullptr};
    std::pair<std::mutex*, std::vector<uint32_t>*> sink{&mutex, &notices};
    window.context = &sink;
    Emu().plugFile = base / "plugged";
    ASSERT_TRUE(StartPnpNotice(&window));
    auto waitFor = [&](size_t count) {
        for (int i = 0; i < 100; ++i) {
            {
                std::lock_guard lock(mutex);
                if (notices.size() >= count)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    };
    ASSERT_TRUE(waitFor(1));
    EXPECT_FALSE(TryDeviceOpen());
    WriteFile(base / "plugged", "");
    ASSERT_TRUE(waitFor(2));
    EXPECT_TRUE(TryDeviceOpen());
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(notices, (std::vector<uint32_t>{6001, 6000}));
    }
    EmuReset((base / "pvr").string(), 0x0101);
}
