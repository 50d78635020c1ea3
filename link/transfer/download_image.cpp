#include "link/transfer/download_image.h"

#include "settings/checksum.h"
#include "settings/document.h"
#include "settings/flash_pack.h"
#include "settings/image_codec.h"
#include "settings/lh5_decode.h"
#include "settings/pack_container.h"
#include "common/prompter.h"
#include "common/safe_file.h"
#include "common/system_paths.h"
#include "settings/settings_file.h"
#include "common/trace.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

namespace {
constexpr uint16_t kContainerVersion = 1;
constexpr uint16_t kHeaderFollowing = 8;
constexpr uint32_t kChunkFieldBias = 6;
constexpr uint32_t kMaxChunkField = 0x8000;

void AppendChunks(lh5::Compressor& compressor, const uint8_t* in, uint32_t length, uint16_t type,
                  std::vector<uint8_t>& image, uint16_t& chunks)
{
    for (uint32_t done = 0; done < length; ++chunks) {
        uint32_t take = std::min(length - done, kMaxChunkInput);
        size_t at = image.size();
        image.resize(at + kChunkHeaderSize + take);
        uint32_t written = PackChunk(compressor, in + done, take, type, image.data() + at);
        image.resize(at + written);
        done += take;
    }
}

bool Fail(const char* why)
{
    Trace("DecodeDownloadImage(): %s", why);
    return false;
}

}  // namespace

std::filesystem::path DownloadImagePath(const std::filesystem::path& startDir)
{
    return startDir / kDownloadImageName;
}

std::vector<uint8_t> BuildDownloadImage(const uint8_t* flash, const uint8_t* eeprom, uint16_t systemId)
{
    std::vector<uint8_t> image(kContainerHeaderSize);
    image.reserve(kContainerHeaderSize + PackBlockBound(kPackedFlashSize) + PackBlockBound(kEepromSize));
    lh5::Compressor compressor;
    uint16_t chunks = 0;
    Trace("%s %s_orgData ", kDownloadImageName, "Flash");
    AppendChunks(compressor, flash, kPackedFlashSize, kDownloadFlashChunk, image, chunks);
    Trace("%s %s_orgData ", kDownloadImageName, "EEPROM");
    AppendChunks(compressor, eeprom, kEepromSize, kDownloadEepromChunk, image, chunks);
    WriteContainerHeader(image.data(), systemId, chunks);
    return image;
}

bool DecodeDownloadImage(const uint8_t* data, size_t size, DownloadImageContents& contents)
{
    contents = {};
    if (size < kContainerHeaderSize)
        return Fail("short header");
    if (GetBe16(data) != kHeaderFollowing || GetBe16(data + 2) != Crc16(data + 4, 6) ||
        GetBe16(data + 6) != kContainerVersion)
        return Fail("header refused");
    contents.systemId = GetBe16(data + 4);
    const uint32_t chunks = GetBe16(data + 8);
    size_t pos = kContainerHeaderSize;
    for (uint32_t k = 0; k < chunks; ++k) {
        if (size - pos < kChunkHeaderSize)
            return Fail("chunk head past the end");
        const uint8_t* chunk = data + pos;
        const uint32_t field = GetBe16(chunk);
        const uint16_t type = GetBe16(chunk + 4);
        const uint32_t unpacked = GetBe16(chunk + 6);
        if (field <= kChunkFieldBias || field > kMaxChunkField || unpacked > kMaxChunkInput)
            return Fail("chunk head refused");
        const uint32_t stored = field - kChunkFieldBias;
        if (size - pos - kChunkHeaderSize < stored || GetBe16(chunk + 2) != Crc16(chunk + 4, stored + 4))
            return Fail("chunk checksum");
        // The flash chunks come first; an EEPROM chunk ends them.
        if (type != kDownloadEepromChunk && (type != kDownloadFlashChunk || !contents.eeprom.empty()))
            return Fail("chunk type out of order");
        std::vector<uint8_t>& dest = type == kDownloadFlashChunk ? contents.flash : contents.eeprom;
        const size_t room = (type == kDownloadFlashChunk ? kPackedFlashSize : kEepromSize) - dest.size();
        if (unpacked > room)
            return Fail("chunk overflows its area");
        const size_t at = dest.size();
        dest.resize(at + unpacked);
        const uint8_t* in = chunk + kChunkHeaderSize;
        if (stored == unpacked)
            std::copy(in, in + stored, dest.begin() + long(at));
        else if (!lh5::Decode({in, stored}, {dest.data() + at, unpacked}))
            return Fail("chunk does not expand");
        pos += kChunkHeaderSize + stored;
    }
    if (pos != size || contents.flash.size() != kPackedFlashSize || contents.eeprom.size() != kEepromSize)
        return Fail("areas incomplete or bytes left over");
    return true;
}

