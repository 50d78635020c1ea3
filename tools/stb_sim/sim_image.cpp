#include "tools/stb_sim/sim_image.h"

#include "settings/model_traits.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {
const char kStdMagic[] = "ZeNoBrIx";
constexpr uint16_t kStdVersion = 2;

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}
}  // namespace

std::string LoadStdImage(const std::string& path, StbImage& image)
{
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, bytes))
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
    if (!ReadFile(flashPath, flash) || !ReadFile(eepromPath, eeprom))
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
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}
