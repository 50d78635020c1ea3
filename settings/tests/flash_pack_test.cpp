#include "settings/checksum.h"
#include "settings/document.h"
#include "settings/testing/flash_image_builder.h"
#include "settings/flash_pack.h"
#include "common/testing/scripted_prompter.h"
#include "settings/model_traits.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using settings::PackedImageTraits;
using settings::PackedTraitsOfModel;
constexpr uint16_t kSystemId = 0x4D21;

class FlashPack : public ::testing::Test {
protected:
    void SetUp() override { settings_ = MakeSettingsLikeArea(7); }

    // Loads image into a fresh document that expects kSystemId.
    std::unique_ptr<COrvanel1Doc> Load(const Bytes& image)
    {
        auto doc = std::make_unique<COrvanel1Doc>();
        doc->m_PackedFlash = image;
        doc->m_ExpectedSystemId = kSystemId;
        doc->m_pPrompter = &prompter_;
        return doc;
    }
    Bytes Build(uint8_t modelId = 0, uint16_t blockCount = 48)
    {
        FlashImageOptions options;
        options.modelId = modelId;
        options.systemId = kSystemId;
        options.blockCount = blockCount;
        Bytes image = BuildFlashImage(settings_, options);
        EXPECT_EQ(image.size(), kPackedFlashSize);
        return image;
    }
    static FlashDirEntry Entry(const Bytes& image, uint32_t i, uint8_t modelId = 0)
    {
        const PackedImageTraits& t = PackedTraitsOfModel(modelId);
        return ReadFlashDirEntry(image.data() + t.directoryAt + i * kFlashDirEntrySize, t.bigEndian);
    }
    static void SetEntry(Bytes& image, uint32_t i, const FlashDirEntry& e, uint8_t modelId = 0)
    {
        const PackedImageTraits& t = PackedTraitsOfModel(modelId);
        WriteFlashDirEntry(image.data() + t.directoryAt + i * kFlashDirEntrySize, e, t.bigEndian);
    }
    Bytes Block(uint32_t i) const { return {settings_.begin() + i * 0x2000, settings_.begin() + (i + 1) * 0x2000}; }
    static Bytes BlockOf(const COrvanel1Doc& doc, uint32_t i)
    {
        return {doc.m_SettingsArea.begin() + i * 0x2000, doc.m_SettingsArea.begin() + (i + 1) * 0x2000};
    }

    Bytes settings_;
    ScriptedPrompter prompter_;
};

const uint8_t kModels[] = {0, 10, 8, 12, 13};

}

TEST_F(FlashPack, EveryVariantRoundTrips)
{
    for (uint8_t model : kModels) {
        SCOPED_TRACE(int(model));
        const Bytes image = Build(model);
        auto doc = Load(image);
        ASSERT_TRUE(UnpackFlash(*doc));
        EXPECT_EQ(doc->m_SettingsArea, settings_);
        EXPECT_EQ(doc->m_ModelId, model);
        EXPECT_EQ(doc->m_FlashHeader.systemId, kSystemId);
        const uint32_t headerLength = PackedTraitsOfModel(model).headerLength;
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + headerLength, doc->m_HeaderCopy.begin()));
        EXPECT_EQ(doc->m_FlashDir[0].offset, PackedTraitsOfModel(model).firstBlockAt);
        ASSERT_TRUE(PackFlash(*doc));
        EXPECT_EQ(doc->m_RePackedFlash, image) << "unchanged settings re-pack to the loaded image";
        EXPECT_TRUE(prompter_.shown.empty());
    }
}

