// What an upload brings home (the packed flash image and the EEPROM block, with the
// systemId the STB reported) and the upload command's decoding of it into the document.
#pragma once
#include "link/transfer/command_result.h"
#include "settings/document.h"

#include <cstdint>
#include <vector>

class Prompter;

struct UploadedImage {
    uint16_t systemId = 0;
    std::vector<uint8_t> flash = std::vector<uint8_t>(kPackedFlashSize);
    std::vector<uint8_t> eeprom = std::vector<uint8_t>(kEepromSize);
};

// Unpacks ("Unpack Flash Error"), verifies ("Flash Version Check Error") and decodes the
// image into a fresh document; the document takes it only when all of that succeeded and
// keeps its previous contents otherwise.
TransferCommandResult DecodeUploadedImage(const UploadedImage& image, COrvanel1Doc& doc, Prompter& prompter);
