// The loader's side of a settings download: which bytes of the download image to ask for
// next (the container header, then each chunk's head and data), the checks of the header
// and of every chunk's checksum, and the unpacked flash image and EEPROM block.
#pragma once
#include "link/link_frame.h"
#include "tools/stb_sim/sim_image.h"

#include <cstdint>
#include <string>
#include <vector>

class DownloadAssembler {
public:
    explicit DownloadAssembler(uint16_t systemId);
    // The next range to read, at most maxRead bytes; length 0 when finished or failed.
    ReadRequest Next(uint32_t maxRead) const;
    // The bytes of the range Next gave; false when they fail a check.
    bool Take(const uint8_t* data, uint32_t length);
    bool Finished() const { return m_Stage == Stage::Done; }
    bool Failed() const { return m_Stage == Stage::Failed; }
    const std::string& Error() const { return m_Error; }
    // The received image, once Finished.
    StbImage Image() const;

private:
    enum class Stage { Header, ChunkHead, ChunkData, Done, Failed };
    bool Fail(const std::string& error);
    bool TakeHeader();
    bool TakeChunkHead();
    bool TakeChunk();
    void NextChunkOrDone();

    uint16_t m_SystemId;
    Stage m_Stage = Stage::Header;
    uint32_t m_Pos = 0;
    std::vector<uint8_t> m_Part;   // bytes of the current header or chunk so far
    uint32_t m_PartSize = 10;   // the container header first
    uint16_t m_ChunksLeft = 0;
    std::vector<uint8_t> m_Flash;
    std::vector<uint8_t> m_Eeprom;
    std::string m_Error;
};
