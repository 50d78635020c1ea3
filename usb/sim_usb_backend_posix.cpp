#include "usb/sim_usb_backend.h"

#include "usb/sim_usb_wire.h"
#include "common/trace.h"
#include "usb/usb_descriptors.h"
#include "usb/usb_submit_gate.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kControlTimeoutMs = 2000;
constexpr int kAttachWaitMs = 2000;
constexpr int kReconnectPauseMs = 20;
constexpr uint32_t kStatusNotResponding = 5;
constexpr uint32_t kStatusCanceled = 0x10000;
constexpr uint32_t kSimDriverVersion = 0x01030226;

struct InSlot {
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
    uint32_t count = 0;
    bool done = false;
    bool failed = false;
    const void* owner = nullptr;   // the pipe that started it
};

// One attachment of the simulated device.
class SimConnection {
public:
    SimConnection(int fd, std::string path, std::vector<uint8_t> descriptors)
        : m_Fd(fd), m_Path(std::move(path)), m_Descriptors(std::move(descriptors))
    {
    }
    // The back end joins the reader before it lets go of the connection.
    ~SimConnection() { ::close(m_Fd); }

    void StartReader(UsbNotice removal)
    {
        m_Reader = std::thread([this, removal] { ReadLoop(removal); });
    }
    void Shutdown()
    {
        m_bQuiet = true;
        ::shutdown(m_Fd, SHUT_RDWR);
    }
    void JoinReader()
    {
        if (m_Reader.joinable())
            m_Reader.join();
    }
    bool Alive()
    {
        std::lock_guard lock(m_Lock);
        return m_bAlive;
    }
    // Its removal has been reported; only then may the device attach again.
    bool Gone() const { return m_bGone; }
    const std::string& Path() const { return m_Path; }
    const std::vector<uint8_t>& Descriptors() const { return m_Descriptors; }

    bool Send(const SimMessage& message)
    {
        std::lock_guard lock(m_WriteLock);
        return WriteSimMessage(m_Fd, message);
    }
    uint32_t NextId()
    {
        std::lock_guard lock(m_Lock);
        return ++m_NextId;
    }

    int Control(const UsbSetupPacket& setup, uint8_t* data)
    {
        uint32_t id = NextId();
        SimMessage request{SimMsg::Control, id, 0,
                           {setup.bmRequestType, setup.bRequest, uint8_t(setup.wValue), uint8_t(setup.wValue >> 8),
                            uint8_t(setup.wIndex), uint8_t(setup.wIndex >> 8), uint8_t(setup.wLength),
                            uint8_t(setup.wLength >> 8)}};
        if (!Send(request))
            return -1;
        std::unique_lock lock(m_Lock);
        bool answered = m_Changed.wait_for(lock, std::chrono::milliseconds(kControlTimeoutMs),
                                           [&] { return !m_bAlive || m_ControlReplies.count(id); });
        if (!answered || !m_ControlReplies.count(id)) {
            m_LastStatus = kStatusNotResponding;
            return -1;
        }
        auto reply = std::move(m_ControlReplies[id]);
        m_ControlReplies.erase(id);
        if (reply.first != SimMsg::ControlReply) {
            m_LastStatus = 4;   // the device stalled the request
            return -1;
        }
        size_t n = std::min<size_t>(reply.second.size(), setup.wLength);
        std::memcpy(data, reply.second.data(), n);
        return int(n);
    }

