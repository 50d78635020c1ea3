#include "explorer/progress_tracker.h"

#include <gtest/gtest.h>

using namespace explorer;

namespace {

ProgressCounters OneFile(uint32_t kb)
{
    ProgressCounters c;
    c.fileCount = 1;
    c.fileKb = kb;
    c.totalKb = kb;
    return c;
}

TEST(ProgressTracker, OneFileJobShowsTheSameOnBothLines)
{
    ProgressTracker tracker;
    ProgressFrame frame = tracker.Tick(OneFile(1000), 50);
    EXPECT_EQ(frame.fileText, "500 KB / 1,000 KB");
    EXPECT_EQ(frame.jobText, frame.fileText);
    EXPECT_EQ(frame.fileBar, 50);
    EXPECT_EQ(frame.jobBar, 50);
    EXPECT_TRUE(frame.yellowText);
    frame = tracker.Tick(OneFile(1000), 46);
    EXPECT_FALSE(frame.yellowText);
    EXPECT_EQ(frame.jobBar, 46);
    frame = tracker.Tick(OneFile(1000), 0);
    EXPECT_EQ(frame.fileBar, 1);
    EXPECT_EQ(frame.jobBar, 1);
}

TEST(ProgressTracker, NothingMovesAtOneHundredOrWhileAsking)
{
    ProgressTracker tracker;
    ProgressFrame before = tracker.Tick(OneFile(1000), 30);
    ProgressFrame at100 = tracker.Tick(OneFile(1000), 100);
    EXPECT_EQ(at100.fileText, before.fileText);
    EXPECT_EQ(at100.fileBar, 30);
    ProgressCounters asking = OneFile(1000);
    asking.asking = true;
    EXPECT_EQ(tracker.Tick(asking, 80).fileBar, 30);
}

TEST(ProgressTracker, ResumedFileTimesOnlyThisRunsPart)
{
    ProgressCounters c = OneFile(1000);
    ProgressTracker fresh, resumed;
    for (int i = 0; i < 99; ++i) {
        fresh.Tick(c, 10);
    }
    EXPECT_EQ(fresh.Tick(c, 75).fileTime, "00:00:01");  // 100 ticks of 55 ms for 75 %
    c.resumedKbFile = 500;
    for (int i = 0; i < 99; ++i) {
        resumed.Tick(c, 10);
    }
    EXPECT_EQ(resumed.Tick(c, 75).fileTime, "00:00:05");  // the same ticks for 50 % of the rest
}

TEST(ProgressTracker, ManyFilesCountTheEarlierFiles)
{
    ProgressCounters c;
    c.index = 1;
    c.fileCount = 3;
    c.fileKb = 1000;
    c.earlierKb = 2048;
    c.totalKb = 5000;
    ProgressTracker tracker;
    ProgressFrame frame = tracker.Tick(c, 50);
    EXPECT_EQ(frame.fileText, "500 KB / 1,000 KB");
    EXPECT_EQ(frame.jobText, "2,548 KB / 5,000 KB  [ 2 / 3 ]  ");
    EXPECT_EQ(frame.jobBar, 50);
    EXPECT_EQ(frame.fileBar, 50);
    c.index = 2;
    c.earlierKb = 3048;
    EXPECT_EQ(tracker.Tick(c, 100).fileBar, 100);  // a new file starts with a full bar
    EXPECT_EQ(ClockText(3723), "01:02:03");
}

}
