// Copy jobs where recordings were lost or failures hidden: each case ends cleanly now.
#include "explorer/tests/emu_fixture.h"
#include "explorer/file_ops.h"
#include "explorer/pvr_protocol.h"

#include <atomic>
#include <sched.h>
#include <sys/stat.h>

using namespace explorer;

namespace {

const char* const kFailConnected =
    "Cannot copy the seleted file.   \n\nAlready used in the other process or \n\n unknown error occurred.  ";

class JobFaults : public EmuTest {
protected:
    void RunUntilCopying()
    {
        while (engine.State() != JobState::JobCopying)
            ASSERT_TRUE(loop.RunOnce(10000, engine.AwaitingOutside()));
    }
};

TEST_F(JobFaults, EngineGoneDuringACopyOutlivesNoNotice)
{
    WriteFile(pc / "a.bin", Pattern(10000, 1));
    EmuFaults faults;
    faults.holdCopies = true;
    EmuSetFaults(faults);
    auto doomed = std::make_unique<CopyEngine>(session, host, progress, asker, prompter, loop, loop);
    loop.SetHandler([&doomed](uint32_t id, uint32_t value) { doomed->OnTransferEvent(id, value); });
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("a.bin", 10000)};
    ASSERT_TRUE(doomed->StartSend());
    while (doomed->State() != JobState::JobCopying)
        ASSERT_TRUE(loop.RunOnce(10000, doomed->AwaitingOutside()));
    loop.SetHandler(nullptr);
    doomed.reset();  // cancels the held task and waits for its end
    EXPECT_FALSE(EmuTaskActive());
}

TEST_F(JobFaults, ClosingDuringACopySwitchesTurboOffAndFreesTheLine)
{
    WriteFile(pc / "a.bin", Pattern(10000, 1));
    session.m_bTurboButton = true;
    EmuFaults faults;
    faults.holdCopies = true;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("a.bin", 10000)};
    ASSERT_TRUE(engine.StartSend());
    RunUntilCopying();
    ASSERT_TRUE(EmuTurbo());
    engine.CloseDuringJob();
    EXPECT_FALSE(EmuTaskActive());
    EXPECT_FALSE(EmuTurbo());
    EXPECT_FALSE(session.m_bTurboActive);
    EXPECT_TRUE(session.m_bUsbIdle);
}

TEST_F(JobFaults, ACutShortDestinationListingNeverHidesARecording)
{
    for (const char* name : {"a.bin", "b.bin"}) {
        WriteFile(pc / name, Pattern(3000, 1));
        WriteFile(pvrRoot / "DataFiles" / name, "recording");
    }
    EmuFaults faults;
    faults.corruptListingPacket = 0;  // the listing for a.bin is cut short, the next one is whole
    EmuSetFaults(faults);
    asker.answers = {ConflictAnswer::Skip, ConflictAnswer::Skip};
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("a.bin", 3000), FileRow("b.bin", 3000)};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    ASSERT_EQ(asker.asked.size(), 2u);
    EXPECT_NE(asker.asked[0].find("a.bin"), std::string::npos);
    EXPECT_NE(asker.asked[1].find("b.bin"), std::string::npos);

    faults.corruptListings = 2;  // cut short again when listed once more: the job fails
    EmuSetFaults(faults);
    asker.asked.clear();
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_TRUE(asker.asked.empty());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{std::string(kFailConnected) + "\n\n\"" +
                                                         (pc / "a.bin").string() + "\""});
    for (const char* name : {"a.bin", "b.bin"})
        EXPECT_EQ(ReadFile(pvrRoot / "DataFiles" / name), "recording");
}

TEST_F(JobFaults, ACutShortFolderListingFailsTheReceive)
{
    WriteFile(pvrRoot / "DataFiles" / "tree" / "a.rec", "a");
    EmuFaults faults;
    faults.corruptListingPacket = 0;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FolderRow("tree")};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kFailConnected});
    EXPECT_EQ(host.ended, std::vector<JobOutcome>{JobOutcome::Failed});
}

