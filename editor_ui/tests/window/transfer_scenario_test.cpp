// Upload from the simulated STB through the main window over the USB simulation, then a
// download of the edited list back to it.
#include "common/qt/qt_prompter.h"
#include "common/qt/testing/message_box_answerer.h"
#include "common/qt/testing/modal_dialog.h"
#include "editor_ui/tests/scripted_host.h"
#include "editor_ui/window/main_frame.h"
#include "editor_ui/window/qt_editor_host.h"
#include "link/transfer/tests/transfer_fixture.h"
#include "settings/backup_folder.h"
#include "settings/service_purge.h"
#include "tools/stb_sim/stb_sim.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

// Presses the start button of the next transfer window; `note` gets its line under the status
// and the line's tooltip.
void PressStart(QStringList* note = nullptr)
{
    OnModalDialog([note](QDialog* window) {
        if (auto* line = window->findChild<QLabel*>(QStringLiteral("note")); note)
            *note = {line->text(), line->toolTip()};
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("start")), Qt::LeftButton);
    });
}

std::unique_ptr<COrvanel1Doc> LoadBackup(const fs::path& path)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_SideFileFolder = path.parent_path();
    return LoadSettingsFile(*doc, path) == SettingsFileResult::Ok ? std::move(doc) : nullptr;
}

TEST(EditorTransfers, UploadThroughTheWindowThenDownloadTheEditedList)
{
    testing_support::TempFolder dir;
    auto original = MakeDemoDocument();
    StbSimOptions options = SimOptions(true, dir.Path());
    StbSim sim(ImageOf(*original), options);
    ASSERT_EQ(sim.Start(), "");

    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_SideFileFolder = dir.Path();
    CQtPrompter prompter;
    FakeClock clock;
    const fs::path backups = BackupFolderOf(dir.Path());
    auto session = MakeSession(prompter, clock, "", options.usbSocket, dir.Path(), backups);
    ScriptedDialogs dialogs;
    CQtEditorLink link(*session, *doc, prompter);
    CEditorController ctl(*doc, prompter, dialogs, link);
    CMainFrame frame(ctl);
    link.SetParentWindow(&frame);
    frame.show();
    QApplication::setActiveWindow(&frame);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

    CMessageBoxAnswerer boxes({QMessageBox::No, QMessageBox::Ok});
    PressStart();
    QTest::keyClick(&frame, Qt::Key_U, Qt::ControlModifier);
    ASSERT_TRUE(ctl.Held());
    EXPECT_TRUE(ctl.Edited());
    EXPECT_TRUE(SameSettings(*doc, *original));
    std::vector<BackupEntry> kept = ListBackups(backups);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].kind, BackupKind::FromStb);
    auto fromStb = LoadBackup(kept[0].path);
    ASSERT_NE(fromStb, nullptr);
    EXPECT_TRUE(SameSettings(*fromStb, *original));

    QApplication::setActiveWindow(&frame);   // back from the modal window
    QTest::keyClick(&frame, Qt::Key_F2);
    EXPECT_EQ(ctl.View(), kTvView);
    ctl.SetSvcSelection(kTvKind, {2, 3}, 3);
    ctl.CommitRename(kTvKind, 0, "Edited In Window");
    ctl.Run(Cmd::Delete);
    ctl.Sort(kTvKind, kSortAlphabetic);
    QStringList wayBack;
    PressStart(&wayBack);
    QTest::keyClick(&frame, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(wayBack, (QStringList{QString::fromStdString("Way back: the backup from the STB of " +
                                                           BackupTimeText(kept[0].time)),
                                    QString::fromStdString(kept[0].path.string())}));
    EXPECT_EQ(boxes.Texts(), (QStringList{"Upload Success, Do you want to reboot Settop Box?",
                                          "Download Success, Reboot Settop Box"}));
    auto held = DecodeImage(sim.Image().Snapshot());
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(SameSettings(*held, *doc));
    EXPECT_FALSE(SameSettings(*held, *original));
    kept = ListBackups(backups);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].kind, BackupKind::ToStb);
    auto sent = LoadBackup(kept[0].path);
    ASSERT_NE(sent, nullptr);
    EXPECT_TRUE(SameSettings(*sent, *held));
    frame.hide();
}

}  // namespace
