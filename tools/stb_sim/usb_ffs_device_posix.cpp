#include "tools/stb_sim/sim_carriers.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

#if __has_include(<linux/usb/functionfs.h>)
#include <linux/usb/functionfs.h>
#define STB_SIM_HAS_FFS 1
#endif

namespace {

// Calls whose outcome changes nothing here: a wake-up already pending, a stall, a host gone.
void Discard(ssize_t) {}
constexpr uint32_t kFullSpeedPacket = 64;
constexpr uint32_t kHighSpeedPacket = 512;
constexpr uint32_t kLargestIn = kUsbMaxPayload + kUsbFrameOverhead;
constexpr uint32_t kMagicDescriptorsV2 = 3, kMagicStrings = 2;
constexpr uint32_t kHasFullSpeed = 1, kHasHighSpeed = 2;
constexpr uint8_t kEventBind = 0, kEventUnbind = 1, kEventEnable = 2, kEventDisable = 3, kEventSetup = 4;
constexpr size_t kEventSize = 12;   // setup packet (8), type, 3 bytes of padding
const char kInterfaceName[] = "STB loader";

void PutLe32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

void PutInterface(std::vector<uint8_t>& out, uint32_t packet)
{
    out.insert(out.end(), {9, 4, 0, 0, 2, 0xFF, 0, 0, 1});
    for (uint32_t i = 0; i < 2; ++i)
        out.insert(out.end(), {7, 5, SimEndpointAddress(i), 2, uint8_t(packet), uint8_t(packet >> 8), 0});
}

void SetLength(std::vector<uint8_t>& out)
{
    for (int i = 0; i < 4; ++i)
        out[size_t(4 + i)] = uint8_t(out.size() >> (8 * i));
}

std::string WriteLine(const std::string& path, const std::string& line)
{
    std::ofstream file(path);
    file << line << std::endl;
    return file ? "" : path + ": " + std::strerror(errno);
}

void Interrupted(int) {}
}  // namespace

std::vector<uint8_t> FfsDescriptors()
{
    std::vector<uint8_t> out;
    PutLe32(out, kMagicDescriptorsV2);
    PutLe32(out, 0);
    PutLe32(out, kHasFullSpeed | kHasHighSpeed);
    PutLe32(out, 3);
    PutLe32(out, 3);
    PutInterface(out, kFullSpeedPacket);
    PutInterface(out, kHighSpeedPacket);
    SetLength(out);
    return out;
}

std::vector<uint8_t> FfsStrings()
{
    std::vector<uint8_t> out;
    PutLe32(out, kMagicStrings);
    PutLe32(out, 0);
    PutLe32(out, 1);
    PutLe32(out, 1);
    out.insert(out.end(), {0x09, 0x04});
    out.insert(out.end(), kInterfaceName, kInterfaceName + sizeof kInterfaceName);
    SetLength(out);
    return out;
}

UsbFfsDevice::UsbFfsDevice(SimImageStore& image, SimFaults& faults, LoaderOptions options,
                           std::chrono::milliseconds rebootDelay)
    : UsbLoaderDevice(image, faults, std::move(options), UsbDeviceShape{}), m_RebootDelay(rebootDelay)
{
}

UsbFfsDevice::~UsbFfsDevice()
{
    Stop();
}

