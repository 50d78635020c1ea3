// The two carriers of the simulated loader: a pseudo-terminal (the PC opens its slave
// side as a serial port) and a Unix-domain socket that the USB simulation back end
// connects to. Each runs the loader on a thread of its own.
#pragma once
#include "tools/stb_sim/loader_core.h"
#include "usb/sim_usb_wire.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
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

// One USB frame (magic, PSN, CMD, LEN, payload, SUM, padding ignored); false when malformed.
bool ParseUsbFrame(const uint8_t* data, size_t n, LinkFrame& frame);

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

    LoaderCore m_Core;
    SerialFrameParser m_Parser;
    int m_Master = -1;
    int m_Slave = -1;   // held open so the line settings stay raw between the PC's opens
    std::string m_SlavePath;
    std::atomic<bool> m_bStop{false};
    std::thread m_Thread;
};

struct UsbDeviceShape {
    uint16_t idVendor = 0x1209;
    uint16_t idProduct = 0x0001;
    uint16_t packetSize = 64;
    uint32_t endpoints = 2;        // OUT 0x01 and IN 0x82; 0 for none
    bool endpointGap = false;      // a class descriptor between the endpoint descriptors
};
std::vector<uint8_t> SimDeviceDescriptor(const UsbDeviceShape& shape);
std::vector<uint8_t> SimConfigDescriptor(const UsbDeviceShape& shape);

class UsbSimDevice : public LoaderCarrier {
public:
    UsbSimDevice(SimImageStore& image, SimFaults& faults, LoaderOptions options, UsbDeviceShape shape,
                 std::chrono::milliseconds rebootDelay);
    ~UsbSimDevice() override;
    std::string Start(const std::string& socketPath);
    void Stop();
    LoaderStats Stats() const { return m_Core.Stats(); }
    uint32_t Attachments() const { return m_Attachments; }
    bool Attached() const { return m_Conn.load() >= 0; }

    void Send(const LinkFrame& frame, bool wrongSum) override;
    void Restart() override { m_bLeave = true; }
    void LeaveBus() override { m_bLeave = true; }

private:
    struct PendingIn {
        uint32_t id;
        uint32_t length;
    };
    void Run();
    void Attach(int fd);
    void Detach();
    void Handle(SimMessage& message);
    void AnswerControl(const SimMessage& message);
    void FlushIn();

    LoaderCore m_Core;
    UsbDeviceShape m_Shape;
    std::chrono::milliseconds m_RebootDelay;
    std::string m_SocketPath;
    int m_Listen = -1;
    std::atomic<int> m_Conn{-1};
    std::atomic<bool> m_bStop{false};
    std::mutex m_StopLock;
    std::condition_variable m_StopChanged;
    bool m_bLeave = false;
    std::chrono::steady_clock::time_point m_ReturnAt{};
    std::atomic<uint32_t> m_Attachments{0};
    std::optional<PendingIn> m_PendingIn;
    std::vector<std::vector<uint8_t>> m_Outgoing;   // IN transfers the device has to give
    size_t m_OutgoingAt = 0;
    std::thread m_Thread;
};
