#include "tools/stb_sim/sim_carriers.h"

#include "usb/sim_usb_wire.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr uint8_t kOutEndpoint = 0x01;
constexpr uint8_t kInEndpoint = 0x82;
const char* const kStrings[] = {"Simulated STB", "STB loader", "0001"};

// A host that went away is seen by the next read of Run, which detaches.
void Post(int fd, const SimMessage& message)
{
    (void)WriteSimMessage(fd, message);
}

std::vector<uint8_t> StringDescriptor(uint8_t index)
{
    if (index == 0)
        return {4, 3, 0x09, 0x08};
    std::vector<uint8_t> d = {2, 3};
    if (index > 3)
        return {};
    for (const char* c = kStrings[index - 1]; *c; ++c) {
        d.push_back(uint8_t(*c));
        d.push_back(0);
    }
    d[0] = uint8_t(d.size());
    return d;
}
}  // namespace

bool ParseUsbFrame(const uint8_t* data, size_t n, LinkFrame& frame)
{
    if (n < kUsbFrameOverhead || !std::equal(kLinkMagic.begin(), kLinkMagic.end(), data))
        return false;
    uint32_t len = uint32_t(data[6] << 8 | data[7]);
    if (n < len + kUsbFrameOverhead || LinkSum(data + 4, len + 4) != data[8 + len])
        return false;
    frame = {data[4], data[5], {data + 8, data + 8 + len}};
    return true;
}

std::vector<uint8_t> SimDeviceDescriptor(const UsbDeviceShape& shape)
{
    return {18, 1, 0x00, 0x02, 0xFF, 0, 0, 64, uint8_t(shape.idVendor), uint8_t(shape.idVendor >> 8),
            uint8_t(shape.idProduct), uint8_t(shape.idProduct >> 8), 0x00, 0x01, 1, 2, 3, 1};
}

std::vector<uint8_t> SimConfigDescriptor(const UsbDeviceShape& shape)
{
    std::vector<uint8_t> c = {9, 2, 0, 0, 1, 1, 0, 0x80, 50};
    c.insert(c.end(), {9, 4, 0, 0, uint8_t(shape.endpoints), 0xFF, 0, 0, 0});
    for (uint32_t i = 0; i < shape.endpoints; ++i) {
        if (i == 1 && shape.endpointGap)
            c.insert(c.end(), {4, 0x25, 0, 0});
        uint8_t address = i % 2 == 0 ? uint8_t(kOutEndpoint + i) : uint8_t(kInEndpoint + i - 1);
        c.insert(c.end(), {7, 5, address, 2, uint8_t(shape.packetSize), uint8_t(shape.packetSize >> 8), 0});
    }
    c[2] = uint8_t(c.size());
    c[3] = uint8_t(c.size() >> 8);
    return c;
}

UsbSimDevice::UsbSimDevice(SimImageStore& image, SimFaults& faults, LoaderOptions options, UsbDeviceShape shape,
                           std::chrono::milliseconds rebootDelay)
    : m_Core(image, faults, std::move(options), *this), m_Shape(shape), m_RebootDelay(rebootDelay)
{
}

UsbSimDevice::~UsbSimDevice()
{
    Stop();
}

namespace {
// Only a socket that nobody listens on any more is removed; any other file is left alone.
std::string ClearStaleSocket(const sockaddr_un& address)
{
    struct stat info {};
    if (::lstat(address.sun_path, &info) != 0)
        return errno == ENOENT ? "" : std::string(address.sun_path) + ": " + std::strerror(errno);
    if (!S_ISSOCK(info.st_mode))
        return std::string(address.sun_path) + ": exists and is not a socket";
    int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool stale = probe >= 0 && ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
                 errno == ECONNREFUSED;
    if (probe >= 0)
        ::close(probe);
    if (!stale)
        return std::string(address.sun_path) + ": a socket in use";
    ::unlink(address.sun_path);
    return "";
}
}  // namespace

std::string UsbSimDevice::Start(const std::string& socketPath)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path)
        return "socket path too long: " + socketPath;
    std::strcpy(address.sun_path, socketPath.c_str());
    if (std::string error = ClearStaleSocket(address); !error.empty())
        return error;
    m_Listen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_Listen < 0 || ::bind(m_Listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_Listen, 4) != 0)
        return "cannot listen on " + socketPath + ": " + std::strerror(errno);
    m_SocketPath = socketPath;
    m_bStop = false;
    m_Thread = std::thread([this] { Run(); });
    return "";
}

void UsbSimDevice::Stop()
{
    {
        std::lock_guard lock(m_StopLock);
        m_bStop = true;
    }
    m_StopChanged.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
    Detach();
    if (m_Listen >= 0) {
        ::close(m_Listen);
        ::unlink(m_SocketPath.c_str());
        m_Listen = -1;
    }
}

