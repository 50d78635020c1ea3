#include "tools/stb_sim/download_assembler.h"

#include "settings/checksum.h"
#include "settings/lh5_decode.h"

#include <algorithm>

namespace {
constexpr uint32_t kChunkHeadSize = 8;
constexpr uint16_t kFlashChunk = 2;
constexpr uint16_t kEepromChunk = 3;
constexpr uint32_t kMaxChunkField = 0x8000;
constexpr uint32_t kMaxChunkUnpacked = 0x7FFA;
}  // namespace

DownloadAssembler::DownloadAssembler(uint16_t systemId) : m_SystemId(systemId)
{
    m_Flash.reserve(kSimFlashSize);
    m_Eeprom.reserve(kSimEepromSize);
}

ReadRequest DownloadAssembler::Next(uint32_t maxRead) const
{
    if (m_Stage == Stage::Done || m_Stage == Stage::Failed)
        return {0, m_Pos};
    return {std::min(maxRead, m_PartSize - uint32_t(m_Part.size())), m_Pos};
}

bool DownloadAssembler::Fail(const std::string& error)
{
    m_Stage = Stage::Failed;
    m_Error = error;
    return false;
}

bool DownloadAssembler::Take(const uint8_t* data, uint32_t length)
{
    if (m_Stage == Stage::Done || m_Stage == Stage::Failed)
        return false;
    if (length == 0 || m_Part.size() + length > m_PartSize)
        return Fail("reply of the wrong length");
    m_Part.insert(m_Part.end(), data, data + length);
    m_Pos += length;
    if (m_Part.size() < m_PartSize)
        return true;
    switch (m_Stage) {
    case Stage::Header: return TakeHeader();
    case Stage::ChunkHead: return TakeChunkHead();
    default: return TakeChunk();
    }
}

bool DownloadAssembler::TakeHeader()
{
    const uint8_t* h = m_Part.data();
    if (GetBe16(h) != 8 || GetBe16(h + 2) != Crc16(h + 4, 6) || GetBe16(h + 6) != 1)
        return Fail("download image header refused");
    if (GetBe16(h + 4) != m_SystemId)
        return Fail("download image for another systemId");
    m_ChunksLeft = GetBe16(h + 8);
    NextChunkOrDone();
    return m_Stage != Stage::Failed;
}

bool DownloadAssembler::TakeChunkHead()
{
    const uint8_t* c = m_Part.data();
    uint32_t field = GetBe16(c);
    uint16_t type = GetBe16(c + 4);
    if (field < 7 || field > kMaxChunkField || (type != kFlashChunk && type != kEepromChunk) ||
        GetBe16(c + 6) > kMaxChunkUnpacked)
        return Fail("chunk head refused");
    m_PartSize = kChunkHeadSize + field - 6;
    m_Stage = Stage::ChunkData;
    return true;
}

bool DownloadAssembler::TakeChunk()
{
    const uint8_t* c = m_Part.data();
    uint32_t stored = GetBe16(c) - 6u;
    if (GetBe16(c + 2) != Crc16(c + 4, stored + 4))
        return Fail("chunk checksum error");
    uint32_t unpacked = GetBe16(c + 6);
    std::vector<uint8_t>& dest = GetBe16(c + 4) == kFlashChunk ? m_Flash : m_Eeprom;
    uint32_t room = uint32_t((&dest == &m_Flash ? kSimFlashSize : kSimEepromSize) - dest.size());
    if (unpacked > room)
        return Fail("chunk overflows its area");
    size_t at = dest.size();
    dest.resize(at + unpacked);
    if (stored == unpacked)
        std::copy(c + kChunkHeadSize, c + kChunkHeadSize + stored, dest.begin() + long(at));
    else if (!lh5::Decode({c + kChunkHeadSize, stored}, {dest.data() + at, unpacked}))
        return Fail("chunk does not unpack");
    --m_ChunksLeft;
    NextChunkOrDone();
    return m_Stage != Stage::Failed;
}

void DownloadAssembler::NextChunkOrDone()
{
    m_Part.clear();
    if (m_ChunksLeft > 0) {
        m_Stage = Stage::ChunkHead;
        m_PartSize = kChunkHeadSize;
        return;
    }
    if (m_Flash.size() != kSimFlashSize || m_Eeprom.size() != kSimEepromSize) {
        Fail("download image does not fill the flash image and the EEPROM block");
        return;
    }
    m_Stage = Stage::Done;
}

StbImage DownloadAssembler::Image() const
{
    StbImage image;
    image.systemId = m_SystemId;
    image.flash = m_Flash;
    image.eeprom = m_Eeprom;
    return image;
}

bool DownloadAssembler::Deliver(SimImageStore& store, const std::string& outputPath)
{
    StbImage image = Image();
    store.Replace(image);
    return outputPath.empty() || SaveStdImage(outputPath, image);
}
