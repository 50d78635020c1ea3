// The backups of every transfer: settings files kept in "backups" under the side folder,
// one per upload from the STB and per download to it, named by date, time, kind and model
// ("2026-12-08_15-50-12_from-STB_model-0.std"), and the recovery files the editor moved aside
// ("recovery_2026-12-08_15-50-12.dat"). Which of them we wrote, and in which order, is kept in
// the folder's "written-order.txt": the names' clock may have gone back, and a file we did not
// write is never ours to count or remove. Of each kind the folder keeps the newest 100 and at
// most 200 MB, the oldest written removed first, the one just written never.
#pragma once
#include "common/safe_file.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum class BackupKind { FromStb, ToStb };

struct BackupLimits {
    size_t count = 100;
    uintmax_t bytes = uintmax_t(200) * 1000 * 1000;
};

struct BackupEntry {
    std::filesystem::path path;
    BackupKind kind = BackupKind::FromStb;
    std::tm time{};      // local time of the transfer, from the name
    uint8_t modelId = 0;
};

// What one transfer left: the image in settings-file form.
struct BackupImage {
    uint16_t systemId = 0;
    std::span<const uint8_t> packedFlash;   // 0x20000 bytes, the flash header at its start
    std::span<const uint8_t> eeprom;        // 256 bytes
};

std::filesystem::path BackupFolderOf(const std::filesystem::path& sideFolder);

// Writes the backup with the safe writer (the folder made for the user alone when missing),
// then applies the limits. The path written, or nothing with the failure.
std::optional<std::filesystem::path> WriteBackup(const std::filesystem::path& folder, BackupKind kind,
                                                 const BackupImage& image, std::time_t when,
                                                 FileFailure* failure = nullptr, BackupLimits limits = {});

// Records a file just placed in the folder (a recovery file moved aside) as the newest of its
// kind, then applies the limits; that file always stays.
void KeepInBackups(const std::filesystem::path& folder, const std::filesystem::path& file, BackupLimits limits = {});

// A recovery file moved aside, by its name.
bool IsKeptRecoveryFile(const std::filesystem::path& path);
// The recovery files moved aside, newest written first, then those we did not write, by name.
std::vector<std::filesystem::path> ListKeptRecoveryFiles(const std::filesystem::path& folder);

// The backups in the folder, newest written first, then those we did not write, by name.
std::vector<BackupEntry> ListBackups(const std::filesystem::path& folder);
// Removes the oldest written files of each kind beyond the limits; the newest always stays.
void PruneBackups(const std::filesystem::path& folder, BackupLimits limits = {});
// The newest backup of the STB with this systemId (from its file header), if any.
std::optional<BackupEntry> NewestBackupOf(const std::filesystem::path& folder, uint16_t systemId);

// "2026-12-08 15:50:12"
std::string BackupTimeText(const std::tm& time);
// "from the STB" or "sent to the STB"
const char* BackupKindText(BackupKind kind);
