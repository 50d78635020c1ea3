#include "link/rx_idle.h"

#include <algorithm>
#include <chrono>

uint64_t RingWaitIdle::Idle(const CRecvRing& ring)
{
    auto start = std::chrono::steady_clock::now();
    ring.WaitForData(std::chrono::milliseconds(1));
    auto waited = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start);
    return std::max<uint64_t>(1, uint64_t(waited.count()) / kNanosecondsPerPoll);
}
