#include "editor_ui/core/backup_rows.h"

#include "settings/backup_folder.h"
#include "settings/model_traits.h"
#include "settings/settings_file.h"

#include <memory>

std::vector<BackupRow> ReadBackupRows(const std::filesystem::path& folder)
{
    std::vector<BackupRow> rows;
    auto doc = std::make_unique<COrvanel1Doc>();
    for (const BackupEntry& entry : ListBackups(folder)) {
        BackupRow row{entry.path, BackupTimeText(entry.time), BackupKindText(entry.kind),
                      settings::TraitsOfModel(entry.modelId).displayName};
        // Read without its message boxes: a backup that does not load is shown as such.
        if (LoadSettingsFile(*doc, entry.path) == SettingsFileResult::Ok) {
            row.tv = int(doc->m_TvSvcCnt);
            row.radio = int(doc->m_RadioSvcCnt);
            row.satellites = int(doc->m_SatCnt);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}
