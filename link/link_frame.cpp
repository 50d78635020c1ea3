#include "link/link_frame.h"

#include <algorithm>

uint8_t LinkSum(const uint8_t* data, size_t n)
{
    // Blocks of a fixed length, which the compiler adds many bytes at a time; a 32-bit sum
    // that wraps still ends in the right low byte.
    constexpr size_t kBlock = 64;
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + kBlock <= n; i += kBlock)
        for (size_t j = 0; j < kBlock; ++j)
            sum += data[i + j];
    for (; i < n; ++i)
        sum += data[i];
    return uint8_t(sum);
}

uint32_t RoundUpTo(uint32_t n, uint32_t multiple)
{
    return multiple ? (n + multiple - 1) / multiple * multiple : n;
}

uint32_t EncodeSerialFrame(uint8_t psn, uint8_t cmd, const uint8_t* payload, uint8_t len, uint8_t* out)
{
    std::copy(kLinkMagic.begin(), kLinkMagic.end(), out);
    out[4] = psn;
    out[5] = cmd;
    out[6] = len;
    std::copy(payload, payload + len, out + 7);
    out[7 + len] = LinkSum(out + 4, len + 3u);
    return len + kSerialFrameOverhead;
}

uint32_t EncodeUsbFrame(uint8_t psn, uint8_t cmd, const uint8_t* payload, uint16_t len, uint8_t* out)
{
    std::copy(kLinkMagic.begin(), kLinkMagic.end(), out);
    out[4] = psn;
    out[5] = cmd;
    out[6] = uint8_t(len >> 8);
    out[7] = uint8_t(len);
    std::copy(payload, payload + len, out + 8);
    out[8 + len] = LinkSum(out + 4, len + 4u);
    return len + kUsbFrameOverhead;
}

std::vector<uint8_t> SerialFrameBytes(const LinkFrame& frame)
{
    std::vector<uint8_t> out(frame.payload.size() + kSerialFrameOverhead);
    EncodeSerialFrame(frame.psn, frame.cmd, frame.payload.data(), uint8_t(frame.payload.size()), out.data());
    return out;
}

std::vector<uint8_t> UsbFrameBytes(const LinkFrame& frame)
{
    std::vector<uint8_t> out(frame.payload.size() + kUsbFrameOverhead);
    EncodeUsbFrame(frame.psn, frame.cmd, frame.payload.data(), uint16_t(frame.payload.size()), out.data());
    return out;
}

void PutBe24(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 16);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v);
}

uint32_t GetBe24(const uint8_t* p)
{
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

void EncodeHello(const HelloPayload& hello, uint8_t* out)
{
    out[0] = uint8_t(hello.systemId >> 8);
    out[1] = uint8_t(hello.systemId);
    std::copy(hello.header.begin(), hello.header.end(), out + 2);
}

std::span<const uint8_t> SerialPayload(const uint8_t* frame)
{
    return {frame + 3, frame[2]};
}

std::optional<HelloPayload> DecodeHello(std::span<const uint8_t> payload)
{
    if (payload.size() < kHelloPayloadSize)
        return std::nullopt;
    HelloPayload hello;
    hello.systemId = uint16_t(payload[0] << 8 | payload[1]);
    std::copy_n(payload.begin() + 2, kFlashHeaderCopySize, hello.header.begin());
    return hello;
}

void EncodeSerialReadRequest(const ReadRequest& request, uint8_t* out)
{
    out[0] = uint8_t(request.length);
    PutBe24(out + 1, request.offset);
}

std::optional<ReadRequest> DecodeSerialReadRequest(std::span<const uint8_t> payload)
{
    if (payload.size() < kSerialReadRequestSize)
        return std::nullopt;
    return ReadRequest{payload[0], GetBe24(payload.data() + 1)};
}

void EncodeUsbReadRequest(const ReadRequest& request, uint8_t* out)
{
    out[0] = uint8_t(request.length >> 8);
    out[1] = uint8_t(request.length);
    PutBe24(out + 2, request.offset);
}

std::optional<ReadRequest> DecodeUsbReadRequest(std::span<const uint8_t> payload)
{
    if (payload.size() < kUsbReadRequestSize)
        return std::nullopt;
    return ReadRequest{uint32_t(payload[0] << 8 | payload[1]), GetBe24(payload.data() + 2)};
}