std::string UsbFfsDevice::Start(const FfsGadget& gadget)
{
#ifndef STB_SIM_HAS_FFS
    (void)gadget;
    return "FunctionFS is not available on this system";
#else
    m_Gadget = gadget;
    std::string dir = gadget.functionDir + "/";
    m_Ep0 = ::open((dir + "ep0").c_str(), O_RDWR | O_CLOEXEC);
    if (m_Ep0 < 0)
        return dir + "ep0: " + std::strerror(errno);
    for (const auto& block : {FfsDescriptors(), FfsStrings()})
        if (::write(m_Ep0, block.data(), block.size()) != ssize_t(block.size()))
            return dir + "ep0: the descriptors were refused: " + std::strerror(errno);
    ::fcntl(m_Ep0, F_SETFL, O_NONBLOCK);
    // Non-blocking, an endpoint that is not enabled refuses at once instead of holding the call until the
    // next enable: every transfer then belongs to the enable it started in.
    m_Out = ::open((dir + "ep1").c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    m_In = ::open((dir + "ep2").c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    m_Wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_Out < 0 || m_In < 0 || m_Wake < 0)
        return dir + "ep1, ep2: " + std::strerror(errno);
    // A blocked endpoint read or write ends on a signal without SA_RESTART: that is how Stop reaches it.
    struct sigaction action {};
    action.sa_handler = Interrupted;
    ::sigaction(SIGUSR1, &action, nullptr);
    m_bStop = false;
    m_Thread = std::thread([this] { Run(); });
    m_Reader = std::thread([this] { ReadOut(); });
    m_Writer = std::thread([this] { WriteIn(); });
    return "";
#endif
}

void UsbFfsDevice::JoinInterrupting(std::thread& thread, std::atomic<bool>& done)
{
    if (!thread.joinable())
        return;
    while (!done) {
        ::pthread_kill(thread.native_handle(), SIGUSR1);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    thread.join();
}

void UsbFfsDevice::Stop()
{
    {
        std::lock_guard lock(m_Lock);
        m_bStop = true;
    }
    m_Changed.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
    JoinInterrupting(m_Reader, m_bReaderDone);
    JoinInterrupting(m_Writer, m_bWriterDone);
    for (int* fd : {&m_Out, &m_In, &m_Ep0, &m_Wake})
        if (*fd >= 0)
            ::close(std::exchange(*fd, -1));
}

void UsbFfsDevice::Wake()
{
    uint64_t one = 1;
    Discard(::write(m_Wake, &one, sizeof one));
}

void UsbFfsDevice::Run()
{
    while (!m_bStop) {
        pollfd p[2] = {{m_Ep0, POLLIN, 0}, {m_Wake, POLLIN, 0}};
        ::poll(p, 2, 5);
        uint64_t count;
        Discard(::read(m_Wake, &count, sizeof count));
        HandleEvents();
        std::deque<std::vector<uint8_t>> transfers;
        {
            std::lock_guard lock(m_Lock);
            transfers.swap(m_OutQueue);
        }
        for (const auto& transfer : transfers) {
            BulkOut(SimEndpointAddress(0), transfer.data(), transfer.size());
            DrainIn();
        }
        Tick();
        DrainIn();
        if (TakeStall()) {
            std::lock_guard lock(m_Lock);
            m_InQueue.push_back({{}, true});
            m_Changed.notify_all();
        }
        if (TakeLeave() && !m_bAway) {
            Bind("");
            m_bAway = true;
            m_ReturnAt = std::chrono::steady_clock::now() + m_RebootDelay;
        }
        if (m_bAway && std::chrono::steady_clock::now() >= m_ReturnAt) {
            Bind(m_Gadget.udcName);
            m_bAway = false;
        }
    }
}

void UsbFfsDevice::Bind(const std::string& name)
{
    if (m_Gadget.udcFile.empty()) {
        std::cerr << "stb-sim: no gadget UDC file, the device stays on the bus" << std::endl;
        return;
    }
    if (std::string error = WriteLine(m_Gadget.udcFile, name); !error.empty())
        std::cerr << "stb-sim: " << error << std::endl;
}

void UsbFfsDevice::HandleEvents()
{
    uint8_t events[4 * kEventSize];
    ssize_t n;
    while ((n = ::read(m_Ep0, events, sizeof events)) > 0) {
        for (ssize_t at = 0; at + ssize_t(kEventSize) <= n; at += ssize_t(kEventSize)) {
            const uint8_t* event = events + at;
            switch (event[8]) {
            case kEventEnable: SetEnabled(true); break;
            case kEventDisable:
            case kEventUnbind: SetEnabled(false); break;
            case kEventSetup:
                // The loader answers no request of its own: the data stage is stalled.
                if (event[0] & 0x80)
                    Discard(::read(m_Ep0, nullptr, 0));
                else
                    Discard(::write(m_Ep0, nullptr, 0));
                break;
            case kEventBind:
            default: break;
            }
        }
    }
}

void UsbFfsDevice::SetEnabled(bool enabled)
{
    uint32_t packet = kHighSpeedPacket;
#ifdef STB_SIM_HAS_FFS
    usb_endpoint_descriptor active{};
    if (enabled && ::ioctl(m_Out, FUNCTIONFS_ENDPOINT_DESC, &active) == 0)
        packet = active.wMaxPacketSize;
#endif
    {
        std::lock_guard lock(m_Lock);
        if (m_bEnabled == enabled)
            return;
        m_bEnabled = enabled;
        ++m_Generation;
        m_PacketSize = packet;
        m_OutQueue.clear();
        m_InQueue.clear();
    }
    m_Changed.notify_all();
    m_bInAsked = false;
    std::cout << (enabled ? "ffs: configured, packets of " + std::to_string(packet) : std::string("ffs: off the bus"))
              << std::endl;
    if (enabled)
        Attach();
}

void UsbFfsDevice::DrainIn()
{
    while (!m_bInAsked) {
        m_bInAsked = true;
        RequestIn(++m_InId, kLargestIn);
    }
}

void UsbFfsDevice::DeliverIn(uint32_t, std::vector<uint8_t> data)
{
    m_bInAsked = false;
    std::lock_guard lock(m_Lock);
    if (!m_bEnabled)
        return;
    m_InQueue.push_back({std::move(data), false});
    m_Changed.notify_all();
}

void UsbFfsDevice::ReadOut()
{
    std::vector<uint8_t> buffer(kLargestIn + kHighSpeedPacket);
    while (!m_bStop) {
        uint32_t generation, packet;
        {
            std::unique_lock lock(m_Lock);
            m_Changed.wait(lock, [this] { return m_bStop || m_bEnabled; });
            generation = m_Generation;
            packet = m_PacketSize;
        }
        UsbOutReader reader(packet);
        while (!m_bStop) {
            ssize_t n = ::read(m_Out, buffer.data(), reader.NextRead());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                // The endpoint went away: the next read belongs to the next enable, so the disable is
                // awaited first (else that read's transfer would count as the old one's).
                std::unique_lock lock(m_Lock);
                m_Changed.wait_for(lock, std::chrono::seconds(1), [&] { return m_bStop || m_Generation != generation; });
                break;
            }
            if (!reader.Take(buffer.data(), size_t(n)))
                continue;
            std::lock_guard lock(m_Lock);
            if (generation != m_Generation)
                break;
            m_OutQueue.push_back(reader.Transfer());
            Wake();
        }
    }
    m_bReaderDone = true;
}

void UsbFfsDevice::WriteIn()
{
    while (!m_bStop) {
        InItem item;
        {
            std::unique_lock lock(m_Lock);
            m_Changed.wait(lock, [this] { return m_bStop || !m_InQueue.empty(); });
            if (m_bStop)
                break;
            item = std::move(m_InQueue.front());
            m_InQueue.pop_front();
        }
        uint8_t byte;
        if (item.halt)
            Discard(::read(m_In, &byte, 1));   // reading an IN endpoint halts it
        else
            Discard(::write(m_In, item.data.data(), item.data.size()));   // a host gone ends it
    }
    m_bWriterDone = true;
}
