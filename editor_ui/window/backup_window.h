// "Open Backup": the unsaved changes kept aside and the backups of transfers, newest first,
// with date, kind, model and the TV, radio and satellite counts, which fill in as a counter
// reads them; "Open" (or a double click) chooses one.
#pragma once
#include "editor_ui/core/backup_rows.h"

#include <QDialog>

#include <filesystem>
#include <memory>
#include <optional>

class QTreeWidget;

class CBackupWindow : public QDialog {
public:
    CBackupWindow(QWidget* parent, std::vector<BackupRow> rows);
    // The backup under the caret, if any.
    std::optional<std::filesystem::path> Chosen() const;

private:
    void ShowCounts(size_t index, const BackupRow& row);

    std::vector<BackupRow> m_Rows;
    QTreeWidget* m_pList = nullptr;
    std::unique_ptr<CBackupCounter> m_pCounter;   // last: stopped before the list goes
};

// Runs the window modal; the backup chosen with "Open".
std::optional<std::filesystem::path> RunOpenBackupWindow(QWidget* parent, std::vector<BackupRow> rows);
