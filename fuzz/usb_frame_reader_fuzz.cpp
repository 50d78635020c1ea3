// Arbitrary device transfers through the USB frame reader. The first input byte picks the
// packet size, each transfer is a length byte and that many bytes.
#include "common/prompter.h"
#include "usb/usb_bulk_port.h"
#include "link/usb_link.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {
class FuzzPort : public UsbBulkPort {
public:
    uint32_t packet = 64;
    std::deque<std::vector<uint8_t>> transfers;
    uint32_t InPacketSize() const override { return packet; }
    uint32_t OutPacketSize() const override { return packet; }
    bool Write(const uint8_t*, uint32_t length) override { return length % packet == 0; }
    uint32_t Read(uint8_t* buffer, uint32_t length) override
    {
        if (length % packet || transfers.empty())
            return 0;
        std::vector<uint8_t>& front = transfers.front();
        uint32_t n = std::min<uint32_t>(length, uint32_t(front.size()));
        if (n)
            std::memcpy(buffer, front.data(), n);
        front.erase(front.begin(), front.begin() + n);
        if (front.empty())
            transfers.pop_front();
        return n;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FuzzPort port;
    const uint32_t sizes[] = {8, 16, 64, 512};
    port.packet = sizes[data[0] % 4];
    for (size_t at = 1; at < size;) {
        size_t n = std::min<size_t>(size_t(data[at]) * 4 + 1, size - at - 1);
        port.transfers.emplace_back(data + at + 1, data + at + 1 + n);
        at += n + 1;
    }
    LinkState state;
    SilentPrompter prompter;
    CUsbLink link(port, state, prompter);
    while (!port.transfers.empty()) {
        LinkResult result = link.ReceiveFrame(uint32_t(data[0]) * 300 + 64);
        if (result == LinkResult::Ok && LinkSum(link.Frame(), link.FrameLength() + 4u) != link.Frame()[link.FrameLength() + 4])
            std::abort();
        if (result != LinkResult::Ok && result != LinkResult::Fail && result != LinkResult::Checksum)
            std::abort();
    }
    state.headerDefault[7] = data[0];
    port.transfers.emplace_back(data, data + size);
    link.Handshake(data[0] & 1);
    return 0;
}