bool CheckDownloadImage(const std::vector<uint8_t>& image, const COrvanel1Doc& doc)
{
    DownloadImageContents contents;
    if (!DecodeDownloadImage(image.data(), image.size(), contents))
        return false;
    if (!std::equal(contents.flash.begin(), contents.flash.end(), doc.m_RePackedFlash.begin()) ||
        !std::equal(contents.eeprom.begin(), contents.eeprom.end(), doc.m_Eeprom.begin())) {
        Trace("CheckDownloadImage(): the image does not give back the re-packed flash and EEPROM");
        return false;
    }
    auto scratch = std::make_unique<COrvanel1Doc>();
    scratch->m_PackedFlash = contents.flash;
    scratch->m_ExpectedSystemId = doc.m_ExpectedSystemId;
    std::copy(contents.eeprom.begin(), contents.eeprom.end(), scratch->m_Eeprom.begin());
    if (!UnpackFlash(*scratch) || !VerifySections(*scratch)) {
        Trace("CheckDownloadImage(): the re-packed flash does not unpack and verify");
        return false;
    }
    return true;
}

bool PrepareDownloadImage(COrvanel1Doc& doc, uint16_t systemId, const std::filesystem::path& path,
                          Prompter& prompter)
{
    if (!doc.m_bLoaded || !SavePvrFileSubFunc(doc)) {
        prompter.Notify("Error : Downloading Processe", "Notice", PromptIcon::Error);
        return false;
    }
    std::vector<uint8_t> image;
    try {
        image = BuildDownloadImage(doc.m_RePackedFlash.data(), doc.m_Eeprom.data(), systemId);
        if (!CheckDownloadImage(image, doc))
            return false;
    } catch (const std::bad_alloc&) {
        prompter.Notify("Insufficient memory", "Notice", PromptIcon::Error);
        return false;
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    if (!MakePrivateFolder(folder) || !SafeWriteFile(path, image, LinkRule::Replace)) {
        prompter.Notify("\"" + Utf8Path(path) + "\": Creating error \r\n", "Notice", PromptIcon::Error);
        return false;
    }
    Trace("############ writePos %d", int(image.size()));
    return true;
}

bool StampDownloadImage(const std::filesystem::path& path, uint16_t systemId)
{
    std::vector<uint8_t> image(kContainerHeaderSize + PackBlockBound(kPackedFlashSize) + PackBlockBound(kEepromSize) + 1);
    StdioFile file = OpenStdioFileNoFollow(path);
    if (!file)
        return false;
    size_t got = std::fread(image.data(), 1, image.size(), file.get());
    file.reset();   // Windows replaces no file that is still open
    if (got < kContainerHeaderSize || got == image.size() || GetBe16(image.data()) != kHeaderFollowing)
        return false;
    image.resize(got);
    WriteContainerHeader(image.data(), systemId, GetBe16(image.data() + 8));
    return SafeWriteFile(path, image, LinkRule::Replace);
}
