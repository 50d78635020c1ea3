// Arbitrary byte streams through m_QueueRead into RxPacket_Upload / RxPacket_Download,
// arriving in pieces of the sizes the first input byte picks.
#include "common/prompter.h"
#include "link/serial_channel.h"
#include "link/serial_link.h"

#include <cstdlib>

namespace {
class NullWriter : public SerialWriter {
public:
    int Write(const uint8_t*, uint32_t n) override { return int(n); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    CRecvRing ring;
    NullWriter writer;
    LinkState state;
    std::atomic<bool> running{true};
    SilentPrompter prompter;
    CountingIdle idle;
    CSerialLink link(ring, writer, state, running, prompter, idle);
    link.m_Budgets.frame = 64;
    uint32_t piece = data[0] % 64 + 1;
    uint8_t buffer[kSerialRxBufferSize];
    size_t at = 1;
    bool download = data[0] & 0x80;
    while (at < size || ring.Count() > 0) {
        uint32_t n = uint32_t(std::min<size_t>(piece, size - at));
        if (n > 0 && ring.PutBlock(data + at, n))
            at += n;
        LinkResult result = download ? link.RxPacket_Download(buffer) : link.RxPacket_Upload(buffer);
        if (result != LinkResult::Ok && result != LinkResult::Fail && result != LinkResult::Checksum)
            std::abort();
        if (result == LinkResult::Ok && LinkSum(buffer, buffer[2] + 3u) != buffer[buffer[2] + 3])
            std::abort();
        if (result == LinkResult::Fail && at >= size && ring.Count() == 0)
            break;
    }
    return 0;
}