void UsbSimDevice::Attach(int fd)
{
    m_PendingIn.reset();
    m_Outgoing.clear();
    m_OutgoingAt = 0;
    std::vector<uint8_t> descriptors = SimDeviceDescriptor(m_Shape);
    std::vector<uint8_t> config = SimConfigDescriptor(m_Shape);
    descriptors.insert(descriptors.end(), config.begin(), config.end());
    if (!WriteSimMessage(fd, {SimMsg::Descriptors, 0, 0, descriptors})) {
        ::close(fd);
        return;
    }
    m_Conn = fd;
    ++m_Attachments;
    m_Core.Boot();
}

void UsbSimDevice::Detach()
{
    int fd = m_Conn.exchange(-1);
    if (fd >= 0)
        ::close(fd);
}

void UsbSimDevice::Run()
{
    while (!m_bStop) {
        int conn = m_Conn;
        if (conn < 0) {
            pollfd p{m_Listen, POLLIN, 0};
            if (std::chrono::steady_clock::now() < m_ReturnAt) {
                std::unique_lock lock(m_StopLock);   // off the bus until the reboot is over
                m_StopChanged.wait_until(lock, m_ReturnAt, [this] { return m_bStop.load(); });
            } else if (::poll(&p, 1, 5) > 0)
                if (int fd = ::accept4(m_Listen, nullptr, nullptr, SOCK_CLOEXEC); fd >= 0)
                    Attach(fd);
            continue;
        }
        SimMessage message;
        SimRead read = ReadSimMessage(conn, message, 5);
        if (read == SimRead::Closed || read == SimRead::Malformed) {
            Detach();
            continue;
        }
        if (read == SimRead::Message)
            Handle(message);
        m_Core.OnTick();
        if (m_bLeave) {
            m_bLeave = false;
            Detach();
            m_ReturnAt = std::chrono::steady_clock::now() + m_RebootDelay;
        }
    }
}

void UsbSimDevice::Handle(SimMessage& message)
{
    switch (message.type) {
    case SimMsg::Control: AnswerControl(message); break;
    case SimMsg::BulkOut: {
        LinkFrame frame;
        if (message.endpoint == kOutEndpoint && ParseUsbFrame(message.data.data(), message.data.size(), frame))
            m_Core.OnFrame(frame);
        break;
    }
    case SimMsg::InRequest:
        if (message.data.size() == 4)
            m_PendingIn = PendingIn{message.id, uint32_t(message.data[0]) << 24 | uint32_t(message.data[1]) << 16 |
                                                    uint32_t(message.data[2]) << 8 | message.data[3]};
        FlushIn();
        break;
    case SimMsg::InCancel:
        if (m_PendingIn && m_PendingIn->id == message.id)
            m_PendingIn.reset();
        break;
    default: break;
    }
}

void UsbSimDevice::AnswerControl(const SimMessage& message)
{
    std::vector<uint8_t> reply;
    const auto& s = message.data;
    if (s.size() == 8 && s[0] == 0x80 && s[1] == 6) {
        uint8_t type = s[3], index = s[2];
        if (type == 1)
            reply = SimDeviceDescriptor(m_Shape);
        else if (type == 2)
            reply = SimConfigDescriptor(m_Shape);
        else if (type == 3)
            reply = StringDescriptor(index);
    }
    int fd = m_Conn;
    if (reply.empty()) {
        Post(fd, {SimMsg::ControlStall, message.id, 0, {}});
        return;
    }
    reply.resize(std::min<size_t>(reply.size(), size_t(s[6] | s[7] << 8)));
    Post(fd, {SimMsg::ControlReply, message.id, 0, reply});
}

void UsbSimDevice::Send(const LinkFrame& frame, bool wrongSum)
{
    std::vector<uint8_t> bytes = UsbFrameBytes(frame);
    if (wrongSum)
        bytes.back() = uint8_t(~bytes.back());
    m_Outgoing.push_back(std::move(bytes));
    FlushIn();
}

void UsbSimDevice::FlushIn()
{
    int fd = m_Conn;
    while (fd >= 0 && m_PendingIn && !m_Outgoing.empty()) {
        const std::vector<uint8_t>& front = m_Outgoing.front();
        size_t take = std::min<size_t>(m_PendingIn->length, front.size() - m_OutgoingAt);
        SimMessage data{SimMsg::BulkIn, m_PendingIn->id, kInEndpoint,
                        {front.begin() + long(m_OutgoingAt), front.begin() + long(m_OutgoingAt + take)}};
        m_PendingIn.reset();
        Post(fd, data);
        m_OutgoingAt += take;
        if (m_OutgoingAt == front.size()) {
            m_Outgoing.erase(m_Outgoing.begin());
            m_OutgoingAt = 0;
        }
    }
}
