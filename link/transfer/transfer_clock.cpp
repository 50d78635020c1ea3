#include "link/transfer/transfer_clock.h"

#include <thread>

namespace {
class SleepingClock : public TransferClock {
public:
    void Sleep(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }
};
}  // namespace

TransferClock& SystemClock()
{
    static SleepingClock clock;
    return clock;
}
