// A whole explorer core around the emulator: temporary PVR disk and PC folder, a manual
// clock, and recording stand-ins for the window's parts.
#pragma once
#include "explorer/copy_engine.h"
#include "explorer/event_loop.h"
#include "common/testing/scripted_prompter.h"
#include "common/testing/test_support.h"
#include "tools/zbdll_emu/zbdll_emu.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace fs = std::filesystem;

namespace explorer {

class FakeHost : public ExplorerHost {
public:
    std::string pvrFolder;
    std::string pcFolder;
    std::vector<PaneRow> pvrSelection;
    std::vector<PaneRow> pcSelection;
    int refreshPvr = 0, refreshPc = 0;
    bool enabled = true;
    std::vector<JobOutcome> ended;

    std::string Folder(PaneSide side) override { return side == PaneSide::Pvr ? pvrFolder : pcFolder; }
    std::vector<PaneRow> SelectedRows(PaneSide side) override
    {
        return side == PaneSide::Pvr ? pvrSelection : pcSelection;
    }
    void EnableControls(bool on) override { enabled = on; }
    void RefreshPane(PaneSide side) override { ++(side == PaneSide::Pvr ? refreshPvr : refreshPc); }
    void JobEnded(JobOutcome outcome) override
    {
        EXPECT_FALSE(enabled);  // before the controls come back
        ended.push_back(outcome);
    }
};

// Records the progress window's calls; all of them must come on the loop's thread.
class RecordingProgress : public ProgressView {
public:
    std::thread::id loopThread = std::this_thread::get_id();

    void Show() override { Record("show"); }
    void Hide() override { Record("hide"); }
    void Close() override { Record("close"); }
    void SetTitle(const std::string& title) override { Record("title " + title); }
    void SetPathLine(const std::string& text) override { Record("path " + text); }
    void ResetProgress() override { Record("reset"); }
    void SetFolderBar(size_t position, size_t count, const std::string& text, bool yellow) override
    {
        Record(
            "bar " + std::to_string(position) + "/" + std::to_string(count) + " " + text + (yellow ? " yellow" : ""));
    }
    const std::vector<std::string>& Calls() const { return m_Calls; }
    bool Has(const std::string& call) const { return std::find(m_Calls.begin(), m_Calls.end(), call) != m_Calls.end(); }

private:
    void Record(const std::string& call)
    {
        EXPECT_EQ(std::this_thread::get_id(), loopThread) << call;
        m_Calls.push_back(call);
    }
    std::vector<std::string> m_Calls;
};

class ScriptedAsker : public ConflictAsker {
public:
    std::deque<ConflictAnswer> answers;
    std::vector<std::string> asked;
    std::optional<ConflictAnswer> forAll;
    std::optional<ConflictAnswer> AnswerForAll() const override { return forAll; }
    ConflictAnswer AskDuplicate(const std::string& text) override { return Next("duplicate:" + text); }
    ConflictAnswer AskReplace(const std::string& text) override { return Next("replace:" + text); }

private:
    ConflictAnswer Next(const std::string& question)
    {
        asked.push_back(question);
        if (answers.empty())
            throw std::logic_error("unscripted conflict question");
        ConflictAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct EventRecord {
    uint64_t ms;
    uint32_t id;
    uint32_t value;
};

class EmuTest : public ::testing::Test {
protected:
    testing_support::TempFolder temp{"explorer"};
    fs::path base = temp.Path();
    fs::path pvrRoot;
    fs::path pc;
    PvrSession session;
    EventLoop loop{LoopClock::Manual};
    FakeHost host;
    RecordingProgress progress;
    ScriptedAsker asker;
    ScriptedPrompter prompter;
    CopyEngine engine{session, host, progress, asker, prompter, loop, loop};
    ZbWindow window{};
    std::vector<EventRecord> events;
    std::function<void(uint32_t id, uint32_t value)> beforeEvent;

    void SetUp() override { Connect(0x0101); }
    void TearDown() override
    {
        engine.CloseDuringJob();
        EmuReset(pvrRoot.string(), 0x0101);
    }

    void Connect(uint16_t version)
    {
        pvrRoot = base / "pvr";
        pc = base / "pc";
        fs::create_directories(pc);
        EmuReset(pvrRoot.string(), version);
        InitDevice();
        window = ZbWindow{
            [](void* self, uint32_t id, uint32_t value, const char*) {
                static_cast<EmuTest*>(self)->loop.Post(id, value);
            }, this};
        ASSERT_TRUE(StartPnpNotice(&window));
        session.m_bConnected = true;
        session.m_bUsbIdle = true;
        session.m_wVersion = 0;
        session.m_wVersion = QueryDeviceVersion(session);
        ASSERT_EQ(session.m_wVersion, version);
        host.pcFolder = pc.string();
        loop.SetHandler([this](uint32_t id, uint32_t value) {
            events.push_back({loop.NowMs(), id, value});
            if (beforeEvent)
                beforeEvent(id, value);
            if (id == kEvDeviceRemoval)
                engine.OnDeviceRemoved();
            else if (id != kEvDeviceArrival)
                engine.OnTransferEvent(id, value);
        });
    }

    // Waits (running nothing) until the emulator holds the command EmuFaults asked for.
    static void AwaitHeldCommand()
    {
        while (!EmuCommandHeld())
            std::this_thread::yield();
    }

    // Runs the loop until the job has ended; false when it stopped without an end.
    bool RunJob()
    {
        while (engine.JobActive()) {
            bool busy = engine.AwaitingOutside();
            if (!loop.RunOnce(10000, busy) && !busy && !engine.AwaitingOutside() && loop.Idle() && engine.JobActive())
                return false;
        }
        return true;
    }

    std::vector<uint64_t> FileEventTimes(uint32_t id)
    {
        std::vector<uint64_t> times;
        for (const auto& e : events)
            if (e.id == id)
                times.push_back(e.ms);
        return times;
    }
};

void WriteFile(const fs::path& path, const std::string& bytes);
std::string ReadFile(const fs::path& path);
std::string Pattern(size_t size, unsigned seed);
// Every regular file under root by relative path, with its bytes.
std::map<std::string, std::string> TreeContents(const fs::path& root);
PaneRow FileRow(const std::string& name, uint64_t size);
PaneRow FolderRow(const std::string& name);

}  // namespace explorer
