#include "settings/flash_pack.h"

#include "settings/checksum.h"
#include "settings/document.h"
#include "settings/image_codec.h"
#include "settings/pack_container.h"
#include "common/prompter.h"
#include "common/trace.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <cstring>

using settings::PackedImageTraits;
using settings::PackedTraitsOfModel;

namespace {

constexpr uint32_t kDefaultBlockCount = 64;

bool HeaderAccepted(const uint8_t* image, const PackedImageTraits& traits, uint16_t expectedSystemId)
{
    return image[3] == HeaderSum(image, traits.headerLength) &&
           Get16(image + 5, traits.bigEndian) == expectedSystemId;
}

bool Usable(const FlashDirEntry& e)
{
    return e.offset < kPackedFlashSize && e.packsize >= 1 && e.packsize <= kMaxPackedBlock &&
           e.unpacksize <= kMaxUnpackSize;
}

void MarkSkipped(FlashDirEntry& e)
{
    e = FlashDirEntry{};
    e.unpacksize = kFlashBlockSize;
}

void MarkFailed(FlashDirEntry& e)
{
    e.crcPacked = e.crcUnpacked = 0xFFFF;
    e.nDataBlk = 0xFFFFFFFF;
    e.reserved.fill(0xFF);
    e.offset = 0;
    e.packsize = 0;
    e.unpacksize = kFlashBlockSize;
}

bool PackedBytesIntact(const std::vector<uint8_t>& image, const FlashDirEntry& e)
{
    return uint64_t(e.offset) + e.packsize <= image.size() &&
           Crc16(image.data() + e.offset, e.packsize) == e.crcPacked;
}

// Expands entry e at settings offset out; false when the entry must fail the unpacking.
bool ExpandEntry(COrvanel1Doc& doc, const FlashDirEntry& e, uint32_t prevEnd, uint32_t out)
{
    if (!PackedBytesIntact(doc.m_PackedFlash, e) || e.offset < prevEnd || out >= kSettingsAreaSize ||
        e.unpacksize > kSettingsAreaSize - out)
        return false;
    const uint32_t produced = UnpackContainer(std::span(doc.m_PackedFlash).subspan(e.offset, e.packsize),
                                              std::span(doc.m_SettingsArea).subspan(out, e.unpacksize));
    return produced != 0 && produced == e.unpacksize;
}

// Crc16 of block i of the settings area, run only when the block's bytes differ from
// those the last re-packing saw.
uint16_t BlockCrc(COrvanel1Doc& doc, uint32_t i)
{
    const size_t at = size_t(i) * kFlashBlockSize;
    const uint8_t* block = doc.m_SettingsArea.data() + at;
    uint8_t* seen = doc.m_LastPackedArea.data() + at;
    if (std::memcmp(block, seen, kFlashBlockSize) != 0) {
        std::memcpy(seen, block, kFlashBlockSize);
        doc.m_LastPackedCrc[i] = Crc16(block, kFlashBlockSize);
    }
    return doc.m_LastPackedCrc[i];
}

void SeedBlockCrcs(COrvanel1Doc& doc)
{
    if (doc.m_LastPackedArea.size() == kSettingsAreaSize)
        return;
    doc.m_LastPackedArea = doc.m_SettingsArea;
    for (uint32_t i = 0; i < kFlashBlocks; ++i)
        doc.m_LastPackedCrc[i] = Crc16(doc.m_SettingsArea.data() + i * kFlashBlockSize, kFlashBlockSize);
}

// Where a re-packed block i goes: block 0 right behind the directory, any other on the
// first 1 KB boundary behind the last earlier block that holds bytes.
uint64_t RePackedOffset(const std::array<FlashDirEntry, kFlashDirEntries>& dir, uint32_t i,
                        const PackedImageTraits& traits)
{
    if (i == 0)
        return traits.firstBlockAt;
    uint64_t end = traits.firstBlockAt;
    for (uint32_t j = i; j-- > 0;) {
        if (dir[j].packsize != 0) {
            end = std::max<uint64_t>(end, uint64_t(dir[j].offset) + dir[j].packsize);
            break;
        }
    }
    return (end + kBlockAlign - 1) / kBlockAlign * kBlockAlign;
}

}

FlashDirEntry ReadFlashDirEntry(const uint8_t* p, bool bigEndian)
{
    FlashDirEntry e;
    e.crcPacked = GetBe16(p);
    e.crcUnpacked = GetBe16(p + 2);
    e.offset = Get32(p + 4, bigEndian);
    e.packsize = Get32(p + 8, bigEndian);
    e.unpacksize = Get32(p + 12, bigEndian);
    e.nDataBlk = Get32(p + 16, bigEndian);
    std::copy_n(p + 20, e.reserved.size(), e.reserved.begin());
    return e;
}

void WriteFlashDirEntry(uint8_t* p, const FlashDirEntry& e, bool bigEndian)
{
    PutBe16(p, e.crcPacked);
    PutBe16(p + 2, e.crcUnpacked);
    Put32(p + 4, e.offset, bigEndian);
    Put32(p + 8, e.packsize, bigEndian);
    Put32(p + 12, e.unpacksize, bigEndian);
    Put32(p + 16, e.nDataBlk, bigEndian);
    std::copy(e.reserved.begin(), e.reserved.end(), p + 20);
}

