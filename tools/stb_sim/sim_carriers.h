// The carriers of the simulated loader: a pseudo-terminal (the PC opens its slave side as a
// serial port), a Unix-domain socket that the USB simulation back end connects to, and the
// endpoints of a FunctionFS function (the PC reaches it through the kernel's USB stack). Each
// runs the loader on a thread of its own.
#pragma once
#include "tools/stb_sim/loader_core.h"
#include "tools/stb_sim/usb_loader_device.h"
#include "usb/sim_usb_wire.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
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

// Where the FunctionFS function lives. Leaving the bus unbinds the gadget (an empty line to
// its UDC file in configfs) and binds it to udcName again after the reboot delay.
struct FfsGadget {
    std::string functionDir;   // the mounted FunctionFS instance
    std::string udcFile;       // empty: the device cannot leave the bus (a reboot is traced)
    std::string udcName;
};

// The function's descriptors (one interface, bulk OUT then bulk IN, full and high speed) and
// strings, as written to ep0.
std::vector<uint8_t> FfsDescriptors();
std::vector<uint8_t> FfsStrings();

class UsbFfsDevice : public UsbLoaderDevice {
public:
    UsbFfsDevice(SimImageStore& image, SimFaults& faults, LoaderOptions options, std::chrono::milliseconds rebootDelay);
    ~UsbFfsDevice() override;
    std::string Start(const FfsGadget& gadget);
    void Stop();

protected:
    void DeliverIn(uint32_t id, std::vector<uint8_t> data) override;

private:
    struct InItem {
        std::vector<uint8_t> data;
        bool halt = false;
    };
    void Run();
    void ReadOut();
    void WriteIn();
    void HandleEvents();
    void SetEnabled(bool enabled);
    void DrainIn();
    void Bind(const std::string& name);
    void Wake();
    void JoinInterrupting(std::thread& thread, std::atomic<bool>& done);

    std::chrono::milliseconds m_RebootDelay;
    FfsGadget m_Gadget;
    int m_Ep0 = -1, m_Out = -1, m_In = -1, m_Wake = -1;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bReaderDone{false}, m_bWriterDone{false};
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    bool m_bEnabled = false;
    uint32_t m_Generation = 0;         // counts enables and disables; a transfer of an older one is dropped
    uint32_t m_PacketSize = 512;
    std::deque<std::vector<uint8_t>> m_OutQueue;
    std::deque<InItem> m_InQueue;
    bool m_bInAsked = false;
    uint32_t m_InId = 0;
    std::chrono::steady_clock::time_point m_ReturnAt{};
    bool m_bAway = false;
    std::thread m_Thread, m_Reader, m_Writer;
};
