// The rows of the "Open Backup..." window: the unsaved changes kept aside as recovery files
// and every backup of the folder, each newest written first, with the date, kind and model
// their names tell. The TV, radio and satellite counts (and a recovery file's model) need the
// file decoded, which for thousands of backups takes seconds: a counter does it row by row on
// a thread of its own while the list is already shown.
#pragma once
#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct BackupRow {
    std::filesystem::path path;
    std::string time;    // "2026-12-08 15:50:12"
    std::string kind;    // "from the STB", "sent to the STB", "unsaved changes"
    std::string model;   // the variant's name; a recovery file's once counted
    int tv = -1;         // the counts are -1 until counted, and when the file does not load
    int radio = -1;
    int satellites = -1;
    bool counted = false;
};

// From the names and sizes alone: a backup of the wrong size is counted as not loading.
std::vector<BackupRow> ListBackupRows(const std::filesystem::path& folder);
// Decodes the row's file for its counts; counted afterwards.
void CountBackupRow(BackupRow& row);

class CBackupCounter {
public:
    // Counts the rows not yet counted, in order; each one goes to `counted` on the counter's
    // thread, with its index.
    CBackupCounter(std::vector<BackupRow> rows, std::function<void(size_t, const BackupRow&)> counted);
    ~CBackupCounter();   // stops after the row in hand
    CBackupCounter(const CBackupCounter&) = delete;
    CBackupCounter& operator=(const CBackupCounter&) = delete;

private:
    std::atomic<bool> m_bStop{false};
    std::thread m_Thread;
};
