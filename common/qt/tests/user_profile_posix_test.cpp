#include "common/qt/user_profile.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class UserProfile : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir.Path().string()));
        fs::create_directories(dir / "Maker");
    }
    testing_support::TempFolder dir{"user-profile"};
    const fs::path profile = dir / "Maker" / "tool.ini";
};

TEST_F(UserProfile, APlainProfileIsReadAndKept)
{
    EXPECT_EQ(UserProfilePath("Maker", "tool").toStdString(), profile.string());
    EXPECT_EQ(UserProfilePath("Maker").toStdString(), (dir / "Maker.ini").string());
    ASSERT_TRUE(testing_support::WriteFileText(profile, "[General]\nLastFolder=/srv\n"));
    QString note;
    auto settings = OpenUserProfile("Maker", "tool", &note);
    EXPECT_TRUE(note.isEmpty());
    EXPECT_EQ(settings->value("LastFolder").toString(), "/srv");
}

// A FIFO, an endless device and an oversized file are ignored, said, and never touched:
// what the program sets goes to the stand-in.
TEST_F(UserProfile, AProfileThatCannotBeReadIsIgnoredAndLeftAsItIs)
{
    ASSERT_EQ(::mkfifo(profile.c_str(), 0600), 0);
    QString note;
    std::unique_ptr<QSettings> settings;
    EXPECT_TRUE(testing_support::ReturnsWithoutAWriter(profile, [&] { settings = OpenUserProfile("Maker", "tool", &note); }));
    EXPECT_EQ(note.toStdString(), "The profile " + profile.string() +
                                      " is ignored (a FIFO, not a regular file): nothing is read from it or kept in it.");
    settings->setValue("LastFolder", "/srv");
    settings->sync();
    EXPECT_EQ(settings->value("LastFolder").toString(), "/srv");
    EXPECT_TRUE(fs::is_fifo(profile));

    fs::remove(profile);
    fs::create_symlink("/dev/zero", profile);
    EXPECT_EQ(ProfileRefusal(QString::fromStdString(profile.string())), "a device, not a regular file");
    OpenUserProfile("Maker", "tool")->setValue("LastFolder", "/srv");
    EXPECT_TRUE(fs::is_symlink(profile));

    fs::remove(profile);
    ASSERT_TRUE(testing_support::WriteFileText(profile, "[General]\n"));
    fs::resize_file(profile, 2 << 20);
    EXPECT_EQ(ProfileRefusal(QString::fromStdString(profile.string())), "larger than 1048576 bytes");
    EXPECT_TRUE(ProfileRefusal(QString::fromStdString((dir / "missing.ini").string())).isEmpty());
}

}  // namespace
