// Messages between the USB simulation back end and the simulated device on a
// Unix-domain stream socket: a 10-byte head (type, id, endpoint, length, big-endian)
// and the data. A connection is the device attached; its close is the removal.
#pragma once
#include <cstdint>
#include <vector>

enum class SimMsg : uint8_t {
    Descriptors = 1,    // device to host on attach: device descriptor (18 bytes), then the configuration
    Control = 2,        // host to device: the 8-byte setup packet of a device-to-host request
    ControlReply = 3,   // device to host: the data stage
    ControlStall = 4,   // device to host: the request is refused
    BulkOut = 5,        // host to device: one OUT transfer
    InRequest = 6,      // host to device: an IN transfer of up to the 4-byte length may start
    BulkIn = 7,         // device to host: the data of IN transfer id
    InCancel = 8,       // host to device: IN transfer id is cancelled
};

struct SimMessage {
    SimMsg type = SimMsg::Descriptors;
    uint32_t id = 0;
    uint8_t endpoint = 0;
    std::vector<uint8_t> data;
};

constexpr uint32_t kSimHeadSize = 10;
constexpr uint32_t kSimMaxData = 0x110000;

enum class SimRead { Message, Closed, Malformed, TimedOut };

std::vector<uint8_t> EncodeSimMessage(const SimMessage& message);
// Whole message or nothing; false when the peer is gone.
[[nodiscard]] bool WriteSimMessage(int fd, const SimMessage& message);
// Waits up to timeoutMs (-1: no limit) for a message to start, then reads all of it.
SimRead ReadSimMessage(int fd, SimMessage& message, int timeoutMs);
