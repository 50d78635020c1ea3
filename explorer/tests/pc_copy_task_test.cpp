// The PC-to-PC copy of one file on its own thread, with a pipe as a source that the test
// feeds, so that a cancel lands in the middle of the copy.
#include "explorer/pc_copy_task.h"
#include "explorer/tests/emu_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace explorer;

namespace {

class PcCopyTaskTest : public ::testing::Test {
protected:
    testing_support::TempFolder temp{"pc-copy"};
    EventLoop loop{LoopClock::Manual};
    std::vector<std::pair<uint32_t, uint32_t>> ends;
    CPcCopyTask task{loop};

    void SetUp() override
    {
        loop.SetHandler([this](uint32_t id, uint32_t value) { ends.push_back({id, value}); });
    }
    bool AwaitEnd()
    {
        return testing_support::PollUntil([&] {
            loop.RunOnce(0, false);
            return !ends.empty();
        });
    }
};

TEST_F(PcCopyTaskTest, CopiesWithItsPercentageAndNeverReplacesAFile)
{
    WriteFile(temp / "a.rec", Pattern(3 << 20, 1));
    task.Start((temp / "a.rec").string(), (temp / "b.rec").string(), 7);
    ASSERT_TRUE(AwaitEnd());
    EXPECT_EQ(ends.back(), std::make_pair(7u, 1u));
    EXPECT_EQ(task.Percent(), 100);
    EXPECT_EQ(ReadFile(temp / "b.rec"), Pattern(3 << 20, 1));

    WriteFile(temp / "c.rec", "keep");
    ends.clear();
    task.Start((temp / "a.rec").string(), (temp / "c.rec").string(), 7);
    ASSERT_TRUE(AwaitEnd());
    EXPECT_EQ(ends.back(), std::make_pair(7u, 0u));
    EXPECT_EQ(ReadFile(temp / "c.rec"), "keep");
}

TEST_F(PcCopyTaskTest, ACancelledCopyLeavesNothingBehind)
{
    fs::path pipe = temp / "feed";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    task.Start(pipe.string(), (temp / "out.rec").string(), 9);
    int feed = open(pipe.c_str(), O_WRONLY);
    ASSERT_GE(feed, 0);
    std::string part = Pattern(1000, 2);
    ASSERT_EQ(write(feed, part.data(), part.size()), ssize_t(part.size()));
    ASSERT_TRUE(testing_support::PollUntil([&] { return fs::exists(temp / "out.rec") && fs::file_size(temp / "out.rec") == 1000; }));
    task.Cancel();
    close(feed);  // the copy reads its end now
    ASSERT_TRUE(AwaitEnd());
    EXPECT_EQ(ends.back(), std::make_pair(9u, 0u));
    EXPECT_FALSE(fs::exists(temp / "out.rec"));
}

}  // namespace
