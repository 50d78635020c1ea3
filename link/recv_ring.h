// m_QueueRead: the serial receive ring. One producer (the watch thread) writes head,
// one consumer (the transfer worker) writes tail; no lock on the data path.
#pragma once
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class CRecvRing {
public:
    static constexpr uint32_t kSize = 8192;
    static constexpr uint32_t kCapacity = kSize - 1;   // one slot stays free: head == tail means empty

    uint32_t Count() const;
    // Producer side.
    [[nodiscard]] bool Put(uint8_t byte);
    // Puts all n bytes in order when they fit (n < kSize - Count()), else none of them.
    [[nodiscard]] bool PutBlock(const uint8_t* data, uint32_t n);
    // Consumer side.
    [[nodiscard]] bool Get(uint8_t& byte);
    // Blocks until a byte is queued or the time-out passes; true when bytes are queued.
    bool WaitForData(std::chrono::microseconds timeout) const;
    // Only while neither side runs (the channel is closed).
    void Clear();
    // Counts the clears, so that a consumer can drop what it kept of the bytes before.
    uint32_t Clears() const { return m_Clears.load(std::memory_order_acquire); }

private:
    void WakeConsumer();

    std::array<uint8_t, kSize> m_Data{};
    std::atomic<uint32_t> m_Head{0};
    std::atomic<uint32_t> m_Tail{0};
    std::atomic<uint32_t> m_Clears{0};
    mutable std::atomic<int> m_Waiters{0};
    mutable std::mutex m_WaitLock;
    mutable std::condition_variable m_DataArrived;
};