bool UnpackFlash(COrvanel1Doc& doc)
{
    if (doc.m_PackedFlash.size() != kPackedFlashSize || doc.m_SettingsArea.size() != kSettingsAreaSize)
        return false;
    const uint8_t* image = doc.m_PackedFlash.data();
    const PackedImageTraits& traits = PackedTraitsOfModel(image[7]);
    doc.m_ModelId = image[7];

    doc.m_HeaderCopy.fill(0);
    std::copy_n(image, traits.headerLength, doc.m_HeaderCopy.begin());
    DecodeFlashHeader(doc);
    if (!HeaderAccepted(image, traits, doc.m_ExpectedSystemId)) {
        if (doc.m_pPrompter)
            doc.m_pPrompter->Notify(traits.invalidModelText, "Notice", PromptIcon::Information);
        return false;
    }

    uint32_t blocks = Get16(image + traits.blockCountAt, traits.bigEndian);
    if (blocks == 0)
        blocks = kDefaultBlockCount;
    blocks = std::min(blocks, kFlashDirEntries);
    for (uint32_t i = 0; i < kFlashDirEntries; ++i)
        doc.m_FlashDir[i] = ReadFlashDirEntry(image + traits.directoryAt + i * kFlashDirEntrySize, traits.bigEndian);

    bool ok = true;
    uint32_t prevEnd = 0;
    uint32_t out = 0;
    for (uint32_t i = 0; i < blocks; ++i) {
        FlashDirEntry& e = doc.m_FlashDir[i];
        if (!Usable(e)) {
            MarkSkipped(e);
            continue;
        }
        if (i >= kFlashBlocks)
            break;
        if (!ExpandEntry(doc, e, prevEnd, out)) {
            MarkFailed(e);
            ok = false;
            break;
        }
        prevEnd = e.offset + e.packsize;
        out += e.unpacksize;
    }
    for (uint32_t i = 0; i < kFlashDirEntries; ++i) {
        const FlashDirEntry& e = doc.m_FlashDir[i];
        Trace("Num(%d Th)CRC %04X:%04Xh : offset %08Xh : packsize %08Xh : unpacksize %08Xh : nDataBlk %08Xh",
              int(i), e.crcUnpacked, e.crcPacked, e.offset, e.packsize, e.unpacksize, e.nDataBlk);
    }
    return ok;
}

bool PackFlash(COrvanel1Doc& doc)
{
    if (doc.m_PackedFlash.size() != kPackedFlashSize || doc.m_SettingsArea.size() != kSettingsAreaSize)
        return false;
    const PackedImageTraits& traits = PackedTraitsOfModel(doc.m_ModelId);
    std::vector<uint8_t> image = doc.m_PackedFlash;
    std::copy_n(doc.m_HeaderCopy.begin(), traits.headerLength, image.begin());
    std::array<FlashDirEntry, kFlashDirEntries> dir = doc.m_FlashDir;
    std::vector<uint8_t> container(PackBlockBound(kFlashBlockSize));

    SeedBlockCrcs(doc);
    bool force = false;
    for (uint32_t i = 0; i < kFlashBlocks; ++i) {
        const uint8_t* block = doc.m_SettingsArea.data() + i * kFlashBlockSize;
        const uint16_t crc = BlockCrc(doc, i);
        FlashDirEntry& e = dir[i];
        if (crc == e.crcUnpacked && !PackedBytesIntact(image, e))
            force = true;
        if (e.unpacksize != kFlashBlockSize)
            force = true;
        if (crc == e.crcUnpacked && !force)
            continue;
        force = false;
        const uint64_t offset = RePackedOffset(dir, i, traits);
        const uint32_t size = PackBlock(block, kFlashBlockSize, container.data());
        if (size > kMaxPackedBlock || offset + size > kPackedFlashSize) {
            Trace("PackFlash() block %d does not fit: offset %08Xh : packsize %08Xh", int(i), unsigned(offset), size);
            return false;
        }
        std::copy_n(container.begin(), size, image.begin() + offset);
        e.offset = uint32_t(offset);
        e.packsize = size;
        e.unpacksize = kFlashBlockSize;
        e.crcUnpacked = crc;
        e.crcPacked = Crc16(container.data(), size);
        if (dir[i + 1].offset < e.offset + e.packsize)
            force = true;
    }
    for (uint32_t i = 0; i < kFlashDirEntries; ++i) {
        const FlashDirEntry& e = dir[i];
        WriteFlashDirEntry(image.data() + traits.directoryAt + i * kFlashDirEntrySize, e, traits.bigEndian);
        Trace("PackFlash() RePackedFlash CRC %04X:%04Xh : offset %08Xh : packsize %08Xh : unpacksize %08Xh :nDataBlock %08Xh",
              e.crcUnpacked, e.crcPacked, e.offset, e.packsize, e.unpacksize, e.nDataBlk);
    }
    doc.m_RePackedFlash = std::move(image);
    return true;
}
