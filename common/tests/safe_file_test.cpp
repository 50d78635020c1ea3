#include "common/safe_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

ByteSpan Bytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class SafeFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("safe_file_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

TEST_F(SafeFile, ASetReplacesAllOrLeavesEveryOldFile)
{
    Put(dir / "target", "old target");
    Put(dir / "side", "old side");
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
    EXPECT_EQ(Slurp(dir / "target"), "old target");
    EXPECT_EQ(Slurp(dir / "side"), "old side");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3);   // no temporary file left

    fs::remove(dir / "folder");
    CSafeFileSet set;
    set.Add(dir / "target", {Bytes(fresh), Bytes(fresh)}, LinkRule::Follow);
    set.Add(dir / "side", {Bytes(fresh)}, LinkRule::Replace);
    ASSERT_TRUE(set.Commit());
    EXPECT_EQ(Slurp(dir / "target"), "newnew");
    EXPECT_EQ(Slurp(dir / "side"), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);
}

TEST_F(SafeFile, TwoNamesOfOneFileAreRefused)
{
    Put(dir / "a", "one");
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
    Put(dir / "file", "");
    FileFailure failure;
    EXPECT_FALSE(MakePrivateFolder(dir / "file", &failure));
    EXPECT_EQ(failure.reason, "not a folder");
}

}  // namespace
