// Test parts for the firmware downloader: a poster whose messages a test "window" takes
// itself, a view and a profile that record, a random image file, and the simulated STB
// loading firmware on the USB simulation socket.
#pragma once
#include "common/testing/test_support.h"
#include "downloader/zbdn_controller.h"
#include "tools/stb_sim/stb_sim.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QueuedPoster : public ZbdnPoster {
public:
    void Post(const ZbdnMessage& message) override;
    // The oldest message, waiting up to limit; false when none came.
    bool Take(ZbdnMessage& message, std::chrono::milliseconds limit);

private:
    std::mutex m_Lock;
    std::condition_variable m_Posted;
    std::deque<ZbdnMessage> m_Messages;
};

class RecordingZbdnView : public ZbdnView {
public:
    void SetFileName(const std::string& path) override { fileName = path; }
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void SetProgress(int position) override { progress.push_back(position); }
    void EnableInput(bool enable) override { inputEnabled = enable; }
    void SetRetryTimer(bool running) override { retryTimer = running; }
    void SetClosePoll(bool running) override { closePoll = running; }
    void EndWindow(int code) override { exitCode = code; }
    void AskStop(const std::string& text) override { questions.push_back(text); }
    void EndStopQuestion() override { ++questionsEnded; }
    std::string LastStatus() const { return statuses.empty() ? "" : statuses.back(); }

    std::string fileName;
    std::vector<std::string> statuses;
    std::vector<int> progress;
    std::vector<std::string> questions;
    int questionsEnded = 0;
    bool inputEnabled = true;
    bool retryTimer = false;
    bool closePoll = false;
    int exitCode = -1;   // -1 while the window is open
};

class MemoryProfile : public ZbdnProfile {
public:
    std::string Read(const std::string& section, const std::string& key) override
    {
        auto it = values.find(section + "/" + key);
        return it == values.end() ? "" : it->second;
    }
    void Write(const std::string& section, const std::string& key, const std::string& value) override
    {
        values[section + "/" + key] = value;
    }
    std::map<std::string, std::string> values;
};

// A window without widgets: the controller on the real session, fed from the queue.
struct HeadlessZbdn {
    explicit HeadlessZbdn(const std::string& usbSocket);
    explicit HeadlessZbdn(std::unique_ptr<UsbBackend> backend);
    // Hands posted messages to the controller until pred holds; false after limit.
    bool PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit = std::chrono::seconds(20));

    CWorkerGuard guard;
    std::atomic<bool> abortFlag{false};
    QueuedPoster poster;
    RecordingZbdnView view;
    MemoryProfile profile;
    CZbdnSession session;
    CZbdnController controller{view, profile, session};
};

std::vector<uint8_t> WriteRandomFile(const std::filesystem::path& path, uint32_t size, uint32_t seed);

// The simulated STB as a firmware loader of size bytes on socket, writing what it
// received to output.
std::unique_ptr<StbSim> MakeFirmwareStb(const std::string& socket, const std::filesystem::path& output,
                                        uint32_t size, SimFaultPlan faults = {}, uint32_t readLength = 4096);