    std::shared_ptr<InSlot> AddSlot(uint32_t id, uint8_t* buffer, uint32_t length, const void* owner)
    {
        auto slot = std::make_shared<InSlot>();
        slot->buffer = buffer;
        slot->length = length;
        slot->owner = owner;
        std::lock_guard lock(m_Lock);
        if (!m_bAlive)
            return nullptr;
        m_InSlots[id] = slot;
        return slot;
    }
    void DropSlot(uint32_t id, bool cancelled)
    {
        {
            std::lock_guard lock(m_Lock);
            if (!m_InSlots.erase(id) || !cancelled || !m_bAlive)
                return;
            m_LastStatus = kStatusCanceled;
        }
        Send({SimMsg::InCancel, id, 0, {}});
    }
    void FailSlots(const void* owner)
    {
        std::lock_guard lock(m_Lock);
        for (auto& [id, slot] : m_InSlots)
            if (slot->owner == owner)
                slot->failed = true;
        m_Changed.notify_all();
    }
    UsbWaitResult WaitSlot(InSlot& slot, uint32_t ms)
    {
        std::unique_lock lock(m_Lock);
        bool signalled = m_Changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return slot.done || slot.failed; });
        return signalled ? UsbWaitResult::Signalled : UsbWaitResult::TimedOut;
    }
    bool SlotResult(const InSlot& slot, uint32_t& count)
    {
        std::lock_guard lock(m_Lock);
        count = slot.count;
        return slot.done && !slot.failed;
    }
    uint32_t LastStatus()
    {
        std::lock_guard lock(m_Lock);
        return m_LastStatus;
    }
    void SetLastStatus(uint32_t status)
    {
        std::lock_guard lock(m_Lock);
        m_LastStatus = status;
    }

private:
    void ReadLoop(UsbNotice removal)
    {
        SimMessage message;
        while (ReadSimMessage(m_Fd, message, -1) == SimRead::Message)
            Deliver(message);
        {
            std::lock_guard lock(m_Lock);
            m_bAlive = false;
            m_LastStatus = kStatusNotResponding;
            for (auto& [id, slot] : m_InSlots)
                slot->failed = true;
            m_Changed.notify_all();
        }
        if (!m_bQuiet && removal)
            removal(m_Path);
        m_bGone = true;
    }
    void Deliver(SimMessage& message)
    {
        std::lock_guard lock(m_Lock);
        if (message.type == SimMsg::ControlReply || message.type == SimMsg::ControlStall) {
            m_ControlReplies[message.id] = {message.type, std::move(message.data)};
        } else if (message.type == SimMsg::BulkIn) {
            auto it = m_InSlots.find(message.id);
            if (it == m_InSlots.end() || it->second->done || it->second->failed)
                return;   // cancelled meanwhile: the data is lost, as on the bus
            InSlot& slot = *it->second;
            slot.count = std::min<uint32_t>(slot.length, uint32_t(message.data.size()));
            std::memcpy(slot.buffer, message.data.data(), slot.count);
            slot.done = true;
        }
        m_Changed.notify_all();
    }

    int m_Fd;
    std::string m_Path;
    std::vector<uint8_t> m_Descriptors;
    std::thread m_Reader;
    std::mutex m_Lock;
    std::mutex m_WriteLock;
    std::condition_variable m_Changed;
    bool m_bAlive = true;
    std::atomic<bool> m_bQuiet{false};
    std::atomic<bool> m_bGone{false};
    uint32_t m_NextId = 0;
    uint32_t m_LastStatus = 0;
    std::map<uint32_t, std::pair<SimMsg, std::vector<uint8_t>>> m_ControlReplies;
    std::map<uint32_t, std::shared_ptr<InSlot>> m_InSlots;
};

class SimInTransfer : public UsbTransfer {
public:
    SimInTransfer(std::shared_ptr<SimConnection> connection, uint32_t id, std::shared_ptr<InSlot> slot)
        : m_pConnection(std::move(connection)), m_Id(id), m_pSlot(std::move(slot))
    {
    }
    ~SimInTransfer() override { m_pConnection->DropSlot(m_Id, false); }
    UsbWaitResult Wait(uint32_t ms) override { return m_pConnection->WaitSlot(*m_pSlot, ms); }
    void Cancel() override { m_pConnection->DropSlot(m_Id, true); }
    bool Result(uint32_t& count) override { return m_pConnection->SlotResult(*m_pSlot, count); }

private:
    std::shared_ptr<SimConnection> m_pConnection;
    uint32_t m_Id;
    std::shared_ptr<InSlot> m_pSlot;
};

