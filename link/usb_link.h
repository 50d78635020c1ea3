// The link protocol on the USB bulk pipes: padded frames, the frame reader with its
// second read, the download and upload handshakes, and the size request, block read and
// read-request answer transactions.
#pragma once
#include "link/link_state.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

class Prompter;
class UsbBulkPort;

constexpr uint32_t kUsbFlashBlockSize = 30000;
constexpr uint32_t kUsbEepromBlockSize = 1024;

enum class UsbHandshake { Ok, NoAnswer, InvalidStbType };

class CUsbLink {
public:
    CUsbLink(UsbBulkPort& port, LinkState& state, Prompter& prompter);

    // magic + frame + SUM, padded to a whole multiple of the IN packet size; true when all went out.
    [[nodiscard]] bool SendFrame(uint8_t psn, uint8_t cmd, const uint8_t* payload = nullptr, uint16_t len = 0);
    // Reads one frame of at most maxFrame bytes (magic and SUM included).
    // 0 a frame, -2 a wrong SUM, -1 nothing or a wrong length. Frame() then holds
    // PSN, CMD, LEN (2 bytes), payload, SUM.
    LinkResult ReceiveFrame(uint32_t maxFrame);
    const uint8_t* Frame() const { return m_Rx.data() + kLinkMagic.size(); }
    uint16_t FrameLength() const { return uint16_t(Frame()[2] << 8 | Frame()[3]); }
    const uint8_t* FramePayload() const { return Frame() + 4; }
    std::span<const uint8_t> Payload() const { return {FramePayload(), FrameLength()}; }

    // CMD_HELLO (download) or CMD_UPLOAD_REQ (upload) and the STB's CMD_HELLO_ACK; a download
    // also needs the STB's modelId and layoutVersion to equal the held default-layout header.
    UsbHandshake Handshake(bool download);
    LinkResult SizeRequest(uint8_t type, uint32_t& size, const LinkReport& report);
    LinkResult BlockRead(uint8_t type, uint32_t offset, uint32_t length, uint8_t* dest, const LinkReport& report);
    // Size request, then every block of the type; fails when the size exceeds capacity.
    LinkResult ReadData(uint8_t type, uint8_t* dest, uint32_t capacity, uint32_t& size, const LinkReport& report);
    [[nodiscard]] bool SendReadData(uint8_t psn, const uint8_t* data, uint16_t length);

    // Checked before each block; a cleared flag ends a read as failed without a message.
    const std::atomic<bool>* m_pRunning = nullptr;

private:
    uint32_t ReadTransfer(uint8_t* into, uint32_t length);

    UsbBulkPort& m_Port;
    LinkState& m_State;
    Prompter& m_Prompter;
    std::vector<uint8_t> m_Tx;
    std::vector<uint8_t> m_Rx;
};

uint32_t UsbBlockLimit(uint8_t type);
