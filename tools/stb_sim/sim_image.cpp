#include "tools/stb_sim/sim_image.h"

#include "common/safe_file.h"
#include "settings/checksum.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace {
const char kStdMagic[] = "ZeNoBrIx";
constexpr uint16_t kStdVersion = 2;

// Reads at most limit bytes: a device or a FIFO must not make us read forever.
bool ReadFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.resize(limit);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(limit));
    bytes.resize(size_t(in.gcount()));
    return !in.bad();
}
}  // namespace

std::string LoadStdImage(const std::string& path, StbImage& image)
{
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, kStdHeaderSize + kSimFlashSize + kSimEepromSize, bytes))
        return "cannot read " + path;
    if (bytes.size() < kStdHeaderSize + kSimFlashSize + kSimEepromSize)
        return path + " is too short for a settings file";
    if (std::memcmp(bytes.data(), kStdMagic, 8) != 0)
        return path + " is not a settings file";
    if ((bytes[8] << 8 | bytes[9]) != kStdVersion)
        return path + " has an unknown file version";
    image.systemId = uint16_t(bytes[10] << 8 | bytes[11]);
    auto flash = bytes.begin() + kStdHeaderSize;
    image.flash.assign(flash, flash + kSimFlashSize);
    image.eeprom.assign(flash + kSimFlashSize, flash + kSimFlashSize + kSimEepromSize);
    return "";
}

std::string LoadRawImage(const std::string& flashPath, const std::string& eepromPath, uint16_t systemId,
                         StbImage& image)
{
    std::vector<uint8_t> flash, eeprom;
    if (!ReadFile(flashPath, kSimFlashSize + 1, flash) || !ReadFile(eepromPath, kSimEepromSize, eeprom))
        return "cannot read " + flashPath + " or " + eepromPath;
    if (flash.size() != kSimFlashSize || eeprom.size() < kSimEepromSize)
        return "the flash image must be 0x20000 bytes and the EEPROM block 0x100";
    image.systemId = systemId;
    image.flash = std::move(flash);
    image.eeprom.assign(eeprom.begin(), eeprom.begin() + kSimEepromSize);
    return "";
}

bool SaveStdImage(const std::string& path, const StbImage& image)
{
    std::vector<uint8_t> bytes(kStdHeaderSize, 0xFF);
    std::memcpy(bytes.data(), kStdMagic, 8);
    bytes[8] = 0;
    bytes[9] = kStdVersion;
    bytes[10] = uint8_t(image.systemId >> 8);
    bytes[11] = uint8_t(image.systemId);
    uint32_t headerLength = settings::PackedTraitsOfModel(image.flash[7]).headerLength;
    std::copy(image.flash.begin(), image.flash.begin() + headerLength, bytes.begin() + 12);
    bytes.insert(bytes.end(), image.flash.begin(), image.flash.end());
    bytes.insert(bytes.end(), image.eeprom.begin(), image.eeprom.end());
    return SafeWriteFile(path, bytes, LinkRule::Follow);
}

void SetImageModelId(StbImage& image, uint8_t modelId)
{
    image.flash[7] = modelId;
    uint32_t headerLength = settings::PackedTraitsOfModel(modelId).headerLength;
    image.flash[3] = HeaderSum(image.flash.data(), headerLength);
}