TEST_F(JobFaults, SpecialPcFilesFailTheSendAndLinksAreFollowedOnce)
{
    WriteFile(pc / "elsewhere" / "linked.bin", "linked");
    WriteFile(pc / "tree" / "plain.bin", "plain");
    fs::create_directory_symlink(pc / "elsewhere", pc / "tree" / "folder link");
    fs::create_symlink(pc / "elsewhere" / "linked.bin", pc / "tree" / "file link");
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FolderRow("tree")};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(ReadFile(pvrRoot / "DataFiles" / "tree" / "folder link" / "linked.bin"), "linked");
    EXPECT_EQ(ReadFile(pvrRoot / "DataFiles" / "tree" / "file link"), "linked");
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);

    fs::create_directory_symlink(pc / "tree", pc / "tree" / "loop");
    ASSERT_EQ(mkfifo((pc / "tree" / "pipe").c_str(), 0600), 0);
    fs::remove_all(pvrRoot / "DataFiles" / "tree");
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
    EXPECT_EQ(prompter.Texts().back(),
              CannotSendText((pc / "tree" / "loop").string(), "a link back to a folder it is in"));
    fs::remove(pc / "tree" / "loop");
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(prompter.Texts().back(), CannotSendText((pc / "tree" / "pipe").string(), "a FIFO, neither file nor folder"));
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "tree"));
}

// Each entry that cannot be sent is named with its reason, before anything is copied; a
// path that is there is never reported as missing.
TEST_F(JobFaults, WhatCannotBeSentIsNamedWithItsReasonBeforeAnyCopy)
{
    WriteFile(pc / "plain.bin", "plain");
    fs::create_symlink(pc / "gone.bin", pc / "dangling");
    ASSERT_EQ(mkfifo((pc / "fifo").c_str(), 0600), 0);
    host.pvrFolder = "\\DataFiles";
    for (const auto& [name, reason] : {std::pair<std::string, std::string>{"dangling", "a link to nothing"},
                                       {"fifo", "a FIFO, neither file nor folder"}}) {
        host.pcSelection = {FileRow("plain.bin", 5), FileRow(name, 0)};
        ASSERT_TRUE(engine.StartSend());
        ASSERT_TRUE(RunJob());
        EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
        EXPECT_EQ(prompter.Texts().back(), CannotSendText((pc / name).string(), reason));
        EXPECT_TRUE(EmuTaskLog().empty());
        EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "plain.bin"));
    }
}

// A PC paste refuses what is not a regular file before its first copy, as a send does: a
// FIFO held the copy (and Cancel, and the window's closing) in its open, a device filled the disk.
TEST_F(JobFaults, APcPasteOfATreeWithAFifoOrADeviceStopsBeforeItsFirstFile)
{
    WriteFile(pc / "src" / "tree" / "a.txt", "a");
    fs::create_directories(pc / "dst");
    ASSERT_EQ(mkfifo((pc / "src" / "tree" / "pipe").c_str(), 0600), 0);
    ExplorerClipboard clipboard;
    clipboard.Copy(PaneSide::Pc, prompter, (pc / "src").string(), {FolderRow("tree")});
    auto paste = [&] {
        ASSERT_EQ(clipboard.Paste(PaneSide::Pc, session, prompter, (pc / "dst").string()), PasteAction::StartPcCopy);
        ASSERT_TRUE(engine.StartPcCopy(clipboard.TakePcCopyPlan()));
        ASSERT_TRUE(RunJob());
    };
    paste();
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
    EXPECT_EQ(prompter.Texts().back(),
              CannotSendText((pc / "src" / "tree" / "pipe").string(), "a FIFO, neither file nor folder"));
    EXPECT_FALSE(fs::exists(pc / "dst" / "tree"));

    fs::remove(pc / "src" / "tree" / "pipe");
    fs::create_symlink("/dev/zero", pc / "src" / "tree" / "zeros");
    clipboard.Copy(PaneSide::Pc, prompter, (pc / "src").string(), {FolderRow("tree")});
    paste();
    EXPECT_EQ(prompter.Texts().back(),
              CannotSendText((pc / "src" / "tree" / "zeros").string(), "a device, neither file nor folder"));
    EXPECT_FALSE(fs::exists(pc / "dst" / "tree"));
}