// An OUT transfer is over once the socket took it.
class SimDoneTransfer : public UsbTransfer {
public:
    SimDoneTransfer(bool ok, uint32_t count) : m_bOk(ok), m_Count(count) {}
    UsbWaitResult Wait(uint32_t) override { return UsbWaitResult::Signalled; }
    void Cancel() override {}
    bool Result(uint32_t& count) override
    {
        count = m_bOk ? m_Count : 0;
        return m_bOk;
    }

private:
    bool m_bOk;
    uint32_t m_Count;
};

class SimPipe : public UsbPipe {
public:
    SimPipe(std::shared_ptr<SimConnection> connection, std::shared_ptr<UsbSubmitGate> gate, uint8_t address)
        : m_pConnection(std::move(connection)), m_pGate(std::move(gate)), m_Address(address)
    {
    }
    std::unique_ptr<UsbTransfer> StartTransfer(uint8_t* buffer, uint32_t length) override
    {
        // As on the bus: the device's close waits for this start, or this sees the close.
        auto hold = m_pGate->Enter();
        if (m_bClosed || m_pGate->DeviceClosed() || !m_pConnection->Alive())
            return nullptr;
        if (!(m_Address & 0x80)) {
            bool sent = m_pConnection->Send({SimMsg::BulkOut, 0, m_Address, {buffer, buffer + length}});
            if (!sent)
                m_pConnection->SetLastStatus(kStatusNotResponding);
            return std::make_unique<SimDoneTransfer>(sent, length);
        }
        uint32_t id = m_pConnection->NextId();
        auto slot = m_pConnection->AddSlot(id, buffer, length, this);
        if (!slot)
            return nullptr;
        SimMessage request{SimMsg::InRequest, id, m_Address,
                           {uint8_t(length >> 24), uint8_t(length >> 16), uint8_t(length >> 8), uint8_t(length)}};
        auto transfer = std::make_unique<SimInTransfer>(m_pConnection, id, slot);
        if (!m_pConnection->Send(request))
            m_pConnection->FailSlots(this);
        return transfer;
    }
    void Close() override
    {
        m_pGate->Shut(m_bClosed);
        m_pConnection->FailSlots(this);
    }

private:
    std::shared_ptr<SimConnection> m_pConnection;
    std::shared_ptr<UsbSubmitGate> m_pGate;
    uint8_t m_Address;
    bool m_bClosed = false;
};

class SimDevice : public UsbDevice {
public:
    explicit SimDevice(std::shared_ptr<SimConnection> connection) : m_pConnection(std::move(connection)) {}
    int ControlIn(const UsbSetupPacket& setup, uint8_t* data) override
    {
        return Closed() ? -1 : m_pConnection->Control(setup, data);
    }
    std::shared_ptr<UsbPipe> OpenPipe(uint32_t index) override
    {
        const auto& descriptors = m_pConnection->Descriptors();
        UsbConfigLayout layout;
        if (Closed() || descriptors.size() < 18 ||
            !ParseConfiguration(descriptors.data() + 18, uint32_t(descriptors.size() - 18), layout) ||
            index >= layout.endpoints.size())
            return nullptr;
        auto pipe = std::make_shared<SimPipe>(m_pConnection, m_pGate, layout.endpoints[index].address);
        m_Pipes.push_back(pipe);
        return pipe;
    }
    bool LastUsbdStatus(uint32_t& status) override
    {
        status = m_pConnection->LastStatus();
        return true;
    }
    bool DriverVersion(uint32_t& version) override
    {
        version = kSimDriverVersion;
        return true;
    }
    bool CheckedBuild(uint32_t& checked) override
    {
        checked = 0;
        return true;
    }
    bool SetDriverOption(uint32_t) override { return !Closed(); }
    void Close() override
    {
        m_pGate->ShutDevice();
        for (auto& pipe : m_Pipes)
            pipe->Close();
    }

private:
    bool Closed() const
    {
        auto hold = m_pGate->Enter();
        return m_pGate->DeviceClosed();
    }

