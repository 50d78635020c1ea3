#include "common/safe_file.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using testing_support::ReadFileText;
using testing_support::WriteFileText;

ByteSpan Bytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class SafeFile : public ::testing::Test {
protected:

    testing_support::TempFolder temp{"safe_file"};
    fs::path dir = temp.Path();
};

TEST_F(SafeFile, ASetReplacesAllOrLeavesEveryOldFile)
{
    WriteFileText(dir / "target", "old target");
    WriteFileText(dir / "side", "old side");
    const std::string fresh = "new";
    {
        CSafeFileSet set;
        set.Add(dir / "target", {Bytes(fresh)}, LinkRule::Follow);
        set.Add(dir / "side", {Bytes(fresh)}, LinkRule::Replace);
        set.Add(dir / "folder", {Bytes(fresh)}, LinkRule::Replace);
        fs::create_directory(dir / "folder");
        FileFailure failure;
        EXPECT_FALSE(set.Commit(&failure));
        EXPECT_EQ(failure.Describe(), "\"" + (dir / "folder").string() + "\": not a regular file");
    }
    EXPECT_EQ(ReadFileText(dir / "target"), "old target");
    EXPECT_EQ(ReadFileText(dir / "side"), "old side");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3);   // no temporary file left

    fs::remove(dir / "folder");
    CSafeFileSet set;
    set.Add(dir / "target", {Bytes(fresh), Bytes(fresh)}, LinkRule::Follow);
    set.Add(dir / "side", {Bytes(fresh)}, LinkRule::Replace);
    ASSERT_TRUE(set.Commit());
    EXPECT_EQ(ReadFileText(dir / "target"), "newnew");
    EXPECT_EQ(ReadFileText(dir / "side"), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);
}

TEST_F(SafeFile, TwoNamesOfOneFileAreRefused)
{
    WriteFileText(dir / "a", "one");
    fs::create_hard_link(dir / "a", dir / "hard");
    fs::create_symlink("a", dir / "soft");
    for (const char* other : {"hard", "soft", "./a"}) {
        CSafeFileSet set;
        set.Add(dir / other, {Bytes("x")}, LinkRule::Follow);
        set.Add(dir / "a", {Bytes("y")}, LinkRule::Replace);
        EXPECT_FALSE(set.Check()) << other;
    }
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    FileFailure failure;
    EXPECT_FALSE(SafeWriteFile(dir / "dangling", Bytes("x"), LinkRule::Follow, &failure));
    EXPECT_EQ(failure.reason, "the link names no file");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
}

TEST_F(SafeFile, PrivateFoldersAreMadeForTheUserOnly)
{
    ASSERT_TRUE(MakePrivateFolder(dir / "x" / "y"));
    EXPECT_EQ(fs::status(dir / "x" / "y").permissions() & fs::perms::all, fs::perms::owner_all);
    WriteFileText(dir / "file", "");
    FileFailure failure;
    EXPECT_FALSE(MakePrivateFolder(dir / "file", &failure));
    EXPECT_EQ(failure.reason, "not a folder");
}

}  // namespace
