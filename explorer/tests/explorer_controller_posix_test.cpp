// The explorer window's controller without widgets, against the emulator and real folders.
#include "explorer/tests/emu_fixture.h"
#include "explorer/explorer_controller.h"

#include <algorithm>
#include <chrono>
#include <thread>

using namespace explorer;

namespace {

class FakePort : public ExplorerWindowPort {
public:
    std::vector<size_t> selected[2];
    bool polling = false;
    std::optional<std::pair<PaneSide, size_t>> edited;

    std::vector<size_t> SelectedIndexes(PaneSide side) override { return selected[int(side)]; }
    void RowsChanged(PaneSide) override {}
    void TextsChanged(PaneSide) override {}
    void EnablingChanged() override {}
    void FocusList(PaneSide) override {}
    void SetPolling(bool on) override { polling = on; }
    void EditLabel(PaneSide side, size_t row) override { edited = {side, row}; }
    void RunOnUi(std::function<void()> fn) override
    {
        std::lock_guard lock(m_Mutex);
        m_Queue.push_back(std::move(fn));
    }
    void RunLater(unsigned, std::function<void()> fn) override { RunOnUi(std::move(fn)); }
    bool RunOne()
    {
        std::function<void()> fn;
        {
            std::lock_guard lock(m_Mutex);
            if (m_Queue.empty())
                return false;
            fn = std::move(m_Queue.front());
            m_Queue.pop_front();
        }
        fn();
        return true;
    }

private:
    std::mutex m_Mutex;
    std::deque<std::function<void()>> m_Queue;
};

class ControllerTest : public ::testing::Test {
protected:
    testing_support::TempFolder temp{"controller"};
    fs::path base = temp.Path();
    fs::path pvrRoot = base / "pvr";
    fs::path pc = base / "pc";
    EventLoop loop{LoopClock::Manual};
    FakePort port;
    RecordingProgress progress;
    ScriptedAsker asker;
    ScriptedPrompter prompter;
    uint64_t now = 100000;
    std::atomic<bool> holdPcListings{false};  // PC listings wait in their type names while set
    PcDesktop desktop{[this](const std::string&, bool) {
                          while (holdPcListings)
                              std::this_thread::yield();
                          return std::string();
                      },
                      [](const std::string&) { return std::optional<PcVolume>(PcVolume{"home", 5ull << 30, 9ull << 30}); },
                      nullptr};
    std::unique_ptr<CExplorerController> controller;

