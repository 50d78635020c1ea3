#include "link/usb_link.h"

#include "common/prompter.h"
#include "common/trace.h"
#include "usb/usb_bulk_port.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kAttempts = 10;
constexpr uint32_t kSizeReplyFrameSize = kUsbFrameOverhead + 3;   // 12
constexpr uint32_t kDownloadHelloRead = 23;
constexpr uint32_t kMaxPacket = 1024;
constexpr uint32_t kBufferSize = kUsbMaxPayload + kUsbFrameOverhead + 2 * kMaxPacket;

bool MagicAt(const uint8_t* p)
{
    return std::equal(kLinkMagic.begin(), kLinkMagic.end(), p);
}
}  // namespace

uint32_t UsbBlockLimit(uint8_t type)
{
    return type == DATA_EEPROM ? kUsbEepromBlockSize : kUsbFlashBlockSize;
}

CUsbLink::CUsbLink(UsbBulkPort& port, LinkState& state, Prompter& prompter)
    : m_Port(port), m_State(state), m_Prompter(prompter), m_Tx(kBufferSize), m_Rx(kBufferSize)
{
}

bool CUsbLink::SendFrame(uint8_t psn, uint8_t cmd, const uint8_t* payload, uint16_t len)
{
    uint32_t multiple = m_Port.InPacketSize();
    if (multiple == 0 || multiple > kMaxPacket)
        return false;
    uint32_t n = EncodeUsbFrame(psn, cmd, payload, len, m_Tx.data());
    uint32_t padded = RoundUpTo(n, multiple);
    std::fill(m_Tx.begin() + n, m_Tx.begin() + padded, uint8_t(0));
    return m_Port.Write(m_Tx.data(), padded);
}

uint32_t CUsbLink::ReadTransfer(uint8_t* into, uint32_t length)
{
    return m_Port.Read(into, RoundUpTo(length, m_Port.OutPacketSize()));
}

LinkResult CUsbLink::ReceiveFrame(uint32_t maxFrame)
{
    uint32_t multiple = m_Port.OutPacketSize();
    if (multiple == 0 || multiple > kMaxPacket)
        return LinkResult::Fail;
    uint32_t got = ReadTransfer(m_Rx.data(), kUsbFrameOverhead);
    if (got < kLinkMagic.size() + 4)
        return LinkResult::Fail;
    // The magic is not compared here; the SUM decides.
    uint32_t n = got - uint32_t(kLinkMagic.size());
    uint32_t whole = FrameLength() + 5u;
    if (n < whole) {
        uint32_t rest = RoundUpTo(whole - n, multiple);
        if (kLinkMagic.size() + n + rest > m_Rx.size())
            return LinkResult::Fail;
        n += ReadTransfer(m_Rx.data() + kLinkMagic.size() + n, whole - n);
    }
    // A frame beyond the hint is refused only once all of it is out of the pipe.
    if (n != whole || whole + kLinkMagic.size() > maxFrame)
        return LinkResult::Fail;
    return LinkSum(Frame(), n - 1) == Frame()[n - 1] ? LinkResult::Ok : LinkResult::Checksum;
}

UsbHandshake CUsbLink::Handshake(bool download)
{
    if (!SendFrame(0, download ? CMD_HELLO : CMD_UPLOAD_REQ))
        return UsbHandshake::NoAnswer;
    uint32_t got = ReadTransfer(m_Rx.data(), download ? kDownloadHelloRead : kHelloAckFrameSize);
    const uint8_t* t = m_Rx.data();
    if (got != kHelloAckFrameSize || !MagicAt(t) || t[42] != LinkSum(t + 4, 38) || t[5] != CMD_HELLO_ACK)
        return UsbHandshake::NoAnswer;
    HelloPayload hello = *DecodeHello(std::span(t + 8, got - kUsbFrameOverhead));
    if (download && (hello.header[kHeaderLayoutVersionAt] != m_State.headerDefault[kHeaderLayoutVersionAt] ||
                     hello.header[kHeaderModelIdAt] != m_State.headerDefault[kHeaderModelIdAt]))
        return UsbHandshake::InvalidStbType;
    m_State.AdoptHello(hello);
    if (!download)
        m_State._psn = t[4];
    return UsbHandshake::Ok;
}

LinkResult CUsbLink::SizeRequest(uint8_t type, uint32_t& size, const LinkReport&)
{
    size = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        uint8_t psn = m_State.NextPsn();
        if (!SendFrame(psn, CMD_SIZE_REQ, &type, 1))
            continue;
        uint32_t got = ReadTransfer(m_Rx.data(), kSizeReplyFrameSize);
        const uint8_t* t = m_Rx.data();
        if (got != kSizeReplyFrameSize || !MagicAt(t) || t[11] != LinkSum(t + 4, 7))
            continue;
        // A sound reply that is not the answer costs the attempt rather than passing as size 0.
        if (t[4] != psn || t[5] != CMD_SIZE_REPLY) {
            Trace("SizeRequest(): PSN %d CMD %d while waiting for PSN %d", t[4], t[5], psn);
            continue;
        }
        size = GetBe24(t + 8);
        return size ? LinkResult::Ok : LinkResult::Fail;
    }
    return LinkResult::Fail;
}

LinkResult CUsbLink::BlockRead(uint8_t type, uint32_t offset, uint32_t length, uint8_t* dest, const LinkReport& report)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        uint8_t psn = m_State.NextPsn();
        uint8_t request[kUsbReadRequestSize];
        EncodeUsbReadRequest({length, offset}, request);
        if (!SendFrame(psn, CMD_READ_REQ, request, kUsbReadRequestSize))
            continue;
        if (ReceiveFrame(RoundUpTo(length + 10, m_Port.OutPacketSize())) != LinkResult::Ok)
            continue;
        if (Frame()[0] == psn && Frame()[1] == CMD_READ_DATA && FrameLength() == length) {
            std::memcpy(dest + offset, FramePayload(), length);
            return LinkResult::Ok;
        }
    }
    Trace("BlockRead(): type %d offset %u failed %d times", type, offset, kAttempts);
    report.Status("Communication Error!!");
    return LinkResult::CommError;
}

LinkResult CUsbLink::ReadData(uint8_t type, uint8_t* dest, uint32_t capacity, uint32_t& size, const LinkReport& report)
{
    if (!IsKnownDataType(type)) {
        m_Prompter.Notify("Invaild Data Type", "Notice", PromptIcon::Error);
        return LinkResult::UnknownType;
    }
    if (SizeRequest(type, size, report) != LinkResult::Ok)
        return LinkResult::Fail;
    return ReadInBlocks(
        type, size, capacity, UsbBlockLimit(type), [this] { return !m_pRunning || *m_pRunning; },
        [&](uint32_t offset, uint32_t length) { return BlockRead(type, offset, length, dest, report); }, report);
}

bool CUsbLink::SendReadData(uint8_t psn, const uint8_t* data, uint16_t length)
{
    return SendFrame(psn, CMD_READ_DATA, data, length);
}
