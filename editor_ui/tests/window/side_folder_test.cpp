// The side folder of the editor comes from its profile when the user chose one.
#include "common/testing/test_support.h"
#include "editor_ui/window/editor_app.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <QSettings>

TEST(EditorSideFolder, TheProfileEntryElseTheStateFolder)
{
    const testing_support::TempFolder profileFolder("orvanel-profile");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(profileFolder.Path()));
    {
        COrvanelApp app;
        EXPECT_EQ(app.doc->m_SideFileFolder, DefaultSideFolder());
        EXPECT_EQ(app.session.StartDir(), DefaultSideFolder());
    }
    const std::filesystem::path chosen = profileFolder / "side";
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Orvanel", "Orvanel")
        .setValue(kSideFolderSetting, QString::fromStdString(chosen));
    COrvanelApp app;
    EXPECT_EQ(app.doc->m_SideFileFolder, chosen);
    EXPECT_EQ(app.session.StartDir(), chosen);
}
