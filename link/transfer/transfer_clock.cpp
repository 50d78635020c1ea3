#include "link/transfer/transfer_clock.h"

#include <thread>

void CSleepingClock::Sleep(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}