    void SetUp() override
    {
        fs::create_directories(pc);
        EmuReset(pvrRoot.string(), 0x0101);
            controller = std::make_unique<CExplorerController>(
            ExplorerParts{prompter, progress, asker, loop, loop, port, desktop, [this] { return now; }, [] { return 4242; }});
        loop.SetHandler([this](uint32_t id, uint32_t value) { controller->OnEvent(id, value); });
    }
    void TearDown() override
    {
        if (controller)
            controller->Close();
        controller.reset();
        EmuReset(pvrRoot.string(), 0x0101);
    }
    // Runs queued work until done holds or maxMs pass.
    bool Pump(const std::function<bool()>& done, int maxMs = 5000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        while (!done() && std::chrono::steady_clock::now() < end) {
            bool worked = port.RunOne();
            bool busy = controller->Engine().AwaitingOutside();
            worked |= loop.RunOnce(busy ? 1 : 0, busy);
            if (!worked)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return done();
    }
    void Drain() { Pump([] { return false; }, 200); }
    std::vector<std::string> RowNames(PaneSide side)
    {
        std::vector<std::string> names;
        for (const PaneRow& r : controller->Pane(side).Rows())
            names.push_back(r.name);
        return names;
    }
};

}  // namespace

TEST_F(ControllerTest, AControllerThatWentHearsNothingMoreOfTheLibrary)
{
    controller->Start(pc.string(), "");
    ASSERT_TRUE(Pump([&] { return controller->SideEnabled(PaneSide::Pvr); }));
    while (port.RunOne() || loop.RunOnce(0, false)) {
    }
    controller->Close();
    controller.reset();
    std::vector<uint32_t> posted;
    loop.SetHandler([&](uint32_t id, uint32_t) { posted.push_back(id); });
    EmuDropDevice();  // the library keeps the window it was handed
    while (loop.RunOnce(0, false)) {
    }
    EXPECT_TRUE(std::none_of(posted.begin(), posted.end(), IsDeviceNotice));
}

TEST_F(ControllerTest, ArrivalListsThePvrAndRemovalClearsIt)
{
    EmuDropDevice();
    EmuSetFreeKb(500000);
    EmuSetTotalKb(40000000);
    controller->Start(pc.string(), "");
    EXPECT_TRUE(port.polling);
    EXPECT_FALSE(controller->SideEnabled(PaneSide::Pvr));
    EXPECT_TRUE(controller->SideEnabled(PaneSide::Pc));

    EmuAttachDevice();  // the library's arrival notice
    ASSERT_TRUE(Pump([&] { return controller->SideEnabled(PaneSide::Pvr); }));
    EXPECT_FALSE(port.polling);
    EXPECT_EQ(RowNames(PaneSide::Pvr), (std::vector<std::string>{"DataFiles", "MP3", "ProgramFiles"}));
    EXPECT_EQ(controller->Pane(PaneSide::Pvr).DiskLine(), "[PVR HDD] 488 MB Free/ 38.15 GB Total");
    EXPECT_EQ(controller->Session().m_wVersion, 0x0101);

    EmuDropDevice();
    ASSERT_TRUE(Pump([&] { return !controller->Session().m_bConnected; }));
    EXPECT_TRUE(controller->Pane(PaneSide::Pvr).Rows().empty());
    EXPECT_EQ(controller->Pane(PaneSide::Pvr).DiskLine(), "");
    EXPECT_FALSE(controller->SideEnabled(PaneSide::Pvr));

    EmuReset(pvrRoot.string(), 0x0100);  // plugged in again; found by the polling timer
    controller->OnPollTick();
    ASSERT_TRUE(Pump([&] { return controller->SideEnabled(PaneSide::Pvr); }));
    EXPECT_EQ(controller->Session().m_wVersion, 0x0100);
}

TEST_F(ControllerTest, KeysAndRefreshButtonActOncePer555Ms)
{
    EXPECT_TRUE(controller->TakeEnterKey());
    now += 554;
    EXPECT_FALSE(controller->TakeEnterKey());
    EXPECT_TRUE(controller->TakeF5Key());
    now += 1;
    EXPECT_TRUE(controller->TakeEnterKey());
    EXPECT_FALSE(controller->TakeF5Key());

    controller->Start(pc.string(), "");
    ASSERT_TRUE(Pump([&] { return !RowNames(PaneSide::Pc).empty(); }));
    WriteFile(pc / "late.txt", "x");
    controller->RefreshButton(PaneSide::Pc);
    ASSERT_TRUE(Pump([&] { return RowNames(PaneSide::Pc).size() == 2; }));
    WriteFile(pc / "later.txt", "x");
    now += 300;
    controller->RefreshButton(PaneSide::Pc);  // ignored: within 555 ms of the last press
    Drain();
    EXPECT_EQ(RowNames(PaneSide::Pc).size(), 2u);
}

TEST_F(ControllerTest, PcPaneBrowsesAndStartsInHome)
{
    fs::create_directories(pc / "sub" / "deeper");
    WriteFile(pc / ".secret", "s");
    WriteFile(pc / "clip.rec", "r");
    controller->Start(pc.string(), "");
    ASSERT_TRUE(Pump([&] { return !RowNames(PaneSide::Pc).empty(); }));
    EXPECT_EQ(RowNames(PaneSide::Pc), (std::vector<std::string>{"..", "sub", "clip.rec"}));
    EXPECT_EQ(controller->Pane(PaneSide::Pc).DiskLine(), "[home] 5.00 GB Free/ 9.00 GB Total");
    const PaneRow clip = controller->Pane(PaneSide::Pc).Rows()[2];
    port.selected[int(PaneSide::Pc)] = {2};
    controller->Cut(PaneSide::Pc);
    EXPECT_TRUE(controller->IsCutRow(PaneSide::Pc, clip));
    EXPECT_FALSE(controller->IsCutRow(PaneSide::Pvr, clip));
    controller->Copy(PaneSide::Pc);
    EXPECT_FALSE(controller->IsCutRow(PaneSide::Pc, clip));

    controller->Open(PaneSide::Pc, 1);
    ASSERT_TRUE(Pump([&] { return RowNames(PaneSide::Pc) == std::vector<std::string>{"..", "deeper"}; }));
    EXPECT_EQ(controller->PcFolder(), (pc / "sub").string());
    EXPECT_EQ(controller->Pane(PaneSide::Pc).PathText(), PcPathText((pc / "sub").string()));

    controller->PathEntered(PaneSide::Pc, "  " + (pc / "missing").string() + " ");
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Folder does not exist."});
    EXPECT_EQ(controller->PcFolder(), (pc / "sub").string());
    controller->PathEntered(PaneSide::Pc, " " + pc.string() + "/ ");
    EXPECT_TRUE(Pump([&] { return controller->PcFolder() == pc.string(); }));

    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    fs::create_directories(base / "home");
    setenv("HOME", (base / "home").c_str(), 1);
    {
        CExplorerController second(ExplorerParts{prompter, progress, asker, loop, loop, port, desktop,
                                                 [] { return 0; }, [] { return 0; }});
        second.Start("", "");
        EXPECT_EQ(second.PcFolder(), (base / "home").string());
        second.Close();
        Drain();
    }
    setenv("HOME", home.c_str(), 1);
}

TEST_F(ControllerTest, DropOnAFolderRowCopiesIntoItAndRestoresThePane)
{
    fs::create_directories(pvrRoot / "Movies");
    WriteFile(pc / "clip.rec", Pattern(70000, 3));
    controller->Start(pc.string(), "");
    ASSERT_TRUE(Pump([&] { return controller->SideEnabled(PaneSide::Pvr) && RowNames(PaneSide::Pc).size() == 2; }));
    std::optional<size_t> movies = controller->Pane(PaneSide::Pvr).FindRow("Movies");
    ASSERT_TRUE(movies);
    EXPECT_TRUE(controller->CanDropOn(PaneSide::Pvr, movies));
    EXPECT_FALSE(controller->CanDropOn(PaneSide::Pc, size_t(1)));  // a file row
    port.selected[int(PaneSide::Pc)] = {1};
    EXPECT_TRUE(controller->CanDrag(PaneSide::Pc));
    controller->Drop(PaneSide::Pvr, movies);
    EXPECT_TRUE(controller->JobRunning());
    EXPECT_FALSE(controller->SideEnabled(PaneSide::Pc));
    EXPECT_EQ(controller->PvrFolder(), "\\Movies");
    ASSERT_TRUE(Pump([&] { return !controller->Engine().JobActive(); }));
    EXPECT_EQ(ReadFile(pvrRoot / "Movies" / "clip.rec"), Pattern(70000, 3));
    EXPECT_EQ(controller->PvrFolder(), "");
    EXPECT_TRUE(controller->SideEnabled(PaneSide::Pc));
    EXPECT_TRUE(controller->SideEnabled(PaneSide::Pvr));

    port.selected[int(PaneSide::Pc)] = {0};  // ".." cannot be dragged
    EXPECT_FALSE(controller->CanDrag(PaneSide::Pc));
}

TEST_F(ControllerTest, NewFolderRowAndClosingWithTurbo)
{
    controller->Start(pc.string(), "\\DataFiles");
    ASSERT_TRUE(Pump([&] { return controller->SideEnabled(PaneSide::Pvr); }));
    controller->BeginNewFolder(PaneSide::Pvr);
    ASSERT_TRUE(port.edited);
    size_t row = port.edited->second;
    EXPECT_EQ(controller->Pane(PaneSide::Pvr).Rows()[row].name, "new0042");
    EXPECT_FALSE(controller->NewFolderEnabled(PaneSide::Pvr));
    controller->EndLabelEdit(PaneSide::Pvr, row, "  Shows ");
    EXPECT_TRUE(fs::is_directory(pvrRoot / "DataFiles" / "Shows"));
    EXPECT_TRUE(controller->NewFolderEnabled(PaneSide::Pvr));
    ASSERT_TRUE(Pump([&] { return controller->Pane(PaneSide::Pvr).FindRow("Shows").has_value(); }));

    prompter.answers = {PromptAnswer::Yes};
    controller->PressTurbo();
    EXPECT_TRUE(controller->TurboOn());
    ASSERT_TRUE(PvrTurbo(controller->Session(), true));
    controller->Session().m_bTurboActive = true;
    auto [pcPath, pvrPath] = controller->Close();
    EXPECT_FALSE(EmuTurbo());
    EXPECT_EQ(pcPath, pc.string());
    EXPECT_EQ(pvrPath, "\\DataFiles");
}

TEST_F(ControllerTest, AFolderChangeDuringAPcListingKeepsRowsPathAndFolderTogether)
{
    WriteFile(pc / "a" / "same.rec", "a");
    WriteFile(pc / "b" / "same.rec", "b");
    WriteFile(pc / "b" / "only.txt", "b");
    controller->Start((pc / "a").string(), "");
    ASSERT_TRUE(Pump([&] { return RowNames(PaneSide::Pc).size() == 2; }));
    controller->Refresh(PaneSide::Pc);  // a listing of a/ runs
    controller->PathEntered(PaneSide::Pc, (pc / "b").string());
    EXPECT_EQ(controller->PcFolder(), (pc / "a").string());
    EXPECT_EQ(controller->Pane(PaneSide::Pc).PathText(), PcPathText(controller->PcFolder()));
    EXPECT_EQ(RowNames(PaneSide::Pc), (std::vector<std::string>{"..", "same.rec"}));

    port.selected[int(PaneSide::Pc)] = {1};
    prompter.answers = {PromptAnswer::Yes};
    controller->Delete(PaneSide::Pc);  // the row shown, in the folder shown
    EXPECT_FALSE(fs::exists(pc / "a" / "same.rec"));
    EXPECT_TRUE(fs::exists(pc / "b" / "same.rec"));

    ASSERT_TRUE(Pump([&] { return controller->PcFolder() == (pc / "b").string(); }));
    EXPECT_EQ(controller->Pane(PaneSide::Pc).PathText(), PcPathText((pc / "b").string()));
    EXPECT_EQ(RowNames(PaneSide::Pc), (std::vector<std::string>{"..", "only.txt", "same.rec"}));
    Drain();  // the listings superseded on the way land nowhere
    EXPECT_EQ(controller->PcFolder(), (pc / "b").string());
    EXPECT_EQ(RowNames(PaneSide::Pc), (std::vector<std::string>{"..", "only.txt", "same.rec"}));
}

TEST_F(ControllerTest, AListingOfARemovedStbIsDroppedAndHoldsTheLineUntilItEnds)
{
    controller->Start(pc.string(), "");
    ASSERT_TRUE(Pump([&] { return controller->SideEnabled(PaneSide::Pvr); }));
    controller->Refresh(PaneSide::Pvr);  // its rows wait in the window's queue
    EmuDropDevice();
    while (controller->Session().m_bConnected)
        loop.RunOnce(1000, true);
    WriteFile(pvrRoot / "new.rec", "n");
    EmuAttachDevice();
    while (loop.RunOnce(0, false)) {
    }
    EXPECT_FALSE(controller->LineIdle());  // the old listing has not ended for the window yet
    ASSERT_TRUE(testing_support::PollUntil([&] { return port.RunOne(); }));  // it ends: its rows are dropped
    EXPECT_TRUE(RowNames(PaneSide::Pvr).empty());
    ASSERT_TRUE(Pump([&] { return controller->SideEnabled(PaneSide::Pvr); }));
    EXPECT_EQ(RowNames(PaneSide::Pvr), (std::vector<std::string>{"DataFiles", "MP3", "ProgramFiles", "new.rec"}));
}

TEST_F(ControllerTest, TheWindowNeverWaitsForAPcListing)
{
    WriteFile(pvrRoot / "clip.rec", Pattern(5000, 1));
    fs::create_directories(pc / "sub");
    controller->Start((pc / "sub").string(), "");
    ASSERT_TRUE(Pump([&] { return controller->SideEnabled(PaneSide::Pvr) && !RowNames(PaneSide::Pc).empty(); }));
    port.selected[int(PaneSide::Pvr)] = {*controller->Pane(PaneSide::Pvr).FindRow("clip.rec")};
    controller->CopyButton(Direction::Receive);
    holdPcListings = true;  // the listing at the job's end does not finish
    ASSERT_TRUE(Pump([&] { return !controller->JobRunning(); }));
    std::atomic<bool> waited{false};
    std::thread watchdog([&] {
        if (!testing_support::PollUntil([&] { return !holdPcListings; }, std::chrono::seconds(5))) {
            waited = true;
            holdPcListings = false;
        }
    });
    controller->Up(PaneSide::Pc);  // ignored while the listing runs
    controller->PathEntered(PaneSide::Pc, pc.string());  // supersedes it
    holdPcListings = false;
    watchdog.join();
    EXPECT_FALSE(waited);
    ASSERT_TRUE(Pump([&] { return controller->PcFolder() == pc.string(); }));
    EXPECT_EQ(RowNames(PaneSide::Pc), (std::vector<std::string>{"..", "sub"}));
    EXPECT_EQ(ReadFile(pc / "sub" / "clip.rec"), Pattern(5000, 1));
}

TEST_F(ControllerTest, APcPasteRunsAsAJobWithProgressAndCancel)
{
    WriteFile(pc / "src" / "big.rec", Pattern(3 << 20, 5));
    fs::create_directories(pc / "dst");
    controller->Start((pc / "src").string(), "");
    ASSERT_TRUE(Pump([&] { return controller->SideEnabled(PaneSide::Pvr) && RowNames(PaneSide::Pc).size() == 2; }));
    port.selected[int(PaneSide::Pc)] = {1};
    controller->Copy(PaneSide::Pc);
    controller->PathEntered(PaneSide::Pc, (pc / "dst").string());
    ASSERT_TRUE(Pump([&] { return controller->PcFolder() == (pc / "dst").string(); }));

    controller->Paste(PaneSide::Pc);
    EXPECT_TRUE(controller->JobRunning());  // the window goes on while the file is copied
    EXPECT_FALSE(fs::exists(pc / "dst" / "big.rec"));
    EXPECT_TRUE(progress.Has("show"));
    controller->Engine().CancelJob();  // the progress window's Cancel
    ASSERT_TRUE(Pump([&] { return !controller->Engine().JobActive(); }));
    EXPECT_EQ(controller->Engine().LastOutcome(), JobOutcome::Cancelled);
    EXPECT_FALSE(fs::exists(pc / "dst" / "big.rec"));

    controller->Paste(PaneSide::Pc);
    ASSERT_TRUE(Pump([&] { return !controller->JobRunning(); }));
    EXPECT_EQ(ReadFile(pc / "dst" / "big.rec"), Pattern(3 << 20, 5));
    EXPECT_TRUE(progress.Has("title Copying File(s)...... [PC --> PC]"));
    ASSERT_TRUE(Pump([&] { return RowNames(PaneSide::Pc) == std::vector<std::string>{"..", "big.rec"}; }));
}
