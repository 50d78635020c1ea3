// The serial channel: opens COM1/COM2 at 115200 8N1, writes frames, and runs the watch
// thread ThreadWatchComm, the only producer of m_QueueRead. Knows nothing of frames.
#pragma once
#include "link/recv_ring.h"
#include "link/serial_port.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

class Prompter;

// Where the link's senders write; the serial channel is one.
class SerialWriter {
public:
    virtual ~SerialWriter() = default;
    virtual int Write(const uint8_t* data, uint32_t n) = 0;
};

class CSerialChannel : public SerialWriter {
public:
    static constexpr uint32_t kWatchReadSize = 2048;

    CSerialChannel(Prompter& prompter, std::unique_ptr<SerialPort> port = MakeSystemSerialPort(),
                   SerialPortConfig config = {});
    ~CSerialChannel() override;
    CSerialChannel(const CSerialChannel&) = delete;
    CSerialChannel& operator=(const CSerialChannel&) = delete;

    // True when the port is open, configured and watched.
    [[nodiscard]] bool Open(const std::string& portName, uint32_t baudRate, uint16_t portIndex);
    // Why the last Open failed, for the line under "Port Open Fail": the device and the
    // system's reason, and for a refused permission the fix. Empty when not known.
    std::string OpenFailReason() const;
    // Ends the watch thread, purges and closes the port. m_QueueRead keeps its bytes.
    void Close();
    int Write(const uint8_t* data, uint32_t n) override;
    int Read(uint8_t* buffer, uint32_t max);

    bool IsOpen() const { return m_bOpen; }
    bool IsWatched() const { return m_bWatchRunning; }
    const std::string& PortName() const { return m_PortName; }
    const SerialPortConfig& Config() const { return m_Config; }
    uint16_t PortIndex() const { return m_PortIndex; }

    std::atomic<bool> m_bConnected{false};
    CRecvRing m_QueueRead;

private:
    int ThreadWatchComm();
    void DrainPort();

    Prompter& m_Prompter;
    std::unique_ptr<SerialPort> m_pPort;
    SerialPortConfig m_Config;
    std::string m_PortName;
    std::string m_OpenFailReason;
    uint16_t m_PortIndex = 0;
    bool m_bOpen = false;
    std::atomic<bool> m_bWatchRunning{false};
    std::thread m_WatchThread;
};
