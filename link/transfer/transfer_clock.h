// The waits of the transfer workers that the behaviour counts (settle polls), so that
// tests can run them without sleeping. Waits on the window's thread go through the
// window's PostAfter instead.
#pragma once
#include <chrono>

class TransferClock {
public:
    virtual ~TransferClock() = default;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// Sleeps for real.
class CSleepingClock : public TransferClock {
public:
    void Sleep(std::chrono::milliseconds duration) override;
};
