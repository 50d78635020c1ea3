// Where the editor's file dialogs start: Save As at the open file, Open in the folder of
// the last file, kept in the profile across runs.
#include "common/qt/qt_prompter.h"
#include "common/qt/testing/modal_dialog.h"
#include "common/testing/test_support.h"
#include "editor_ui/window/qt_editor_host.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QSettings>

namespace {

struct Seen {
    QString folder;
    QString name;
};

// Records where the next file dialog opened, then picks `pick` (or cancels when empty).
void OnFileDialog(Seen& seen, const std::filesystem::path& pick = {})
{
    OnModalDialog([&seen, pick](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        seen.folder = files->directory().absolutePath();
        seen.name = files->findChild<QLineEdit*>("fileNameEdit")->text();
        if (pick.empty()) {
            dialog->reject();
            return;
        }
        files->selectFile(QString::fromStdString(pick.string()));
        dialog->accept();
    });
}

TEST(EditorFileDialogs, SaveAsStartsAtTheOpenFileAndOpenInTheFolderOfTheLastFile)
{
    const testing_support::TempFolder profile("orvanel-profile");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(profile.Path()));
    const testing_support::TempFolder files("orvanel-files");
    std::filesystem::create_directories(files / "backups");
    std::filesystem::create_directories(files / "lists");
    auto doc = std::make_unique<COrvanel1Doc>();
    CQtPrompter prompter;
    {
        CQtEditorDialogs dialogs(*doc, prompter);
        Seen seen;
        OnFileDialog(seen, files / "lists" / "new.std");
        EXPECT_EQ(dialogs.ChooseSaveFile(files / "backups" / "stb.std"), files / "lists" / "new.std");
        EXPECT_EQ(seen.folder, QString::fromStdString((files / "backups").string()));
        EXPECT_EQ(seen.name, "stb.std");
    }
    // A later run: Open starts where the last file went.
    CQtEditorDialogs dialogs(*doc, prompter);
    Seen seen;
    OnFileDialog(seen);
    EXPECT_EQ(dialogs.ChooseOpenFile(), std::nullopt);
    EXPECT_EQ(seen.folder, QString::fromStdString((files / "lists").string()));
}

}  // namespace
