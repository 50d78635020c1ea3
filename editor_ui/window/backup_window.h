// "Open Backup": the backups of transfers newest first, with date, kind, model and the TV,
// radio and satellite counts; "Open" (or a double click) chooses one.
#pragma once
#include "editor_ui/core/backup_rows.h"

#include <QDialog>

#include <filesystem>
#include <optional>

class QTreeWidget;

class CBackupWindow : public QDialog {
public:
    CBackupWindow(QWidget* parent, std::vector<BackupRow> rows);
    // The backup under the caret, if any.
    std::optional<std::filesystem::path> Chosen() const;

private:
    std::vector<BackupRow> m_Rows;
    QTreeWidget* m_pList = nullptr;
};

// Runs the window modal; the backup chosen with "Open".
std::optional<std::filesystem::path> RunOpenBackupWindow(QWidget* parent, std::vector<BackupRow> rows);