    std::shared_ptr<SimConnection> m_pConnection;
    std::shared_ptr<UsbSubmitGate> m_pGate = std::make_shared<UsbSubmitGate>();
    std::vector<std::shared_ptr<SimPipe>> m_Pipes;
};

class SimUsbBackend : public UsbBackend {
public:
    SimUsbBackend(std::string socketPath, SimUsbFaults faults) : m_SocketPath(std::move(socketPath)), m_Faults(faults)
    {
    }
    ~SimUsbBackend() override
    {
        StopWatching();
        std::vector<std::shared_ptr<SimConnection>> connections;
        {
            std::lock_guard attach(m_AttachLock);
            connections.swap(m_Connections);
        }
        // Every reader calls back into this object: none may outlive it.
        for (auto& connection : connections)
            connection->Shutdown();
        for (auto& connection : connections)
            connection->JoinReader();
    }

    std::vector<std::string> Enumerate() override
    {
        bool attached;
        std::shared_ptr<SimConnection> connection = CurrentOrAttach(attached);
        if (connection && connection->Alive())
            return {connection->Path()};
        return {};
    }

    void Watch(UsbNotice arrival, UsbNotice removal) override
    {
        StopWatching();
        {
            std::lock_guard notice(m_NoticeLock);
            m_Removal = std::move(removal);
        }
        {
            std::lock_guard lock(m_Lock);
            m_bStop = false;
        }
        m_bWatching = true;
        m_Watcher = std::thread([this, arrival] { WatchLoop(arrival); });
    }

    void StopWatching() override
    {
        {
            // Waits for a removal notice under way: none is heard after this returns.
            std::lock_guard notice(m_NoticeLock);
            m_Removal = nullptr;
        }
        {
            std::lock_guard lock(m_Lock);
            m_bStop = true;
        }
        m_StopChanged.notify_all();
        if (m_Watcher.joinable())
            m_Watcher.join();
        m_bWatching = false;
    }

    std::unique_ptr<UsbDevice> Open(const std::string& path) override
    {
        std::shared_ptr<SimConnection> connection = Current();
        m_LastFailure = {};
        if (!connection || connection->Path() != path || !connection->Alive())
            return nullptr;
        if (m_Faults.accessDenied) {
            const auto& d = connection->Descriptors();
            m_LastFailure = {true, uint16_t(d[8] | d[9] << 8), uint16_t(d[10] | d[11] << 8)};
            return nullptr;
        }
        return std::make_unique<SimDevice>(connection);
    }

    UsbOpenFailure LastOpenFailure() const override { return m_LastFailure; }

    // The simulated STB whenever it answers; its strings are asked for unless opening is refused.
    std::vector<UsbCandidate> Candidates() override
    {
        bool attached;
        std::shared_ptr<SimConnection> connection = CurrentOrAttach(attached);
        if (!connection || !connection->Alive())
            return {};
        const auto& d = connection->Descriptors();
        if (!ConfigHasLoaderShape(d.data() + 18, uint32_t(d.size() - 18)))
            return {};
        UsbCandidate candidate{connection->Path(), uint16_t(d[8] | d[9] << 8), uint16_t(d[10] | d[11] << 8), "", "",
                               true};
        if (!m_Faults.accessDenied) {
            candidate.maker = StringOf(*connection, d[14]);
            candidate.product = StringOf(*connection, d[15]);
        }
        return {candidate};
    }

private:
    static std::string StringOf(SimConnection& connection, uint8_t index)
    {
        uint8_t buffer[256] = {};
        int count = index ? connection.Control({0x80, 6, uint16_t(0x300 | index), 0x0809, sizeof buffer}, buffer) : 0;
        return count > 0 ? StringDescriptorText(buffer, count) : "";
    }

    std::shared_ptr<SimConnection> Current()
    {
        std::lock_guard lock(m_Lock);
        if (m_pConnection && m_pConnection->Gone())
            m_pConnection.reset();
        return m_pConnection;
    }

