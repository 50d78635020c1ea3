// The recovery file of unsaved edits: the whole document as the editor held it (the packed
// flash image it was loaded from, the settings area encoded from its tables, the EEPROM
// block), the settings file it belongs to and when it was written. Read back it is the same
// document, re-packed against the same image, so a save after a recovery re-packs only the
// blocks the edits changed.
//
// Layout, big-endian: "OrvRecov", version 2 (2), systemId (2), time written in seconds
// since 1970 (8), length of the file name in bytes (2, 0: none), the named file's size (8,
// all ones: not known) and modification time in its clock's ticks (8), the name (UTF-8), the
// packed flash image (0x20000), the settings area (0x60000), the EEPROM block (0x100),
// Crc16 of everything before it (2). Version 1 lacks the size and time.
#pragma once
#include "settings/document.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

constexpr char kRecoveryFileName[] = "recovery.dat";
constexpr size_t kMaxRecoveryName = 4096;

// A file as the edits found it, to tell whether it changed since.
struct FileStamp {
    uint64_t size = 0;
    int64_t modified = 0;
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> StampOf(const std::filesystem::path& path);

struct RecoveryInfo {
    std::optional<std::filesystem::path> fileName;
    std::time_t written = 0;
    std::optional<FileStamp> fileStamp;   // of fileName when it was opened or last saved
};

// A time a clock of ours could have written (1970 to 9999).
bool KnownTime(int64_t written);
// "2026-12-08 15:50:12", or "an unknown time".
std::string RecoveryTimeText(std::time_t written);

// Encodes the document's tables into its settings area (InverseParseImage) and lays the file
// out; empty when the encoding fails.
std::vector<uint8_t> BuildRecoveryFile(COrvanel1Doc& doc, const RecoveryInfo& info);

// Decodes a recovery file into a fresh document (loaded, its prompter unused); false on any
// fault in the bytes, with the document not loaded.
[[nodiscard]] bool DecodeRecoveryFile(std::span<const uint8_t> bytes, COrvanel1Doc& doc, RecoveryInfo& info);
[[nodiscard]] bool ReadRecoveryFile(const std::filesystem::path& path, COrvanel1Doc& doc, RecoveryInfo& info);
