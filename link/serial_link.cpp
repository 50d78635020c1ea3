#include "link/serial_link.h"

#include "common/prompter.h"
#include "link/serial_channel.h"
#include "common/trace.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kAttempts = 10;

uint8_t ByteOr0(const uint8_t* buffer, uint32_t count, uint32_t index)
{
    return index < count ? buffer[index] : 0;
}
}  // namespace

CSerialLink::CSerialLink(CRecvRing& ring, SerialWriter& writer, LinkState& state,
                         const std::atomic<bool>& sessionRunning, Prompter& prompter, RxIdle& idle)
    : m_Ring(ring), m_Writer(writer), m_State(state), m_bSessionRunning(sessionRunning), m_Prompter(prompter),
      m_Idle(idle)
{
}

LinkResult CSerialLink::SendPacket(const uint8_t* body)
{
    uint32_t bodyLength = body[2] + 3u;
    uint8_t sum = LinkSum(body, bodyLength);
    Trace("SendPacket(): PSN : %d  : CMD %d : LEN %d  OFFSET1 %d  :  OFFSET2 %d  :  OFFSET3 %d", body[0], body[1],
          body[2], ByteOr0(body, bodyLength, 3), ByteOr0(body, bodyLength, 4), ByteOr0(body, bodyLength, 5));
    // A write that failed on the way reports -1; only whole writes count as sent.
    if (m_Writer.Write(kLinkMagic.data(), 4) != 4)
        return LinkResult::Fail;
    if (m_Writer.Write(body, bodyLength) != int(bodyLength))
        return LinkResult::Fail;
    return m_Writer.Write(&sum, 1) == 1 ? LinkResult::Ok : LinkResult::Fail;
}

LinkResult CSerialLink::SendFrame(uint8_t psn, uint8_t cmd, const uint8_t* payload, uint8_t len)
{
    uint8_t body[3 + kSerialMaxPayload] = {psn, cmd, len};
    if (len)
        std::memcpy(body + 3, payload, len);
    return SendPacket(body);
}

bool CSerialLink::TakeByte(uint8_t& byte)
{
    if (m_HeldAt < m_HeldEnd) {
        byte = m_Held[m_HeldAt++];
        return true;
    }
    return m_Ring.Get(byte);
}

bool CSerialLink::PollByte(uint8_t& byte, uint64_t& polls)
{
    for (;;) {
        if (!m_bSessionRunning.load(std::memory_order_relaxed) || polls >= m_Budgets.frame)
            return false;
        if (TakeByte(byte)) {
            ++polls;
            return true;
        }
        polls += m_Idle.Idle(m_Ring);
    }
}

// What was kept of the bytes before a clear of the ring belongs to a closed port.
void CSerialLink::ForgetIfCleared()
{
    uint32_t clears = m_Ring.Clears();
    if (clears == m_RingClears)
        return;
    m_RingClears = clears;
    m_Matched = m_Count = m_HeldAt = m_HeldEnd = 0;
}

// A wrong SUM may mean that the magic was noise and the real frame began inside the
// body: the search resumes at the first place where the magic (or its start) stands.
void CSerialLink::HoldFromMagic(const uint8_t* bytes, uint32_t count)
{
    for (uint32_t at = 0; at < count; ++at) {
        uint32_t n = std::min<uint32_t>(uint32_t(kLinkMagic.size()), count - at);
        if (std::equal(bytes + at, bytes + at + n, kLinkMagic.begin())) {
            // Held bytes not yet searched stay after the ones given back.
            uint32_t rest = m_HeldEnd - m_HeldAt;
            std::memmove(m_Held + (count - at), m_Held + m_HeldAt, rest);
            std::memcpy(m_Held, bytes + at, count - at);
            m_HeldAt = 0;
            m_HeldEnd = count - at + rest;
            return;
        }
    }
}

LinkResult CSerialLink::Receive(uint8_t* buffer, uint32_t& count)
{
    count = 0;
    ForgetIfCleared();
    uint32_t queued = Queued();
    if (queued == 0)
        return LinkResult::Fail;
    uint8_t byte;
    if (m_Matched == 0) {
        // A byte that does not match is skipped without resetting the match.
        for (uint32_t taken = 0; taken < queued && m_Matched < kLinkMagic.size() && TakeByte(byte); ++taken)
            if (byte == kLinkMagic[m_Matched])
                ++m_Matched;
        if (m_Matched == 0)
            return LinkResult::Fail;
    }
    // A magic or a body split across reads of the ring is polled for; what has come is
    // kept when the budget runs out, since the rest may only be late.
    uint64_t polls = 0;
    while (m_Matched < kLinkMagic.size()) {
        if (!PollByte(byte, polls))
            return LinkResult::Fail;
        if (byte == kLinkMagic[m_Matched])
            ++m_Matched;
    }
    while (m_Count < 4 || m_Count < m_Frame[2] + 4u) {
        if (!PollByte(m_Frame[m_Count], polls))
            return LinkResult::Fail;
        ++m_Count;
    }
    count = m_Count;
    std::memcpy(buffer, m_Frame, count);
    m_Matched = m_Count = 0;
    if (LinkSum(buffer, count - 1) == buffer[count - 1])
        return LinkResult::Ok;
    HoldFromMagic(buffer, count);
    return LinkResult::Checksum;
}

