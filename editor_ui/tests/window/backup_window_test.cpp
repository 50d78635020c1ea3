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
#include <QTest>
#include <QTreeWidget>

namespace {

namespace fs = std::filesystem;

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

    const fs::path aside = folder / "recovery_2026-12-09_07-00-00.dat";
    ASSERT_TRUE(testing_support::WriteFileText(aside, "damaged"));
    KeepInBackups(folder, aside);

    std::vector<BackupRow> rows = ListBackupRows(folder);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].kind, "unsaved changes") << "kept recovery files come first";
    EXPECT_EQ(rows[0].time, "2026-12-09 07:00:00");
    EXPECT_EQ(rows[1].path, *newer);
    EXPECT_EQ(rows[1].kind, "sent to the STB");
    EXPECT_EQ(rows[2].kind, "from the STB");
    EXPECT_FALSE(rows[2].counted) << "listed from the names, counted later";
    EXPECT_TRUE(rows[3].counted && rows[3].tv == -1) << "a file of the wrong size does not load";
    BackupRow counted = rows[2];
    CountBackupRow(counted);
    EXPECT_EQ(counted.tv, int(doc->m_TvSvcCnt));
    EXPECT_EQ(counted.radio, int(doc->m_RadioSvcCnt));
    EXPECT_EQ(counted.satellites, int(doc->m_SatCnt));

    QStringList shown;
    OnModalDialog([&](QDialog* window) {
        auto* list = window->findChild<QTreeWidget*>(QStringLiteral("backups"));
        for (int column = 0; column < list->columnCount(); ++column)
            shown << list->headerItem()->text(column);
        // The counter fills the counts in while the window answers.
        for (int wait = 0; wait < 500 && list->topLevelItem(2)->text(3) == "..."; ++wait)
            QTest::qWait(10);
        for (int column = 0; column < list->columnCount(); ++column)
            shown << list->topLevelItem(2)->text(column);
        shown << list->topLevelItem(0)->text(3) << list->topLevelItem(3)->text(3);
        list->setCurrentItem(list->topLevelItem(2));
        window->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
    });
    EXPECT_EQ(RunOpenBackupWindow(nullptr, rows), *older);
    EXPECT_EQ(shown, (QStringList{"Date", "Kind", "Model", "TV", "Radio", "Satellites",
                                  QString::fromStdString(rows[2].time), "from the STB",
                                  QString::fromStdString(rows[2].model), QString::number(counted.tv),
                                  QString::number(counted.radio), QString::number(counted.satellites), "?", "?"}));
}

}  // namespace