TEST_F(FlashPack, DirectoryByteOrderPerVariant)
{
    for (uint8_t model : kModels) {
        SCOPED_TRACE(int(model));
        const Bytes image = Build(model);
        const PackedImageTraits& t = PackedTraitsOfModel(model);
        const uint8_t* raw = image.data() + t.directoryAt + 5 * kFlashDirEntrySize;
        const uint32_t offset = model == 0 ? GetBe32(raw + 4) : GetLe32(raw + 4);
        const uint32_t packsize = model == 0 ? GetBe32(raw + 8) : GetLe32(raw + 8);
        ASSERT_LT(offset + packsize, kPackedFlashSize);
        EXPECT_EQ(offset % 0x400, 0u);
        EXPECT_EQ(model == 0 ? GetBe32(raw + 12) : GetLe32(raw + 12), 0x2000u);
        // Both checksums high byte first, also in the little-endian directories.
        EXPECT_EQ(GetBe16(raw), Crc16(image.data() + offset, packsize));
        EXPECT_EQ(GetBe16(raw + 2), Crc16(settings_.data() + 5 * 0x2000, 0x2000));
        const uint32_t count = model == 0 ? GetBe16(&image[t.blockCountAt]) : GetLe16(&image[t.blockCountAt]);
        EXPECT_EQ(count, 48u);
    }
}

TEST_F(FlashPack, HeaderCheckShowsTheVariantsMessage)
{
    const std::pair<uint8_t, const char*> cases[] = {{0, "Invalid ModelId"},
                                                     {10, "Invalid ModelId Dravion"},
                                                     {12, "Invalid ModelId ST"},
                                                     {13, "Invalid ModelId ST71xx"}};
    for (const auto& [model, text] : cases) {
        SCOPED_TRACE(int(model));
        const Bytes good = Build(model);
        Bytes wrongSum = good;
        wrongSum[PackedTraitsOfModel(model).headerLength - 1] ^= 0x10;   // last byte the sum covers
        for (const Bytes* image : {&good, static_cast<const Bytes*>(&wrongSum)}) {
            prompter_.shown.clear();
            auto doc = Load(*image);
            if (image == &good)
                doc->m_ExpectedSystemId = kSystemId + 1;
            std::fill(doc->m_SettingsArea.begin(), doc->m_SettingsArea.end(), 0xAB);
            EXPECT_FALSE(UnpackFlash(*doc));
            ASSERT_EQ(prompter_.shown.size(), 1u);
            EXPECT_EQ(prompter_.shown[0].text, text);
            EXPECT_EQ(prompter_.shown[0].title, "Notice");
            EXPECT_EQ(std::count(doc->m_SettingsArea.begin(), doc->m_SettingsArea.end(), 0xAB),
                      ptrdiff_t(kSettingsAreaSize))
                << "nothing unpacked";
        }
    }
}

TEST_F(FlashPack, BlockCountZeroReadsAs64)
{
    // With 48 the erased entries 48 to 63 are never looked at; with 0 (= 64) each of them
    // is checked, found unusable and skipped.
    auto doc48 = Load(Build(0, 48));
    ASSERT_TRUE(UnpackFlash(*doc48));
    EXPECT_EQ(doc48->m_FlashDir[63].offset, 0xFFFFFFFFu);

    auto doc64 = Load(Build(0, 0));
    ASSERT_TRUE(UnpackFlash(*doc64));
    EXPECT_EQ(doc64->m_SettingsArea, settings_);
    for (uint32_t i = 48; i < 64; ++i) {
        EXPECT_EQ(doc64->m_FlashDir[i].offset, 0u) << i;
        EXPECT_EQ(doc64->m_FlashDir[i].packsize, 0u) << i;
        EXPECT_EQ(doc64->m_FlashDir[i].unpacksize, 0x2000u) << i;
        EXPECT_EQ(doc64->m_FlashDir[i].crcPacked, 0u) << i;
    }
}

TEST_F(FlashPack, SkippedEntryMovesLaterBlocksForward)
{
    Bytes image = Build();
    FlashDirEntry e = Entry(image, 1);
    e.packsize = 0;
    SetEntry(image, 1, e);
    auto doc = Load(image);
    std::fill(doc->m_SettingsArea.begin(), doc->m_SettingsArea.end(), 0xCD);
    ASSERT_TRUE(UnpackFlash(*doc));
    EXPECT_EQ(BlockOf(*doc, 0), Block(0));
    for (uint32_t i = 2; i < 48; ++i)
        EXPECT_EQ(BlockOf(*doc, i - 1), Block(i)) << i;
    EXPECT_EQ(BlockOf(*doc, 47), Bytes(0x2000, 0xCD)) << "the last 8 KB are not written";
    EXPECT_EQ(doc->m_FlashDir[1].offset, 0u);
    EXPECT_EQ(doc->m_FlashDir[1].unpacksize, 0x2000u);
}

