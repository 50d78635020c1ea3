// The link protocol on the serial channel: SendPacket, the frame receivers
// RxPacket_Upload / RxPacket_Download, and the size request, block read and read-request
// answer transactions with their retries and PSN rules.
#pragma once
#include "link/link_state.h"
#include "link/recv_ring.h"
#include "link/rx_idle.h"

#include <atomic>
#include <cstdint>
#include <functional>

class Prompter;
class SerialWriter;

struct SerialPollBudgets {
    uint64_t frame = 100'000'000;       // one frame's body, once its magic has started
    uint64_t sizeReply = 100'000'000;   // each attempt of a size request
    uint64_t blockReply = 20'000'000;   // each attempt of a block read
};

constexpr uint32_t kSerialBlockSize = 255;
constexpr uint32_t kSerialRxBufferSize = 3 + kSerialMaxPayload + 1;   // PSN, CMD, LEN, payload, SUM

class CSerialLink {
public:
    CSerialLink(CRecvRing& ring, SerialWriter& writer, LinkState& state, const std::atomic<bool>& sessionRunning,
                Prompter& prompter, RxIdle& idle);

    // body: PSN, CMD, LEN and LEN payload bytes. 0 when magic, body and SUM all went out, else -1.
    LinkResult SendPacket(const uint8_t* body);
    LinkResult SendFrame(uint8_t psn, uint8_t cmd, const uint8_t* payload = nullptr, uint8_t len = 0);
    // buffer (kSerialRxBufferSize bytes) receives PSN, CMD, LEN, payload, SUM.
    // 0 a frame, -2 a frame with a wrong SUM, -1 no frame. A frame whose body is not all
    // there when the budget is spent is kept and completed by the next call; the bytes of
    // a frame with a wrong SUM are searched again for a magic, from their first byte on.
    LinkResult RxPacket_Upload(uint8_t* buffer);
    LinkResult RxPacket_Download(uint8_t* buffer);
    // Polls RxPacket_Upload until a frame or -2 comes, spending budget (polls). onEmptyPoll
    // runs after each poll that yielded nothing. -1 with stopped set when the session ended.
    LinkResult WaitFrame(uint8_t* buffer, uint64_t& budget, bool& stopped, const std::function<void()>& onEmptyPoll = {});

    LinkResult SizeRequest(uint8_t type, uint32_t& size, const LinkReport& report);
    // One block of at most 255 bytes at offset into dest + offset, up to 10 attempts.
    LinkResult BlockRead(uint8_t type, uint32_t offset, uint32_t length, uint8_t* dest, const LinkReport& report);
    // Size request, then every block of the type; fails when the size exceeds capacity.
    LinkResult ReadData(uint8_t type, uint8_t* dest, uint32_t capacity, uint32_t& size, const LinkReport& report);
    // The answer to a read request: CMD_READ_DATA with the request's PSN.
    LinkResult SendReadData(uint8_t psn, const uint8_t* data, uint8_t length);

    SerialPollBudgets m_Budgets;

private:
    LinkResult Receive(uint8_t* buffer, uint32_t& count);
    [[nodiscard]] bool PollByte(uint8_t& byte, uint64_t& polls);
    [[nodiscard]] bool TakeByte(uint8_t& byte);
    uint32_t Queued() const { return m_Ring.Count() + (m_HeldEnd - m_HeldAt); }
    void ForgetIfCleared();
    void HoldFromMagic(const uint8_t* bytes, uint32_t count);

    CRecvRing& m_Ring;
    SerialWriter& m_Writer;
    LinkState& m_State;
    const std::atomic<bool>& m_bSessionRunning;
    Prompter& m_Prompter;
    RxIdle& m_Idle;
    // The frame being received (consumer thread only): magic bytes matched, body so far.
    uint32_t m_Matched = 0;
    uint32_t m_Count = 0;
    uint8_t m_Frame[kSerialRxBufferSize] = {};
    // Bytes of a bad frame given back to the magic search, taken before the ring's.
    uint8_t m_Held[kSerialRxBufferSize] = {};
    uint32_t m_HeldAt = 0;
    uint32_t m_HeldEnd = 0;
    uint32_t m_RingClears = 0;
};
