// The two carriers of the simulated loader: a pseudo-terminal (the PC opens its slave
// side as a serial port) and a Unix-domain socket that the USB simulation back end
// connects to. Each runs the loader on a thread of its own.
#pragma once
#include "tools/stb_sim/loader_core.h"
#include "tools/stb_sim/usb_loader_device.h"
#include "usb/sim_usb_wire.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Frames from a serial byte stream; frames with a wrong SUM are dropped.
class SerialFrameParser {
public:
    void Feed(const uint8_t* data, size_t n, std::vector<LinkFrame>& frames);

private:
    size_t m_Matched = 0;
    std::vector<uint8_t> m_Body;   // PSN, CMD, LEN, payload, SUM
};

class SerialSim : public LoaderCarrier {
public:
    SerialSim(SimImageStore& image, SimFaults& faults, LoaderOptions options);
    ~SerialSim() override;
    // Creates the pseudo-terminal and starts the loader; error text on failure.
    std::string Start();
    void Stop();
    const std::string& SlavePath() const { return m_SlavePath; }
    LoaderStats Stats() const { return m_Core.Stats(); }

    void Send(const LinkFrame& frame, bool wrongSum) override;
    void Restart() override { m_Core.Boot(); }
    void LeaveBus() override {}

private:
    void Run();
    void Write(const uint8_t* data, size_t n);

    SimFaults& m_Faults;
    LoaderCore m_Core;
    SerialFrameParser m_Parser;
    int m_Master = -1;
    int m_Slave = -1;   // held open so the line settings stay raw between the PC's opens
    std::string m_SlavePath;
    std::atomic<bool> m_bStop{false};
    std::thread m_Thread;
};

class UsbSimDevice : public UsbLoaderDevice {
public:
    UsbSimDevice(SimImageStore& image, SimFaults& faults, LoaderOptions options, UsbDeviceShape shape,
                 std::chrono::milliseconds rebootDelay);
    ~UsbSimDevice() override;
    std::string Start(const std::string& socketPath);
    void Stop();
    uint32_t Attachments() const { return m_Attachments; }
    bool Attached() const { return m_Conn.load() >= 0; }

protected:
    void DeliverIn(uint32_t id, std::vector<uint8_t> data) override;

private:
    void Run();
    void Attach(int fd);
    void Detach();
    void Handle(SimMessage& message);

    std::chrono::milliseconds m_RebootDelay;
    std::string m_SocketPath;
    int m_Listen = -1;
    std::atomic<int> m_Conn{-1};
    std::atomic<bool> m_bStop{false};
    std::mutex m_StopLock;
    std::condition_variable m_StopChanged;
    std::chrono::steady_clock::time_point m_ReturnAt{};
    std::atomic<uint32_t> m_Attachments{0};
    std::thread m_Thread;
};
