#include "editor_ui/core/backup_rows.h"

#include "settings/backup_folder.h"
#include "settings/model_traits.h"
#include "settings/recovery_file.h"
#include "settings/settings_file.h"

#include <memory>

namespace fs = std::filesystem;

namespace {

// "recovery_2026-12-08_15-50-12.dat" -> "2026-12-08 15:50:12"
std::string RecoveryNameTime(const fs::path& path)
{
    std::string time = path.filename().string().substr(9, 19);
    time[10] = ' ';
    time[13] = time[16] = ':';
    return time;
}

void Fill(BackupRow& row, const COrvanel1Doc& doc)
{
    row.tv = int(doc.m_TvSvcCnt);
    row.radio = int(doc.m_RadioSvcCnt);
    row.satellites = int(doc.m_SatCnt);
}

}  // namespace

std::vector<BackupRow> ListBackupRows(const fs::path& folder)
{
    std::vector<BackupRow> rows;
    for (const fs::path& path : ListKeptRecoveryFiles(folder))
        rows.push_back({path, RecoveryNameTime(path), "unsaved changes", ""});
    for (const BackupEntry& entry : ListBackups(folder)) {
        BackupRow row{entry.path, BackupTimeText(entry.time), BackupKindText(entry.kind),
                      settings::TraitsOfModel(entry.modelId).displayName};
        std::error_code error;
        row.counted = fs::file_size(entry.path, error) != kSettingsFileSize;
        rows.push_back(std::move(row));
    }
    return rows;
}

void CountBackupRow(BackupRow& row)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    row.counted = true;
    if (!IsKeptRecoveryFile(row.path)) {
        // Read without its message boxes: a backup that does not load is shown as such.
        if (LoadSettingsFile(*doc, row.path) == SettingsFileResult::Ok)
            Fill(row, *doc);
        return;
    }
    RecoveryInfo info;
    if (ReadRecoveryFile(row.path, *doc, info)) {
        Fill(row, *doc);
        row.model = settings::TraitsOfModel(doc->m_ModelId).displayName;
    }
}

CBackupCounter::CBackupCounter(std::vector<BackupRow> rows, std::function<void(size_t, const BackupRow&)> counted)
{
    m_Thread = std::thread([this, rows = std::move(rows), counted = std::move(counted)]() mutable {
        for (size_t index = 0; index < rows.size() && !m_bStop; ++index) {
            if (rows[index].counted)
                continue;
            CountBackupRow(rows[index]);
            counted(index, rows[index]);
        }
    });
}

CBackupCounter::~CBackupCounter()
{
    m_bStop = true;
    m_Thread.join();
}
