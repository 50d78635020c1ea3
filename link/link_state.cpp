#include "link/link_state.h"

#include "common/trace.h"

#include <algorithm>

bool IsKnownDataType(uint8_t type)
{
    return type == DATA_FLASH || type == DATA_EEPROM || type == DATA_PREPROGRAM;
}

LinkResult ReadInBlocks(uint8_t type, uint32_t size, uint32_t capacity, uint32_t blockLimit,
                        const std::function<bool()>& keepGoing,
                        const std::function<LinkResult(uint32_t offset, uint32_t length)>& readBlock,
                        const LinkReport& report)
{
    if (size > capacity) {
        Trace("ReadData(): type %d reports %u bytes, room for %u", type, size, capacity);
        return LinkResult::Fail;
    }
    if (report.progress)
        report.progress(0, size);
    for (uint32_t offset = 0; offset < size;) {
        if (!keepGoing())
            return LinkResult::Fail;
        const uint32_t length = std::min(blockLimit, size - offset);
        if (LinkResult result = readBlock(offset, length); result != LinkResult::Ok)
            return result;
        offset += length;
        if (report.progress)
            report.progress(offset, size);
    }
    return LinkResult::Ok;
}