LinkResult CSerialLink::RxPacket_Upload(uint8_t* buffer)
{
    uint32_t count;
    LinkResult result = Receive(buffer, count);
    if (result != LinkResult::Fail)
        Trace("RxPacket_Upload() : ChkSum(%s) PSN : %d : CMD %d : LEN %d", result == LinkResult::Ok ? "OK" : "ChkSum Error",
              buffer[0], buffer[1], buffer[2]);
    return result;
}

LinkResult CSerialLink::RxPacket_Download(uint8_t* buffer)
{
    uint32_t count;
    LinkResult result = Receive(buffer, count);
    if (result != LinkResult::Fail)
        Trace("RxPacket_Download() : ChkSum(%s) PSN : %d : CMD %d : LEN : %d OFFSET : 0x%x, OFFSET : 0x%x, OFFSET : "
              "0x%x",
              result == LinkResult::Ok ? "OK" : "ChkSum Error", buffer[0], buffer[1], buffer[2], ByteOr0(buffer, count - 1, 4),
              ByteOr0(buffer, count - 1, 5), ByteOr0(buffer, count - 1, 6));
    return result;
}

LinkResult CSerialLink::WaitFrame(uint8_t* buffer, uint64_t& budget, bool& stopped, const std::function<void()>& onEmptyPoll)
{
    stopped = false;
    while (budget > 0) {
        if (!m_bSessionRunning.load(std::memory_order_relaxed)) {
            stopped = true;
            return LinkResult::Fail;
        }
        LinkResult result = RxPacket_Upload(buffer);
        --budget;
        if (result != LinkResult::Fail)
            return result;
        if (onEmptyPoll)
            onEmptyPoll();
        if (Queued() == 0)
            budget -= std::min(budget, m_Idle.Idle(m_Ring) - 1);
    }
    return LinkResult::Fail;
}

LinkResult CSerialLink::SizeRequest(uint8_t type, uint32_t& size, const LinkReport& report)
{
    size = 0;
    uint8_t buffer[kSerialRxBufferSize];
    bool repeat = settings::TraitsOfModel(m_State.StbModelId()).repeatsSizeRequest;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        uint8_t body[4] = {m_State.NextPsn(), CMD_SIZE_REQ, 1, type};
        // Only the reply decides: a request lost on the way costs the attempt's wait.
        (void)SendPacket(body);
        bool stopped;
        uint64_t budget = m_Budgets.sizeReply;
        LinkResult result = WaitFrame(buffer, budget, stopped,
                                      repeat ? std::function<void()>([&] { (void)SendPacket(body); }) : nullptr);
        if (stopped)
            return LinkResult::Fail;
        if (result == LinkResult::Fail)
            continue;
        // The first frame decides.
        if (result == LinkResult::Ok && buffer[0] == body[0] && buffer[1] == CMD_SIZE_REPLY && buffer[2] >= 3) {
            size = GetBe24(buffer + 3);
            if (size != 0)
                return LinkResult::Ok;
            report.Status("Communication Error!! ( RxPacket dataSize = 0 )");
            return LinkResult::CommError;
        }
        break;
    }
    report.Status("Communication Error!!(TIMEOUT1)");
    return LinkResult::Fail;
}

LinkResult CSerialLink::BlockRead(uint8_t type, uint32_t offset, uint32_t length, uint8_t* dest, const LinkReport& report)
{
    uint8_t buffer[kSerialRxBufferSize];
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        uint8_t body[3 + kSerialReadRequestSize] = {m_State.NextPsn(), CMD_READ_REQ, kSerialReadRequestSize};
        EncodeSerialReadRequest({length, offset}, body + 3);
        if (SendPacket(body) != LinkResult::Ok)
            continue;
        // Frames that are not the answer (a late reply to an earlier attempt) are passed over.
        uint64_t budget = m_Budgets.blockReply;
        for (;;) {
            bool stopped;
            LinkResult result = WaitFrame(buffer, budget, stopped);
            if (stopped)
                return LinkResult::Fail;
            if (result != LinkResult::Ok)
                break;
            if (buffer[0] == body[0] && buffer[1] == CMD_READ_DATA && buffer[2] == length) {
                std::memcpy(dest + offset, buffer + 3, length);
                return LinkResult::Ok;
            }
            Trace("BlockRead(): passed over PSN %d CMD %d while waiting for PSN %d", buffer[0], buffer[1], body[0]);
        }
        Trace("BlockRead(): type %d offset %u attempt %d failed", type, offset, attempt + 1);
    }
    report.Status("Communication Error!! (TIME OUT2)");
    return LinkResult::Fail;
}

LinkResult CSerialLink::ReadData(uint8_t type, uint8_t* dest, uint32_t capacity, uint32_t& size, const LinkReport& report)
{
    if (!IsKnownDataType(type)) {
        m_Prompter.Notify("Invaild Data Type!!!", "Notice", PromptIcon::Error);
        return LinkResult::UnknownType;
    }
    if (LinkResult result = SizeRequest(type, size, report); result != LinkResult::Ok)
        return result;
    return ReadInBlocks(
        type, size, capacity, kSerialBlockSize, [this] { return m_bSessionRunning.load(); },
        [&](uint32_t offset, uint32_t length) { return BlockRead(type, offset, length, dest, report); }, report);
}

LinkResult CSerialLink::SendReadData(uint8_t psn, const uint8_t* data, uint8_t length)
{
    return SendFrame(psn, CMD_READ_DATA, data, length);
}
