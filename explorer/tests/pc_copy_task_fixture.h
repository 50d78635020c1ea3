// The PC-to-PC copy task of one file with the loop that takes its end.
#pragma once
#include "explorer/pc_copy_task.h"
#include "explorer/tests/emu_fixture.h"

namespace explorer {

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

}  // namespace explorer