TEST_F(FlashPack, BadEntriesFailTheUnpacking)
{
    struct Case {
        const char* what;
        uint32_t entry;
        std::function<void(Bytes&, FlashDirEntry&)> damage;
    };
    const Case cases[] = {
        {"packed bytes changed", 5, [](Bytes& img, FlashDirEntry& e) { img[e.offset + 30] ^= 1; }},
        {"before the previous block", 3,
         [](Bytes& img, FlashDirEntry& e) { e = Entry(img, 2); }},
        {"runs past the image", 9,
         [](Bytes&, FlashDirEntry& e) { e.offset = 0x1FF00; }},
        {"passes the settings area", 47, [](Bytes&, FlashDirEntry& e) { e.unpacksize = 0x4000; }},
        {"states more than the container holds", 4, [](Bytes&, FlashDirEntry& e) { e.unpacksize = 0x2400; }},
        {"states less than the container holds", 4, [](Bytes&, FlashDirEntry& e) { e.unpacksize = 0x1000; }},
        {"stream refused", 6,
         [](Bytes& img, FlashDirEntry& e) {
             img[e.offset + 20] ^= 0x80;   // inside the code-length tables
             e.crcPacked = Crc16(&img[e.offset], e.packsize);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes image = Build();
        FlashDirEntry e = Entry(image, c.entry);
        c.damage(image, e);
        SetEntry(image, c.entry, e);
        auto doc = Load(image);
        EXPECT_FALSE(UnpackFlash(*doc));
        const FlashDirEntry& failed = doc->m_FlashDir[c.entry];
        EXPECT_EQ(failed.crcPacked, 0xFFFF);
        EXPECT_EQ(failed.nDataBlk, 0xFFFFFFFFu);
        EXPECT_EQ(failed.offset, 0u);
        EXPECT_EQ(failed.packsize, 0u);
        EXPECT_EQ(failed.unpacksize, 0x2000u);
        EXPECT_EQ(BlockOf(*doc, 0), Block(0)) << "blocks before it are expanded";
        EXPECT_TRUE(prompter_.shown.empty());
    }
}

TEST_F(FlashPack, TraceLinesAfterUnpackingAndRePacking)
{
    auto doc = Load(Build());
    TraceCapture trace;
    ASSERT_TRUE(UnpackFlash(*doc));
    const FlashDirEntry& e0 = doc->m_FlashDir[0];
    char first[160];
    std::snprintf(first, sizeof first,
                  "Num(0 Th)CRC %04X:%04Xh : offset 00001040h : packsize %08Xh : unpacksize 00002000h : nDataBlk 00000000h",
                  e0.crcUnpacked, e0.crcPacked, e0.packsize);
    ASSERT_EQ(trace.lines.size(), 64u);
    EXPECT_EQ(trace.lines[0], first);
    EXPECT_EQ(trace.lines[63].rfind("Num(63 Th)CRC FFFF:FFFFh : offset FFFFFFFFh", 0), 0u);
    trace.lines.clear();
    ASSERT_TRUE(PackFlash(*doc));
    ASSERT_EQ(trace.lines.size(), 64u);
    char repacked[160];
    std::snprintf(repacked, sizeof repacked,
                  "PackFlash() RePackedFlash CRC %04X:%04Xh : offset 00001040h : packsize %08Xh : unpacksize 00002000h :nDataBlock 00000000h",
                  e0.crcUnpacked, e0.crcPacked, e0.packsize);
    EXPECT_EQ(trace.lines[0], repacked);
}

namespace {
// Bytes that compress to about half their size.
void MakeLessCompressible(Bytes& area, uint32_t block, uint32_t randomBytes, uint32_t seed)
{
    std::mt19937 rng(seed);
    for (uint32_t k = 0; k < randomBytes; ++k)
        area[block * 0x2000 + k * 2] = uint8_t(rng());
}
}

TEST_F(FlashPack, OneByteEditRePacksOneBlock)
{
    const Bytes image = Build();
    auto doc = Load(image);
    ASSERT_TRUE(UnpackFlash(*doc));
    doc->m_SettingsArea[10 * 0x2000 + 100] ^= 0x40;
    ASSERT_TRUE(PackFlash(*doc));
    const Bytes& out = doc->m_RePackedFlash;
    for (uint32_t i = 0; i < 48; ++i) {
        const FlashDirEntry before = Entry(image, i);
        const FlashDirEntry after = Entry(out, i);
        EXPECT_EQ(after.offset, before.offset) << i;
        if (i == 10) {
            EXPECT_NE(after.crcUnpacked, before.crcUnpacked);
            EXPECT_EQ(after.crcUnpacked, Crc16(&doc->m_SettingsArea[10 * 0x2000], 0x2000));
            EXPECT_EQ(after.crcPacked, Crc16(&out[after.offset], after.packsize));
        } else {
            EXPECT_EQ(after.crcPacked, before.crcPacked) << i;
            EXPECT_TRUE(std::equal(&image[before.offset], &image[before.offset + before.packsize], &out[after.offset])) << i;
        }
    }
    auto reloaded = Load(out);
    ASSERT_TRUE(UnpackFlash(*reloaded));
    EXPECT_EQ(reloaded->m_SettingsArea, doc->m_SettingsArea);
}

TEST_F(FlashPack, GrownBlockPushesTheNextOnesToThe1KBoundary)
{
    for (uint8_t model : {uint8_t(0), uint8_t(12)}) {
        SCOPED_TRACE(int(model));
        const Bytes image = Build(model);
        auto doc = Load(image);
        ASSERT_TRUE(UnpackFlash(*doc));
        Bytes edited = settings_;
        MakeLessCompressible(edited, 3, 1500, 5);
        std::copy(edited.begin(), edited.end(), doc->m_SettingsArea.begin());
        ASSERT_TRUE(PackFlash(*doc));
        const Bytes& out = doc->m_RePackedFlash;
        for (uint32_t i = 0; i <= 3; ++i)
            EXPECT_EQ(Entry(out, i, model).offset, Entry(image, i, model).offset) << i;
        EXPECT_GT(Entry(out, 3, model).packsize, Entry(image, 3, model).packsize + 0x400);
        for (uint32_t i = 4; i < 48; ++i) {
            const FlashDirEntry prev = Entry(out, i - 1, model);
            const uint32_t end = prev.offset + prev.packsize;
            const FlashDirEntry e = Entry(out, i, model);
            if (Entry(image, i, model).offset < end)
                EXPECT_EQ(e.offset, (end + 0x3FF) & ~0x3FFu) << i;
            else
                EXPECT_EQ(e.offset, Entry(image, i, model).offset) << i;
            EXPECT_EQ(e.crcUnpacked, Entry(image, i, model).crcUnpacked) << i;
        }
        EXPECT_GT(Entry(out, 4, model).offset, Entry(image, 4, model).offset);
        auto reloaded = Load(out);
        ASSERT_TRUE(UnpackFlash(*reloaded));
        EXPECT_EQ(reloaded->m_SettingsArea, edited);
    }
}

TEST_F(FlashPack, RePackedFirstBlockStaysBehindTheDirectory)
{
    for (uint8_t model : {uint8_t(0), uint8_t(8)}) {
        auto doc = Load(Build(model));
        ASSERT_TRUE(UnpackFlash(*doc));
        doc->m_SettingsArea[5] ^= 1;
        ASSERT_TRUE(PackFlash(*doc));
        EXPECT_EQ(Entry(doc->m_RePackedFlash, 0, model).offset, PackedTraitsOfModel(model).firstBlockAt);
    }
}

TEST_F(FlashPack, StalePackedBytesAreRePacked)
{
    // The settings of block 6 are unchanged but its packed bytes no longer match the
    // directory: it is recompressed (and so is its neighbour if the new one overlaps).
    auto doc = Load(Build());
    ASSERT_TRUE(UnpackFlash(*doc));
    const FlashDirEntry e = doc->m_FlashDir[6];
    doc->m_PackedFlash[e.offset + 40] ^= 0xFF;
    ASSERT_TRUE(PackFlash(*doc));
    EXPECT_EQ(Entry(doc->m_RePackedFlash, 6).crcPacked, Crc16(&doc->m_RePackedFlash[e.offset], e.packsize));
    auto reloaded = Load(doc->m_RePackedFlash);
    ASSERT_TRUE(UnpackFlash(*reloaded));
    EXPECT_EQ(reloaded->m_SettingsArea, settings_);
}

TEST_F(FlashPack, EveryPackStartsFromTheLoadedImage)
{
    auto doc = Load(Build());
    ASSERT_TRUE(UnpackFlash(*doc));
    const auto dirBefore = doc->m_FlashDir;
    MakeLessCompressible(doc->m_SettingsArea, 2, 1500, 8);
    ASSERT_TRUE(PackFlash(*doc));
    const Bytes first = doc->m_RePackedFlash;
    ASSERT_TRUE(PackFlash(*doc));
    EXPECT_EQ(doc->m_RePackedFlash, first);
    for (uint32_t i = 0; i < 64; ++i)
        EXPECT_EQ(doc->m_FlashDir[i].offset, dirBefore[i].offset) << i;
}

// Later packs of one document find its changed blocks by their bytes: an edit taken back
// keeps the loaded block, and a block whose directory checksum was wrong is re-packed on
// every pack, not only on the first.
TEST_F(FlashPack, RepeatedPacksFollowTheSettingsArea)
{
    const Bytes image = Build();
    auto doc = Load(image);
    ASSERT_TRUE(UnpackFlash(*doc));
    doc->m_FlashDir[6].crcUnpacked ^= 1;
    doc->m_SettingsArea[10 * 0x2000 + 100] ^= 0x40;
    ASSERT_TRUE(PackFlash(*doc));
    EXPECT_NE(Entry(doc->m_RePackedFlash, 10).crcUnpacked, Entry(image, 10).crcUnpacked);
    doc->m_SettingsArea[10 * 0x2000 + 100] ^= 0x40;
    doc->m_SettingsArea[20 * 0x2000 + 9] ^= 0x01;
    ASSERT_TRUE(PackFlash(*doc));
    const Bytes& out = doc->m_RePackedFlash;
    EXPECT_EQ(Entry(out, 10).crcPacked, Entry(image, 10).crcPacked);
    EXPECT_EQ(Entry(out, 6).crcUnpacked, Entry(image, 6).crcUnpacked);
    EXPECT_EQ(Entry(out, 20).crcUnpacked, Crc16(&doc->m_SettingsArea[20 * 0x2000], 0x2000));
    EXPECT_NE(Entry(out, 20).crcUnpacked, Entry(image, 20).crcUnpacked);
    auto reloaded = Load(out);
    ASSERT_TRUE(UnpackFlash(*reloaded));
    EXPECT_EQ(reloaded->m_SettingsArea, doc->m_SettingsArea);
}

TEST_F(FlashPack, BlockThatDoesNotCompressFailsThePacking)
{
    auto doc = Load(Build());
    ASSERT_TRUE(UnpackFlash(*doc));
    ASSERT_TRUE(PackFlash(*doc));
    const Bytes previous = doc->m_RePackedFlash;
    std::mt19937 rng(3);
    for (uint32_t k = 0; k < 0x2000; ++k)
        doc->m_SettingsArea[20 * 0x2000 + k] = uint8_t(rng());   // stored: a 0x2012-byte container
    EXPECT_FALSE(PackFlash(*doc));
    EXPECT_EQ(doc->m_RePackedFlash, previous);
}

TEST_F(FlashPack, BlocksPastTheImageFailThePacking)
{
    auto doc = Load(Build());
    ASSERT_TRUE(UnpackFlash(*doc));
    ASSERT_TRUE(PackFlash(*doc));
    const Bytes previous = doc->m_RePackedFlash;
    // About 4 KB packed per block: 48 of them need more than the 128 KB there are.
    for (uint32_t i = 0; i < 48; ++i)
        MakeLessCompressible(doc->m_SettingsArea, i, 3000, i);
    TraceCapture trace;
    EXPECT_FALSE(PackFlash(*doc));
    EXPECT_EQ(doc->m_RePackedFlash, previous);
    EXPECT_EQ(doc->m_RePackedFlash.size(), kPackedFlashSize);
    EXPECT_TRUE(trace.Contains("does not fit"));
}