// After the retries the last resort overwrites what its own attempts wrote without a
// question; at the end the part is kept under a name that says so, and resumed later.
TEST_F(JobFaults, AFailedReceiveNamesTheFileAndKeepsItsPartForAResume)
{
    WriteFile(pvrRoot / "DataFiles" / "news.rec", Pattern(40000, 4));
    EmuFaults faults;
    faults.failCopies = 4;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FileRow("news.rec", 40000)};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_TRUE(asker.asked.empty());
    EXPECT_EQ(EmuTaskLog().size(), 4u);
    ASSERT_EQ(prompter.Texts().size(), 1u);
    const std::string part = (pc / "news.rec").string() + ".part";
    EXPECT_EQ(prompter.Texts()[0], std::string(kFailConnected) + "\n\n\"" + (pc / "news.rec").string() +
                                       "\"\n\nThe part received is kept as \"" + part +
                                       "\";\ncopy the file again and choose Resume to complete it.");
    EXPECT_FALSE(fs::exists(pc / "news.rec"));
    const uint64_t kept = fs::file_size(part);
    EXPECT_GT(kept, 0u);
    EXPECT_EQ(ReadFile(part), Pattern(40000, 4).substr(0, kept));

    asker.answers = {ConflictAnswer::Resume};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);
    ASSERT_EQ(asker.asked.size(), 1u);
    EXPECT_NE(asker.asked[0].find("'news.rec.part'"), std::string::npos);
    EXPECT_EQ(EmuTaskLog().back().offset, kept);
    EXPECT_EQ(ReadFile(pc / "news.rec"), Pattern(40000, 4));
    EXPECT_FALSE(fs::exists(part));
}

// A job that resumes every file needs room for what is missing only.
TEST_F(JobFaults, ResumingEveryFileCountsOnlyTheRestAgainstFreeSpace)
{
    const std::string bytes = Pattern(1000 * 1024, 6);
    WriteFile(pc / "big.rec", bytes);
    WriteFile(pvrRoot / "DataFiles" / "big.rec", bytes.substr(0, 990 * 1024));
    EmuSetFreeKb(50);
    asker.forAll = ConflictAnswer::ResumeAll;
    asker.answers = {ConflictAnswer::ResumeAll};
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("big.rec", bytes.size())};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done) << (prompter.Texts().empty() ? "" : prompter.Texts().back());
    EXPECT_TRUE(ReadFile(pvrRoot / "DataFiles" / "big.rec") == bytes);

    EmuSetFreeKb(5);  // the rest does not fit either
    WriteFile(pvrRoot / "DataFiles" / "big.rec", bytes.substr(0, 990 * 1024));
    asker.answers = {ConflictAnswer::ResumeAll};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(prompter.Texts().back(), "Not enough disk space!!");
}

TEST_F(JobFaults, ResumingAnEmptyDestinationShowsTheProgressAgain)
{
    WriteFile(pc / "a.bin", Pattern(5000, 1));
    WriteFile(pvrRoot / "DataFiles" / "a.bin", "");
    asker.answers = {ConflictAnswer::Resume};
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("a.bin", 5000)};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    const auto& calls = progress.Calls();
    auto hide = std::find(calls.begin(), calls.end(), "hide");
    ASSERT_NE(hide, calls.end());
    EXPECT_NE(std::find(hide, calls.end(), "show"), calls.end());
    EXPECT_EQ(ReadFile(pvrRoot / "DataFiles" / "a.bin"), ReadFile(pc / "a.bin"));
}

