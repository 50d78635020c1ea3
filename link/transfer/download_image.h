// The settings download image "~m700rx.zbd": a packed container whose id is the STB's
// systemId, with type-2 chunks of the 0x20000-byte re-packed flash image and a type-3
// chunk of the 256-byte EEPROM block. Built, read back and checked before the STB is
// restarted, so that a wrong image never reaches it.
#pragma once
#include <cstdint>
#include <filesystem>
#include <vector>

class COrvanel1Doc;
class Prompter;

constexpr char kDownloadImageName[] = "~m700rx.zbd";
constexpr uint16_t kDownloadFlashChunk = 2;
constexpr uint16_t kDownloadEepromChunk = 3;

std::filesystem::path DownloadImagePath(const std::filesystem::path& startDir);

// The whole file for flash (0x20000 bytes) and eeprom (256 bytes).
std::vector<uint8_t> BuildDownloadImage(const uint8_t* flash, const uint8_t* eeprom, uint16_t systemId);

struct DownloadImageContents {
    uint16_t systemId = 0;
    std::vector<uint8_t> flash;
    std::vector<uint8_t> eeprom;
};
// Reads a download image back: header and chunk checksums, chunk types in order (flash,
// then EEPROM), every chunk expanding to exactly its stated length, and exactly 0x20000
// flash bytes and 256 EEPROM bytes. False on anything else.
[[nodiscard]] bool DecodeDownloadImage(const uint8_t* data, size_t size, DownloadImageContents& contents);

// The image decodes to exactly the document's re-packed flash image and EEPROM block, and
// that flash image unpacks and its sections verify.
[[nodiscard]] bool CheckDownloadImage(const std::vector<uint8_t>& image, const COrvanel1Doc& doc);

// Encodes and re-packs the document, builds the image for systemId, checks it and writes
// it to path, with the messages of each failure. The caller shows "Download Error" on false.
[[nodiscard]] bool PrepareDownloadImage(COrvanel1Doc& doc, uint16_t systemId, const std::filesystem::path& path,
                          Prompter& prompter);

// Puts the systemId the STB reported into the header of a written image.
[[nodiscard]] bool StampDownloadImage(const std::filesystem::path& path, uint16_t systemId);
