// The rows of the "Open Backup..." window: every backup of the folder, newest first, with
// the date, the kind, the model and the TV, radio and satellite counts the codec reads in it.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct BackupRow {
    std::filesystem::path path;
    std::string time;    // "2026-12-08 15:50:12"
    std::string kind;    // "from the STB", "sent to the STB"
    std::string model;   // the variant's name
    int tv = -1;         // the counts are -1 when the file does not load
    int radio = -1;
    int satellites = -1;
};

std::vector<BackupRow> ReadBackupRows(const std::filesystem::path& folder);
