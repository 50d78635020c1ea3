// How the serial receivers spend a poll that finds m_QueueRead empty. Their waits are
// counted in polls; a wait stands for as many polls as the time it took.
#pragma once
#include "link/recv_ring.h"

#include <cstdint>

class RxIdle {
public:
    virtual ~RxIdle() = default;
    // Returns the number of polls the wait stands for, at least 1.
    virtual uint64_t Idle(const CRecvRing& ring) = 0;
};

// Sleeps on the ring up to 1 ms at a time and counts 10 ns a poll, so a budget of
// 100,000,000 polls lasts about a second without keeping a core busy.
class RingWaitIdle : public RxIdle {
public:
    static constexpr uint64_t kNanosecondsPerPoll = 10;
    uint64_t Idle(const CRecvRing& ring) override;
};

// One poll per call and no waiting: budgets become exact poll counts (tests, fuzzing).
class CountingIdle : public RxIdle {
public:
    uint64_t idleCalls = 0;
    uint64_t Idle(const CRecvRing&) override
    {
        ++idleCalls;
        return 1;
    }
};
