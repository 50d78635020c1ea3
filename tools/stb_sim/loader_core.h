// The simulated STB loader, whatever the carrier: greets after a restart, answers
// uploads (size and block reads), drives downloads with read requests, and injects the
// faults it was asked for. Driven by one carrier thread through OnFrame and OnTick.
#pragma once
#include "tools/stb_sim/download_assembler.h"
#include "link/link_frame.h"
#include "tools/stb_sim/sim_faults.h"
#include "tools/stb_sim/sim_image.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class LoaderCarrier {
public:
    virtual ~LoaderCarrier() = default;
    virtual void Send(const LinkFrame& frame, bool wrongSum) = 0;
    // CMD_REBOOT: serial greets again, USB leaves the bus and returns.
    virtual void Restart() = 0;
    virtual void LeaveBus() = 0;
    // USB: halt the IN endpoint instead of replying; a carrier without halts drops the reply.
    virtual void Stall() {}
};

struct LoaderOptions {
    bool serial = true;
    uint32_t maxReadLength = 255;   // download read requests
    std::chrono::milliseconds replyTimeout{300};
    uint32_t retries = 10;
    std::string outputPath;         // a received image is written here as a settings file
    uint8_t firstPsn = 0x40;
    // USB, when set: a CMD_HELLO starts a firmware download of that many bytes.
    uint32_t firmwareSize = 0;
};

enum class LoaderState { Firmware, Greeting, Upload, Download };

struct LoaderStats {
    uint32_t hellos = 0;
    uint32_t replies = 0;
    uint32_t restarts = 0;
    uint32_t readRequests = 0;
    uint32_t downloadsDone = 0;
    uint32_t downloadsFailed = 0;
    std::string lastError;
    LoaderState state = LoaderState::Firmware;
};

class LoaderCore {
public:
    LoaderCore(SimImageStore& image, SimFaults& faults, LoaderOptions options, LoaderCarrier& carrier);
    // The loader comes up: serial sends CMD_HELLO, USB waits for the PC's handshake.
    void Boot();
    void OnFrame(const LinkFrame& frame);
    void OnTick();
    LoaderStats Stats() const;

private:
    // Sends a numbered frame (a reply, or a read request of a download) with its fault.
    void Reply(LinkFrame frame);
    LinkFrame HelloFrame(uint8_t cmd);
    void Upload(const LinkFrame& frame);
    void Download(const LinkFrame& frame);
    void StartDownload();
    void IssueRequest(bool retry);
    void FinishDownload();
    void SetState(LoaderState state);

    SimImageStore& m_Image;
    SimFaults& m_Faults;
    LoaderOptions m_Options;
    LoaderCarrier& m_Carrier;
    uint8_t m_Psn;
    uint8_t m_UploadType = 0;
    StbImage m_Snapshot;
    std::unique_ptr<DownloadTarget> m_pTarget;
    ReadRequest m_Pending;
    std::vector<uint8_t> m_PendingPsns;
    std::chrono::steady_clock::time_point m_Deadline;
    uint32_t m_Retries = 0;
    mutable std::mutex m_StatsLock;
    LoaderStats m_Stats;
};
