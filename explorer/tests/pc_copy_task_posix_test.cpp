// A PC-to-PC copy cancelled in its middle: a pipe is the source that the test feeds.
#include "explorer/tests/pc_copy_task_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace explorer {
namespace {

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
}  // namespace explorer
