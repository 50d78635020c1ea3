// What the link learns of the STB and keeps between transactions: the session sequence
// byte _psn, the systemId and the held flash header copies by layout family.
#pragma once
#include "link/link_frame.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

struct LinkState {
    uint8_t _psn = 0;
    uint16_t systemId = 0;
    std::array<uint8_t, kFlashHeaderCopySize> headerDefault{};   // default layout and modelId 10
    std::array<uint8_t, 36> header36{};                           // modelId 8 and 12
    std::array<uint8_t, kFlashHeaderCopySize> header13{};        // modelId 13

    uint8_t NextPsn() { return ++_psn; }
    uint8_t StbModelId() const { return headerDefault[kHeaderModelIdAt]; }
    void AdoptHello(const HelloPayload& hello)
    {
        systemId = hello.systemId;
        headerDefault = hello.header;
    }
};

// Result codes of the link transactions, with the values the loader's procedures give them.
enum class [[nodiscard]] LinkResult : int {
    Ok = 0,
    Fail = -1,          // no frame, a wrong length, a spent budget or a stopped session
    Checksum = -2,      // a frame with a wrong SUM
    CommError = -3,     // a block that failed all its attempts, or a size of 0
    UnknownType = -6,   // a data type the loader does not know
};

// Where a transaction reports: the status line, and bytes read so far of a data type.
struct LinkReport {
    std::function<void(const std::string& text)> status;
    std::function<void(uint32_t done, uint32_t size)> progress;
    void Status(const std::string& text) const
    {
        if (status)
            status(text);
    }
};

bool IsKnownDataType(uint8_t type);

// The block loop of a data read after its size request: refuses a size beyond capacity,
// then reads blocks of at most blockLimit through readBlock(offset, length), reporting the
// bytes read; a cleared keepGoing ends it as failed.
LinkResult ReadInBlocks(uint8_t type, uint32_t size, uint32_t capacity, uint32_t blockLimit,
                        const std::function<bool()>& keepGoing,
                        const std::function<LinkResult(uint32_t offset, uint32_t length)>& readBlock,
                        const LinkReport& report);
