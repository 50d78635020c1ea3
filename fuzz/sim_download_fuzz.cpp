// Arbitrary download image files read by the simulated loader's download assembler,
// in the read sizes the first input byte picks.
#include "tools/stb_sim/download_assembler.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    uint32_t maxRead = uint32_t(data[0]) * 16 + 1;
    DownloadAssembler assembler(uint16_t(data[1] << 8));
    const uint8_t* file = data + 2;
    size_t fileSize = size - 2;
    for (;;) {
        ReadRequest next = assembler.Next(maxRead);
        if (next.length == 0 || next.offset + next.length > fileSize)
            break;
        if (!assembler.Take(file + next.offset, next.length))
            break;
    }
    if (assembler.Finished() && (assembler.Image().flash.size() != kSimFlashSize || assembler.Failed()))
        std::abort();
    return 0;
}
