// The loader's side of a settings download: which bytes of the download image to ask for
// next (the container header, then each chunk's head and data), the checks of the header
// and of every chunk's checksum, and the unpacked flash image and EEPROM block.
#pragma once
#include "link/link_frame.h"
#include "tools/stb_sim/sim_image.h"

#include <cstdint>
#include <string>
#include <vector>

// What a download fills: it says which range to read next and checks what arrives.
class DownloadTarget {
public:
    virtual ~DownloadTarget() = default;
    // The next range to read, at most maxRead bytes; length 0 when finished or failed.
    virtual ReadRequest Next(uint32_t maxRead) const = 0;
    // The bytes of the range Next gave; false when they fail a check.
    virtual bool Take(const uint8_t* data, uint32_t length) = 0;
    virtual bool Finished() const = 0;
    virtual bool Failed() const = 0;
    virtual const std::string& Error() const = 0;
    // Once Finished: keeps what was received; false when it cannot be written to outputPath.
    virtual bool Deliver(SimImageStore& store, const std::string& outputPath) = 0;
};

class DownloadAssembler : public DownloadTarget {
public:
    explicit DownloadAssembler(uint16_t systemId);
    ReadRequest Next(uint32_t maxRead) const override;
    bool Take(const uint8_t* data, uint32_t length) override;
    bool Finished() const override { return m_Stage == Stage::Done; }
    bool Failed() const override { return m_Stage == Stage::Failed; }
    const std::string& Error() const override { return m_Error; }
    // Replaces the held image and writes it as a settings file when outputPath is set.
    bool Deliver(SimImageStore& store, const std::string& outputPath) override;
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