TEST_F(JobFaults, LastResortFindsABigFileByItsBytes)
{
    const uint64_t size = 1024000000 + 1536;  // shown as "976MB"
    fs::create_directories(pvrRoot / "DataFiles");
    {
        std::ofstream out(pvrRoot / "DataFiles" / "big.rec", std::ios::binary);
        out << "head";
    }
    fs::resize_file(pvrRoot / "DataFiles" / "big.rec", size);
    EmuFaults faults;
    faults.failCopies = 3;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FileRow("big.rec", size)};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);
    EXPECT_TRUE(asker.asked.empty());  // the part the broken copies left is the job's own
    EXPECT_EQ(fs::file_size(pc / "big.rec"), size);
}

TEST_F(JobFaults, LastResortWithoutASourceAsksNothing)
{
    WriteFile(pvrRoot / "DataFiles" / "stale.rec", Pattern(5000, 2));  // not the size the row shows
    EmuFaults faults;
    faults.failCopies = 3;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FileRow("stale.rec", 100)};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_TRUE(asker.asked.empty());
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_EQ(prompter.Texts()[0].find(std::string(kFailConnected) + "\n\n\"" + (pc / "stale.rec").string() + "\""), 0u);
    EXPECT_FALSE(fs::exists(pc / "stale.rec"));
}

TEST_F(JobFaults, DotFilesOnThePcAreAskedAbout)
{
    WriteFile(pvrRoot / "DataFiles" / ".profile", "from the PVR");
    WriteFile(pc / ".profile", "mine");
    asker.answers = {ConflictAnswer::SkipAll};
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FileRow(".profile", 12)};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(asker.asked.size(), 1u);
    EXPECT_EQ(ReadFile(pc / ".profile"), "mine");
}

TEST_F(JobFaults, FoldersThatCannotBeMadeFailTheJob)
{
    WriteFile(pvrRoot / "DataFiles" / "tree" / "x.rec", "x");
    fs::create_directories(pvrRoot / "DataFiles" / "tree" / "sub");
    WriteFile(pc / "tree" / "sub", "a PC file in the way");
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FolderRow("tree")};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Cannot make a folder."});
    EXPECT_EQ(ReadFile(pc / "tree" / "x.rec"), "x");

    prompter.shown.clear();
    fs::create_directories(pc / "empty" / "clash");
    WriteFile(pvrRoot / "DataFiles" / "empty" / "clash", "a PVR file in the way");
    host.pcSelection = {FolderRow("empty")};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Cannot make a folder."});
}

// A long copy bound to one CPU could neither leave a busy one nor spare the window's thread.
TEST_F(JobFaults, TheCopyThreadMayRunOnEveryCpuOfTheProgram)
{
    cpu_set_t mine;
    ASSERT_EQ(sched_getaffinity(0, sizeof mine, &mine), 0);
    if (CPU_COUNT(&mine) < 2)
        GTEST_SKIP() << "one CPU";
    WriteFile(pc / "a.bin", Pattern(100, 1));
    static std::atomic<int> cpus{0};
    ZbWindow counter{[](void*, uint32_t, uint32_t, const char*) {
                         cpu_set_t set;
                         cpus = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : -1;
                     },
                     nullptr};
    ASSERT_TRUE(UsbTaskFileSend("\\DataFiles\\a.bin", (pc / "a.bin").c_str(), &counter, kEvSendEnded));
    ASSERT_TRUE(testing_support::PollUntil([] { return cpus != 0; }));
    EXPECT_EQ(cpus, CPU_COUNT(&mine));
}

TEST_F(JobFaults, ArrivalResetsTheJobSideAndRemovalIdlesIt)
{
    engine.OnDeviceRemoved();
    EXPECT_FALSE(session.m_bConnected);
    EXPECT_FALSE(session.m_bUsbIdle);
    session.m_wVersion = 0;
    engine.OnDeviceArrived();
    EXPECT_TRUE(session.m_bConnected);
    EXPECT_TRUE(session.m_bUsbIdle);
    EXPECT_EQ(session.m_wVersion.load(), 0x0101);
    EXPECT_EQ(engine.State(), JobState::JobIdle);
    EXPECT_EQ(engine.Counters().index, 0u);
}

}
