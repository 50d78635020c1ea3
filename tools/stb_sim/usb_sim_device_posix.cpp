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
// A host that went away is seen by the next read of Run, which detaches.
void Post(int fd, const SimMessage& message)
{
    (void)WriteSimMessage(fd, message);
}
}  // namespace

UsbSimDevice::UsbSimDevice(SimImageStore& image, SimFaults& faults, LoaderOptions options, UsbDeviceShape shape,
                           std::chrono::milliseconds rebootDelay)
    : UsbLoaderDevice(image, faults, std::move(options), shape), m_RebootDelay(rebootDelay)
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
    std::vector<uint8_t> descriptors = SimDeviceDescriptor(Shape());
    std::vector<uint8_t> config = SimConfigDescriptor(Shape());
    descriptors.insert(descriptors.end(), config.begin(), config.end());
    if (!WriteSimMessage(fd, {SimMsg::Descriptors, 0, 0, descriptors})) {
        ::close(fd);
        return;
    }
    m_Conn = fd;
    ++m_Attachments;
    UsbLoaderDevice::Attach();
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
        Tick();
        if (TakeLeave()) {
            Detach();
            m_ReturnAt = std::chrono::steady_clock::now() + m_RebootDelay;
        }
    }
}

void UsbSimDevice::Handle(SimMessage& message)
{
    switch (message.type) {
    case SimMsg::Control: {
        std::vector<uint8_t> reply;
        if (message.data.size() == 8)
            reply = Control(message.data.data());
        Post(m_Conn, {reply.empty() ? SimMsg::ControlStall : SimMsg::ControlReply, message.id, 0, reply});
        break;
    }
    case SimMsg::BulkOut: BulkOut(message.endpoint, message.data.data(), message.data.size()); break;
    case SimMsg::InRequest:
        if (message.data.size() == 4)
            RequestIn(message.id, uint32_t(message.data[0]) << 24 | uint32_t(message.data[1]) << 16 |
                                      uint32_t(message.data[2]) << 8 | message.data[3]);
        break;
    case SimMsg::InCancel: CancelIn(message.id); break;
    default: break;
    }
}

void UsbSimDevice::DeliverIn(uint32_t id, std::vector<uint8_t> data)
{
    Post(m_Conn, {SimMsg::BulkIn, id, SimEndpointAddress(1), std::move(data)});
}
