// Faults the simulated loader injects on request. Replies (CMD_HELLO_ACK, CMD_SIZE_REPLY,
// CMD_READ_DATA) and a download's read requests are numbered from 1 in the order the
// loader sends them.
#pragma once
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>

enum class ReplyFault { None, Drop, Corrupt, WrongPsn, Silent, LeaveBus, Stall };

struct SimFaultPlan {
    std::set<uint32_t> dropReply;
    std::set<uint32_t> corruptReply;      // sent with a wrong SUM
    std::set<uint32_t> wrongPsnReply;
    std::set<uint32_t> leaveAtReply;      // USB: the device leaves the bus instead of answering
    std::set<uint32_t> stallAtReply;      // USB: the IN endpoint is halted instead of answering
    uint32_t silentFromReply = 0;         // 0: never; else no reply from that one on
    std::set<uint32_t> repeatReadRequest; // download: read requests (from 1) sent twice in a row
    uint32_t endAtRequest = 0;            // download: CMD_END instead of that read request (0: never)
    std::optional<uint8_t> helloModelId;  // reported in the hello instead of the image's
    std::optional<uint8_t> helloLayoutVersion;
    uint32_t resyncCount = 0;             // serial: answer that many upload choices with CMD_RESYNC
    std::chrono::milliseconds helloBodyDelay{0};   // serial: the hello's body follows its magic that late
};

class SimFaults {
public:
    explicit SimFaults(SimFaultPlan plan = {}) : m_Plan(std::move(plan)) {}
    ReplyFault ForReply(uint32_t number) const;
    bool RepeatRequest(uint32_t number) const;
    bool EndsAtRequest(uint32_t number) const;
    bool TakeResync();
    std::optional<uint8_t> HelloModelId() const;
    std::optional<uint8_t> HelloLayoutVersion() const;
    std::chrono::milliseconds HelloBodyDelay() const;
    // Control commands: the fault applies to the reply with that number.
    void Arm(ReplyFault fault, uint32_t number);
    void SetSilent(bool silent, uint32_t fromNumber);

private:
    mutable std::mutex m_Lock;
    SimFaultPlan m_Plan;
};
