// The settings file (.std): a 64-byte header, the packed flash image and the EEPROM block.
// Every message box of loading and saving has the title "Notice".
#pragma once
#include "settings/document.h"

#include <filesystem>

constexpr uint32_t kSettingsFileHeaderSize = 64;
constexpr uint32_t kSettingsFileSize = kSettingsFileHeaderSize + kPackedFlashSize + kEepromSize;
constexpr uint16_t kSettingsFileVersion = 2;
constexpr char kSettingsFileMagic[8] = {'Z', 'e', 'N', 'o', 'B', 'r', 'I', 'x'};

// Loads, unpacks, verifies and decodes a file into the document. 1 on success; 0 or -1 on failure.
int LoadSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path);
// The document's Open: LoadSettingsFile, then "File Struct Error" after any failure.
bool Appl_OpenSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path);

// Encodes the tables into the image and re-packs the flash; writes the diagnostic copy.
bool SavePvrFileSubFunc(COrvanel1Doc& doc);
// Encodes, re-packs and writes a loaded document. The file is replaced only when complete.
// 1 on success, 0 on failure.
int SaveSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path);
