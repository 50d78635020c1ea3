// The settings file (.std): a 64-byte header, the packed flash image and the EEPROM block.
//
//   LoadSettingsFile(doc, path)       Ok when loaded; Fail after its message box
//   Appl_OpenSettingsFile(doc, path)  the Open command: adds "File Struct Error" on failure
//   SaveSettingsFile(doc, path)       Ok when the file and its side files are all written;
//                                     Fail after its message box, the old file left as it was
//   SideFolderOf(doc)                 where the side files go (doc.m_SideFileFolder, else
//                                     DefaultSideFolder())
//
// Every function takes an optional FileFailure that names the file and the system's reason
// for the error line after the message box. A save writes "flash.dat", "eeprom.dat" and
// "UNpackFlash-InverseParsing.dat" into the side folder (made when missing) and refuses a
// target that is one of them. Every message box has the title "Notice".
#pragma once
#include "common/safe_file.h"
#include "settings/document.h"

#include <array>
#include <filesystem>

constexpr uint32_t kSettingsFileHeaderSize = 64;
constexpr uint32_t kSettingsFileSize = kSettingsFileHeaderSize + kPackedFlashSize + kEepromSize;
constexpr uint16_t kSettingsFileVersion = 2;
constexpr char kSettingsFileMagic[8] = {'Z', 'e', 'N', 'o', 'B', 'r', 'I', 'x'};

constexpr char kFlashSideFile[] = "flash.dat";
constexpr char kEepromSideFile[] = "eeprom.dat";
constexpr char kDiagnosticSideFile[] = "UNpackFlash-InverseParsing.dat";
// The profile entry of the editor that holds a chosen side folder.
constexpr char kSideFolderSetting[] = "SideFolder";

// $XDG_STATE_HOME/orvanel, else ~/.local/state/orvanel; "." when neither can be found.
std::filesystem::path DefaultSideFolder();
std::filesystem::path SideFolderOf(const COrvanel1Doc& doc);

// The 64-byte header for this systemId with the copy of the flash header (its length by the model).
std::array<uint8_t, kSettingsFileHeaderSize> SettingsFileHeader(uint16_t systemId, const uint8_t* flashHeader,
                                                                uint8_t modelId);

// Results of LoadSettingsFile and SaveSettingsFile, with the values the editor gives them.
enum class [[nodiscard]] SettingsFileResult : int { Ok = 1, Fail = 0 };

// Loads, unpacks, verifies and decodes a file into the document.
SettingsFileResult LoadSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path, FileFailure* failure = nullptr);
// The document's Open: LoadSettingsFile, then "File Struct Error" after any failure.
[[nodiscard]] bool Appl_OpenSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path, FileFailure* failure = nullptr);

// Encodes the tables into the image and re-packs the flash; writes the diagnostic copy.
[[nodiscard]] bool SavePvrFileSubFunc(COrvanel1Doc& doc);
// Encodes, re-packs and writes a loaded document with its side files.
SettingsFileResult SaveSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path, FileFailure* failure = nullptr);
