// The Open Backup window lists the backups newest first with what the codec reads in them.
#include "common/qt/testing/modal_dialog.h"
#include "common/testing/test_support.h"
#include "editor_ui/window/backup_window.h"
#include "settings/backup_folder.h"
#include "settings/demo_settings.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTreeWidget>

namespace {

TEST(OpenBackupWindow, ListsNewestFirstWithTheCountsAndOpensTheChosenOne)
{
    testing_support::TempFolder dir("backup-window");
    const auto folder = BackupFolderOf(dir.Path());
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_SideFileFolder = dir.Path();
    BuildDemoSettings(*doc, {.tvServices = 300, .radioServices = 90});
    ASSERT_TRUE(SavePvrFileSubFunc(*doc));
    const BackupImage image{doc->m_ExpectedSystemId, doc->m_RePackedFlash, std::span(doc->m_Eeprom).first(kEepromSize)};
    const auto older = WriteBackup(folder, BackupKind::FromStb, image, 1796730612);
    const auto newer = WriteBackup(folder, BackupKind::ToStb, image, 1796738040);
    ASSERT_TRUE(older && newer);
    ASSERT_TRUE(testing_support::WriteFileText(folder / "2026-12-09_08-00-00_from-STB_model-0.std", "cut short"));

    const std::vector<BackupRow> rows = ReadBackupRows(folder);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].tv, -1) << "a file that does not load is listed without counts";
    EXPECT_EQ(rows[1].path, *newer);
    EXPECT_EQ(rows[1].kind, "sent to the STB");
    EXPECT_EQ(rows[2].kind, "from the STB");
    EXPECT_EQ(rows[2].tv, int(doc->m_TvSvcCnt));
    EXPECT_EQ(rows[2].radio, int(doc->m_RadioSvcCnt));
    EXPECT_EQ(rows[2].satellites, int(doc->m_SatCnt));

    QStringList shown;
    OnModalDialog([&](QDialog* window) {
        auto* list = window->findChild<QTreeWidget*>(QStringLiteral("backups"));
        for (int column = 0; column < list->columnCount(); ++column)
            shown << list->headerItem()->text(column);
        for (int column = 0; column < list->columnCount(); ++column)
            shown << list->topLevelItem(2)->text(column);
        shown << list->topLevelItem(0)->text(3);
        list->setCurrentItem(list->topLevelItem(2));
        window->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
    });
    EXPECT_EQ(RunOpenBackupWindow(nullptr, rows), *older);
    EXPECT_EQ(shown, (QStringList{"Date", "Kind", "Model", "TV", "Radio", "Satellites",
                                  QString::fromStdString(rows[2].time), "from the STB",
                                  QString::fromStdString(rows[2].model), QString::number(rows[2].tv),
                                  QString::number(rows[2].radio), QString::number(rows[2].satellites), "?"}));
}

}  // namespace
