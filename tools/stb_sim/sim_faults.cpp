#include "tools/stb_sim/sim_faults.h"

ReplyFault SimFaults::ForReply(uint32_t number) const
{
    std::lock_guard lock(m_Lock);
    if (m_Plan.silentFromReply && number >= m_Plan.silentFromReply)
        return ReplyFault::Silent;
    if (m_Plan.dropReply.count(number))
        return ReplyFault::Drop;
    if (m_Plan.corruptReply.count(number))
        return ReplyFault::Corrupt;
    if (m_Plan.wrongPsnReply.count(number))
        return ReplyFault::WrongPsn;
    if (m_Plan.leaveAtReply.count(number))
        return ReplyFault::LeaveBus;
    if (m_Plan.stallAtReply.count(number))
        return ReplyFault::Stall;
    return ReplyFault::None;
}

bool SimFaults::RepeatRequest(uint32_t number) const
{
    std::lock_guard lock(m_Lock);
    return m_Plan.repeatReadRequest.count(number) != 0;
}

bool SimFaults::EndsAtRequest(uint32_t number) const
{
    std::lock_guard lock(m_Lock);
    return m_Plan.endAtRequest == number;
}

bool SimFaults::TakeResync()
{
    std::lock_guard lock(m_Lock);
    if (m_Plan.resyncCount == 0)
        return false;
    --m_Plan.resyncCount;
    return true;
}

std::optional<uint8_t> SimFaults::HelloModelId() const
{
    std::lock_guard lock(m_Lock);
    return m_Plan.helloModelId;
}

std::optional<uint8_t> SimFaults::HelloLayoutVersion() const
{
    std::lock_guard lock(m_Lock);
    return m_Plan.helloLayoutVersion;
}

std::chrono::milliseconds SimFaults::HelloBodyDelay() const
{
    std::lock_guard lock(m_Lock);
    return m_Plan.helloBodyDelay;
}

void SimFaults::Arm(ReplyFault fault, uint32_t number)
{
    std::lock_guard lock(m_Lock);
    switch (fault) {
    case ReplyFault::Drop: m_Plan.dropReply.insert(number); break;
    case ReplyFault::Corrupt: m_Plan.corruptReply.insert(number); break;
    case ReplyFault::WrongPsn: m_Plan.wrongPsnReply.insert(number); break;
    case ReplyFault::LeaveBus: m_Plan.leaveAtReply.insert(number); break;
    case ReplyFault::Stall: m_Plan.stallAtReply.insert(number); break;
    case ReplyFault::Silent: m_Plan.silentFromReply = number; break;
    case ReplyFault::None: break;
    }
}

void SimFaults::SetSilent(bool silent, uint32_t fromNumber)
{
    std::lock_guard lock(m_Lock);
    m_Plan.silentFromReply = silent ? fromNumber : 0;
}
