#include "common/instance_lock.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

TEST(InstanceLock, OneHolderAtATimeAndALeftoverFileNeverLocksOut)
{
    testing_support::TempFolder folder;
    std::filesystem::path path = folder.Path() / "PROGRAM.lock";
    std::ofstream(path).close();   // what a crash or a power loss may leave: an empty file
    auto first = CInstanceLock::Acquire(path);
    ASSERT_NE(first, nullptr);
    int error = 0;
    EXPECT_EQ(CInstanceLock::Acquire(path, &error), nullptr);
    EXPECT_EQ(error, EWOULDBLOCK);   // told apart from a lock that cannot be had at all
    first.reset();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_NE(CInstanceLock::Acquire(path), nullptr);
}

TEST(InstanceLock, ALinkInPlaceOfTheFileIsRefused)
{
    testing_support::TempFolder folder;
    std::filesystem::create_symlink(folder.Path() / "elsewhere", folder.Path() / "PROGRAM.lock");
    int error = 0;
    EXPECT_EQ(CInstanceLock::Acquire(folder.Path() / "PROGRAM.lock", &error), nullptr);
    EXPECT_NE(error, EWOULDBLOCK);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "elsewhere"));
}
