#include "tools/stb_sim/usb_loader_device.h"

#include <algorithm>
#include <utility>

namespace {
constexpr uint8_t kOutEndpoint = 0x01;
constexpr uint8_t kInEndpoint = 0x82;
const char* const kStrings[] = {"Simulated STB", "STB loader", "0001"};

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

bool UsbOutReader::Take(const uint8_t* data, size_t n)
{
    if (m_bDone)
        Reset();
    size_t asked = m_Next;
    m_Transfer.insert(m_Transfer.end(), data, data + n);
    size_t whole = m_Transfer.size();
    bool framed = m_Transfer.size() >= 8 && std::equal(kLinkMagic.begin(), kLinkMagic.end(), m_Transfer.begin());
    if (framed)
        whole = RoundUpTo(uint32_t(m_Transfer[6] << 8 | m_Transfer[7]) + kUsbFrameOverhead, m_PacketSize);
    m_bDone = n < asked || n == 0 || m_Transfer.size() >= whole;
    m_Next = m_bDone ? m_PacketSize : uint32_t(whole - m_Transfer.size());
    return m_bDone;
}

void UsbOutReader::Reset()
{
    m_Transfer.clear();
    m_Next = m_PacketSize;
    m_bDone = false;
}

std::vector<uint8_t> SimDeviceDescriptor(const UsbDeviceShape& shape)
{
    return {18, 1, 0x00, 0x02, 0xFF, 0, 0, 64, uint8_t(shape.idVendor), uint8_t(shape.idVendor >> 8),
            uint8_t(shape.idProduct), uint8_t(shape.idProduct >> 8), 0x00, 0x01, 1, 2, 3, 1};
}

uint8_t SimEndpointAddress(uint32_t index)
{
    return index % 2 == 0 ? uint8_t(kOutEndpoint + index) : uint8_t(kInEndpoint + index - 1);
}

std::vector<uint8_t> SimConfigDescriptor(const UsbDeviceShape& shape)
{
    std::vector<uint8_t> c = {9, 2, 0, 0, 1, 1, 0, 0x80, 50};
    c.insert(c.end(), {9, 4, 0, 0, uint8_t(shape.endpoints), 0xFF, 0, 0, 0});
    for (uint32_t i = 0; i < shape.endpoints; ++i) {
        if (i == 1 && shape.endpointGap)
            c.insert(c.end(), {4, 0x25, 0, 0});
        c.insert(c.end(), {7, 5, SimEndpointAddress(i), 2, uint8_t(shape.packetSize), uint8_t(shape.packetSize >> 8), 0});
    }
    c[2] = uint8_t(c.size());
    c[3] = uint8_t(c.size() >> 8);
    return c;
}

UsbLoaderDevice::UsbLoaderDevice(SimImageStore& image, SimFaults& faults, LoaderOptions options, UsbDeviceShape shape)
    : m_Core(image, faults, std::move(options), *this), m_Shape(shape)
{
}

void UsbLoaderDevice::Attach()
{
    m_PendingIn.reset();
    m_Outgoing.clear();
    m_OutgoingAt = 0;
    m_Core.Boot();
}

std::vector<uint8_t> UsbLoaderDevice::Control(const uint8_t* s) const
{
    std::vector<uint8_t> reply;
    if (s[0] == 0x80 && s[1] == 6) {
        uint8_t type = s[3], index = s[2];
        if (type == 1)
            reply = SimDeviceDescriptor(m_Shape);
        else if (type == 2)
            reply = SimConfigDescriptor(m_Shape);
        else if (type == 3)
            reply = StringDescriptor(index);
    }
    reply.resize(std::min<size_t>(reply.size(), size_t(s[6] | s[7] << 8)));
    return reply;
}

void UsbLoaderDevice::BulkOut(uint8_t endpoint, const uint8_t* data, size_t n)
{
    LinkFrame frame;
    if (endpoint == kOutEndpoint && ParseUsbFrame(data, n, frame))
        m_Core.OnFrame(frame);
}

void UsbLoaderDevice::RequestIn(uint32_t id, uint32_t length)
{
    m_PendingIn = PendingIn{id, length};
    FlushIn();
}

void UsbLoaderDevice::CancelIn(uint32_t id)
{
    if (m_PendingIn && m_PendingIn->id == id)
        m_PendingIn.reset();
}

bool UsbLoaderDevice::TakeLeave()
{
    return std::exchange(m_bLeave, false);
}

bool UsbLoaderDevice::TakeStall()
{
    return std::exchange(m_bStall, false);
}

void UsbLoaderDevice::Send(const LinkFrame& frame, bool wrongSum)
{
    std::vector<uint8_t> bytes = UsbFrameBytes(frame);
    if (wrongSum)
        bytes.back() = uint8_t(~bytes.back());
    m_Outgoing.push_back(std::move(bytes));
    FlushIn();
}

void UsbLoaderDevice::FlushIn()
{
    while (m_PendingIn && !m_Outgoing.empty()) {
        const std::vector<uint8_t>& front = m_Outgoing.front();
        size_t take = std::min<size_t>(m_PendingIn->length, front.size() - m_OutgoingAt);
        uint32_t id = m_PendingIn->id;
        std::vector<uint8_t> data(front.begin() + long(m_OutgoingAt), front.begin() + long(m_OutgoingAt + take));
        m_PendingIn.reset();
        m_OutgoingAt += take;
        if (m_OutgoingAt == front.size()) {
            m_Outgoing.erase(m_Outgoing.begin());
            m_OutgoingAt = 0;
        }
        DeliverIn(id, std::move(data));
    }
}
