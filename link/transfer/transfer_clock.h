// The waits of the transfer dialogs that the behaviour counts (settle polls, the 100 ms
// polls for a closing worker, the pauses before a restart), so that tests can run them
// without sleeping.
#pragma once
#include <chrono>

class TransferClock {
public:
    virtual ~TransferClock() = default;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// Sleeps for real.
TransferClock& SystemClock();
