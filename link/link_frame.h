// LinkFrame: the packets between the PC and the STB's loader, their two framings
// (serial: 8-bit LEN; USB: 16-bit big-endian LEN, padded), the SUM and the payload records.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

enum : uint8_t {
    CMD_HELLO = 1,
    CMD_HELLO_ACK = 2,
    CMD_UPLOAD_REQ = 3,
    CMD_READ_REQ = 4,
    CMD_READ_DATA = 5,
    CMD_END = 6,
    CMD_SIZE_REQ = 7,
    CMD_SIZE_REPLY = 8,
    CMD_REBOOT = 11,
    CMD_RESYNC = 255,
};

enum : uint8_t { DATA_FLASH = 2, DATA_EEPROM = 3, DATA_PREPROGRAM = 4 };

inline constexpr std::array<uint8_t, 4> kLinkMagic = {'Z', 'e', 'N', 'o'};
constexpr uint32_t kSerialFrameOverhead = 8;        // magic, PSN, CMD, LEN, SUM
constexpr uint32_t kUsbFrameOverhead = 9;           // magic, PSN, CMD, LEN (2), SUM
constexpr uint32_t kSerialMaxPayload = 255;
constexpr uint32_t kUsbMaxPayload = 65535;
constexpr uint32_t kFlashHeaderCopySize = 32;
constexpr uint32_t kHelloPayloadSize = 2 + kFlashHeaderCopySize;
constexpr uint32_t kHelloAckFrameSize = kUsbFrameOverhead + kHelloPayloadSize;   // 43
constexpr uint32_t kHeaderModelIdAt = 7;
constexpr uint32_t kHeaderLayoutVersionAt = 12;

struct LinkFrame {
    uint8_t psn = 0;
    uint8_t cmd = 0;
    std::vector<uint8_t> payload;
};

uint8_t LinkSum(const uint8_t* data, size_t n);
// The payload of a received serial frame (PSN, CMD, LEN, payload, SUM): LEN bytes.
std::span<const uint8_t> SerialPayload(const uint8_t* frame);
uint32_t RoundUpTo(uint32_t n, uint32_t multiple);   // multiple 0 leaves n unchanged

// Both write the whole frame to out and return its length (len + 8 or len + 9, unpadded).
uint32_t EncodeSerialFrame(uint8_t psn, uint8_t cmd, const uint8_t* payload, uint8_t len, uint8_t* out);
uint32_t EncodeUsbFrame(uint8_t psn, uint8_t cmd, const uint8_t* payload, uint16_t len, uint8_t* out);
std::vector<uint8_t> SerialFrameBytes(const LinkFrame& frame);
std::vector<uint8_t> UsbFrameBytes(const LinkFrame& frame);

struct HelloPayload {
    uint16_t systemId = 0;
    std::array<uint8_t, kFlashHeaderCopySize> header{};
};
void EncodeHello(const HelloPayload& hello, uint8_t* out);
// The decoders take a payload as it came from the loader; nothing when it is too short.
std::optional<HelloPayload> DecodeHello(std::span<const uint8_t> payload);

struct ReadRequest {
    uint32_t length = 0;
    uint32_t offset = 0;   // 24 bits on the wire
};
// The largest image a loader can read whole: from here on a 24-bit offset starts again at 0.
constexpr uint64_t kMaxServedImageSize = uint64_t(1) << 24;
constexpr uint32_t kSerialReadRequestSize = 4;
constexpr uint32_t kUsbReadRequestSize = 5;
void EncodeSerialReadRequest(const ReadRequest& request, uint8_t* out);
std::optional<ReadRequest> DecodeSerialReadRequest(std::span<const uint8_t> payload);
void EncodeUsbReadRequest(const ReadRequest& request, uint8_t* out);
std::optional<ReadRequest> DecodeUsbReadRequest(std::span<const uint8_t> payload);

void PutBe24(uint8_t* p, uint32_t v);
uint32_t GetBe24(const uint8_t* p);
