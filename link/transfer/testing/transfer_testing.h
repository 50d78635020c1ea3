// Test helpers for the transfer dialogs: a recording view with the window's command
// queue, a clock that does not sleep, a scripted STB on a pseudo-terminal, demo settings
// and the simulated STB holding them.
#pragma once
#include "settings/document.h"
#include "tools/stb_sim/sim_carriers.h"
#include "tools/stb_sim/sim_image.h"
#include "tools/stb_sim/stb_sim.h"
#include "link/transfer/command_loop.h"
#include "link/transfer/transfer_clock.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The window's thread of a test: records what the window would show; delayed commands
// are due at once (the delays asked for are kept) and the timer ticks by FireTimer.
class RecordingView : public CTransferCommandLoop {
public:
    explicit RecordingView(Prompter& prompter) : CTransferCommandLoop(prompter, false) {}
    void ShowStatus(const std::string& text) override;
    void ShowLinkProblem(const std::string& text) override;
    void SetProgress(int position) override;

    // Runs posted commands until pred holds or the time is up; true when it holds.
    bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Until the controller said the window may close.
    bool PumpUntilClose(std::chrono::milliseconds limit = std::chrono::seconds(20));
    std::vector<std::string> Statuses() const;
    bool HasStatus(const std::string& text) const;
    std::string LastStatus() const;
    // The link problem shown now; empty when none (or it was cleared).
    std::string LinkProblem() const;
    std::vector<int> Progress() const;
    int DelayCount(std::chrono::milliseconds delay) const;

private:
    mutable std::mutex m_Lock;
    std::vector<std::string> m_Statuses;
    std::string m_LinkProblem;
    std::vector<int> m_Progress;
};

// Records every wait and returns at once, or sleeps for real when realSleep is set.
class FakeClock : public TransferClock {
public:
    std::atomic<bool> realSleep{false};
    void Sleep(std::chrono::milliseconds duration) override;
    std::vector<std::chrono::milliseconds> Sleeps() const;
    int Count(std::chrono::milliseconds duration) const;

private:
    mutable std::mutex m_Lock;
    std::vector<std::chrono::milliseconds> m_Sleeps;
};

// The STB side of a pseudo-terminal, played by the test frame by frame.
class ScriptedSerialStb {
public:
    ScriptedSerialStb();
    ~ScriptedSerialStb();
    const std::string& SlavePath() const { return m_SlavePath; }
    void Send(const LinkFrame& frame);
    // The next frame from the PC, or false when none came in time.
    bool Receive(LinkFrame& frame, std::chrono::milliseconds limit = std::chrono::seconds(5));
    // True when no frame arrives within limit.
    bool Quiet(std::chrono::milliseconds limit);

private:
    int m_Master = -1;
    int m_Slave = -1;
    std::string m_SlavePath;
    SerialFrameParser m_Parser;
    std::deque<LinkFrame> m_Frames;
};

// A simulated STB on a pseudo-terminal, or with usb on the socket "usb.sock" in folder.
StbSimOptions SimOptions(bool usb, const std::filesystem::path& folder, SimFaultPlan faults = {});
// A loaded demo document of the given model, re-packed so that its image can be served.
std::unique_ptr<COrvanel1Doc> MakeDemoDocument(uint8_t modelId = 0);
// The STB image that holds the document's settings (its re-packed flash and EEPROM block).
StbImage ImageOf(const COrvanel1Doc& doc);
// Decodes an STB image into a fresh document the way an upload does; null when it fails.
std::unique_ptr<COrvanel1Doc> DecodeImage(const StbImage& image);
// The tables of two documents are equal: services with their names, satellites, TPs,
// favourites, timers, EPG reservations, providers.
bool SameSettings(const COrvanel1Doc& a, const COrvanel1Doc& b);
