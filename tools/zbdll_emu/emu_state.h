// State shared by the emulator's command side and its copy tasks.
#pragma once
#include "explorer/zbdll.h"
#include "tools/zbdll_emu/zbdll_emu.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The one thread that runs the copy tasks, started by the first. A task's notice goes out
// on it and may post the next task, which then runs after it.
class EmuTaskThread {
public:
    ~EmuTaskThread();
    void Post(std::function<void()> task);
    // Returns once the posted tasks, their notices included, have ended.
    void WaitIdle();
    // Ends the thread after its task.
    void Stop();

private:
    void Run();

    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::function<void()> m_Task;
    bool m_bBusy = false;
    bool m_bStop = false;
    std::thread m_Thread;
};

struct EmuState {
    std::mutex mutex;
    bool configured = false;
    std::filesystem::path root;
    uint16_t version = 0x0101;
    bool attached = true;
    bool opened = false;
    ZbWindow* pnpWindow = nullptr;
    std::deque<std::vector<uint8_t>> replies;
    std::deque<std::vector<uint8_t>> listingBlocks;
    bool listingOpen = false;
    int listingPacketIndex = 0;
    std::optional<std::vector<std::vector<uint8_t>>> script;
    std::optional<std::vector<std::vector<uint8_t>>> scriptedReplies;
    std::condition_variable commandReleased;
    bool commandHeld = false;
    EmuFaults faults;
    std::vector<uint32_t> commandLog;
    bool turbo = false;
    std::optional<uint32_t> freeKb;
    std::optional<uint32_t> totalKb;

    EmuTaskThread task;
    std::atomic<bool> taskRunning{false};
    std::atomic<bool> taskCancel{false};
    std::atomic<uint16_t> percent{0};
    std::atomic<bool> hold{false};
    std::vector<EmuTaskRecord> taskLog;

    std::filesystem::path plugFile;  // when set, the STB is plugged in while this file exists
    std::thread plugWatch;
    std::atomic<bool> stopWatch{false};

    ~EmuState();
};

// The emulated STB's device-interface name, carried by its arrival and removal notices.
inline constexpr char kEmuInterfaceName[] =
    "\\\\?\\usb#vid_1209&pid_0001#zbdll-emu#{fd8f99a2-0278-4e06-9ab6-80497c4c99c5}";
// How the notices reach the program, which differs per build: a copy task's end (id, value)
// and device arrival (6000) or removal (6001).
void EmuNotifyTaskEnd(ZbWindow* window, uint32_t messageId, uint32_t value);
void EmuNotifyDevice(ZbWindow* window, uint32_t id);

// The one state, kept as long as the system lets the library's threads run.
EmuState& Emu();
// Folder path under the root for a PVR path, or nothing when it would leave the root.
std::optional<std::filesystem::path> MapPvrPath(const EmuState& emu, const std::string& pvrPath);
void ConfigureFromEnvironment(EmuState& emu);
void DropDevice(EmuState& emu);
// Plays arrival and removal as the plug file comes and goes (started with the notices).
void StartPlugWatch(EmuState& emu);