    // One thread at a time attaches; attached tells whether this call made the connection.
    std::shared_ptr<SimConnection> CurrentOrAttach(bool& attached)
    {
        std::lock_guard attach(m_AttachLock);
        attached = false;
        if (auto connection = Current())
            return connection;
        auto connection = Attach(kAttachWaitMs);
        attached = connection != nullptr;
        return connection;
    }

    // Connects and waits for the device's descriptors; null when nothing answers.
    std::shared_ptr<SimConnection> Attach(int waitMs)
    {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd < 0 || m_SocketPath.size() >= sizeof address.sun_path) {
            if (fd >= 0)
                ::close(fd);
            return nullptr;
        }
        std::strcpy(address.sun_path, m_SocketPath.c_str());
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return nullptr;
        }
        SimMessage message;
        SimRead read = SimRead::TimedOut;
        for (int waited = 0; waited < waitMs && read == SimRead::TimedOut && !Stopping(); waited += 50)
            read = ReadSimMessage(fd, message, 50);
        if (read != SimRead::Message || message.type != SimMsg::Descriptors || message.data.size() < 18 + 9) {
            ::close(fd);
            return nullptr;
        }
        std::string path = "sim:" + m_SocketPath + "#" + std::to_string(++m_Attachments);
        auto connection = std::make_shared<SimConnection>(fd, path, std::move(message.data));
        JoinDeparted();
        m_Connections.push_back(connection);
        connection->StartReader([this](const std::string& gone) { Removed(gone); });
        std::lock_guard lock(m_Lock);
        m_pConnection = connection;
        return connection;
    }

    // Under m_AttachLock: the readers of connections whose removal was reported are done.
    void JoinDeparted()
    {
        auto departed = std::stable_partition(m_Connections.begin(), m_Connections.end(),
                                              [](const auto& connection) { return !connection->Gone(); });
        for (auto it = departed; it != m_Connections.end(); ++it)
            (*it)->JoinReader();
        m_Connections.erase(departed, m_Connections.end());
    }

    void Removed(const std::string& path)
    {
        Trace("SimUsbBackend: %s left", path.c_str());
        {
            std::lock_guard notice(m_NoticeLock);
            if (m_Removal)
                m_Removal(path);
        }
        {
            // Reported: the watcher may attach the device's next appearance at once.
            std::lock_guard lock(m_Lock);
            if (m_pConnection && m_pConnection->Path() == path)
                m_pConnection.reset();
        }
        m_StopChanged.notify_all();
    }

    bool Stopping()
    {
        std::lock_guard lock(m_Lock);
        return m_bStop && m_bWatching;
    }

    void WatchLoop(UsbNotice arrival)
    {
        for (;;) {
            bool attached;
            auto connection = CurrentOrAttach(attached);
            if (attached)
                arrival(connection->Path());
            // While attached, sleep until the device leaves; with nothing listening, retry after a pause.
            std::unique_lock lock(m_Lock);
            if (connection)
                m_StopChanged.wait(lock, [&] { return m_bStop || m_pConnection != connection; });
            else
                m_StopChanged.wait_for(lock, std::chrono::milliseconds(kReconnectPauseMs), [this] { return m_bStop; });
            if (m_bStop)
                return;
        }
    }

    std::string m_SocketPath;
    SimUsbFaults m_Faults;
    UsbOpenFailure m_LastFailure;
    std::mutex m_Lock;
    std::mutex m_AttachLock;
    std::mutex m_NoticeLock;
    std::condition_variable m_StopChanged;
    std::shared_ptr<SimConnection> m_pConnection;
    std::vector<std::shared_ptr<SimConnection>> m_Connections;   // every reader not yet joined; m_AttachLock
    std::thread m_Watcher;
    std::atomic<bool> m_bWatching{false};
    bool m_bStop = false;
    UsbNotice m_Removal;
    uint32_t m_Attachments = 0;
};

}  // namespace

std::unique_ptr<UsbBackend> MakeSimUsbBackend(const std::string& socketPath, SimUsbFaults faults)
{
    return std::make_unique<SimUsbBackend>(socketPath, faults);
}
