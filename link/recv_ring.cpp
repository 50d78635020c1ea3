#include "link/recv_ring.h"

#include <algorithm>

uint32_t CRecvRing::Count() const
{
    return (m_Head.load(std::memory_order_acquire) - m_Tail.load(std::memory_order_acquire) + kSize) % kSize;
}

bool CRecvRing::Put(uint8_t byte)
{
    return PutBlock(&byte, 1);
}

bool CRecvRing::PutBlock(const uint8_t* data, uint32_t n)
{
    if (n >= kSize - Count())
        return false;
    uint32_t head = m_Head.load(std::memory_order_relaxed);
    uint32_t first = std::min(n, kSize - head);
    std::copy(data, data + first, m_Data.begin() + head);
    std::copy(data + first, data + n, m_Data.begin());
    m_Head.store((head + n) % kSize, std::memory_order_seq_cst);
    WakeConsumer();
    return true;
}

bool CRecvRing::Get(uint8_t& byte)
{
    uint32_t tail = m_Tail.load(std::memory_order_relaxed);
    if (tail == m_Head.load(std::memory_order_acquire))
        return false;
    byte = m_Data[tail];
    m_Tail.store((tail + 1) % kSize, std::memory_order_release);
    return true;
}

void CRecvRing::WakeConsumer()
{
    if (m_Waiters.load(std::memory_order_seq_cst) == 0)
        return;
    { std::lock_guard lock(m_WaitLock); }
    m_DataArrived.notify_all();
}

bool CRecvRing::WaitForData(std::chrono::microseconds timeout) const
{
    m_Waiters.fetch_add(1, std::memory_order_seq_cst);
    std::unique_lock lock(m_WaitLock);
    bool queued = m_DataArrived.wait_for(lock, timeout, [this] { return Count() != 0; });
    lock.unlock();
    m_Waiters.fetch_sub(1, std::memory_order_seq_cst);
    return queued;
}

void CRecvRing::Clear()
{
    m_Data.fill(0);
    m_Head.store(0);
    m_Tail.store(0);
    m_Clears.fetch_add(1, std::memory_order_release);
}
