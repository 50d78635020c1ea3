// Whole copy jobs against the emulator: trees, conflicts, resume, retries, cancel, limits.
#include "explorer/tests/emu_fixture.h"
#include "common/system_paths.h"
#include "explorer/pc_listing.h"
#include "explorer/pvr_protocol.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

using namespace explorer;

namespace {

const char* const kFailConnected =
    "Cannot copy the seleted file.   \n\nAlready used in the other process or \n\n unknown error occurred.  ";
const char* const kFailNoStb = "Cannot copy the seleted file.    \n\nCheck the USB line.  ";

void MakeTree(const fs::path& root)
{
    WriteFile(root / "show.rec", Pattern(70000, 1));
    WriteFile(root / "empty.bin", "");
    WriteFile(root / "a" / "one.mp3", Pattern(1023, 2));
    WriteFile(root / "a" / "b" / "two.txt", Pattern(1024, 3));
    WriteFile(root / "a" / "b" / "c" / "three.dat", Pattern(300000, 4));
    fs::create_directories(root / "a" / "b" / "empty folder");
}

class CopyJob : public EmuTest {};

TEST_F(CopyJob, SendsFoldersSeveralLevelsDeepByteForByte)
{
    MakeTree(pc / "tree");
    WriteFile(pc / "single.bin", Pattern(5000, 9));
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FolderRow("tree"), FileRow("single.bin", 5000)};
    ASSERT_TRUE(engine.StartSend());
    EXPECT_FALSE(host.enabled);
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);
    EXPECT_TRUE(TreeContents(pvrRoot / "DataFiles" / "tree") == TreeContents(pc / "tree"));
    EXPECT_TRUE(ReadFile(pvrRoot / "DataFiles" / "single.bin") == ReadFile(pc / "single.bin"));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(host.enabled);
    EXPECT_EQ(host.refreshPvr, 1);
    EXPECT_TRUE(session.m_bUsbIdle);
    EXPECT_EQ(UsbTaskGetPercent(), 100);
    EXPECT_TRUE(progress.Has("title Creating Folder(s)...."));
    EXPECT_TRUE(progress.Has("title Copying File(s)...... [PVR <-- PC]"));
    EXPECT_TRUE(progress.Has("bar 0/5 Folder : 1 / 5"));
    EXPECT_TRUE(progress.Has("bar 3/5 Folder : 4 / 5 yellow"));
}

TEST_F(CopyJob, ReceivesFoldersSeveralLevelsDeepByteForByte)
{
    MakeTree(pvrRoot / "DataFiles" / "tree");
    WriteFile(pvrRoot / "DataFiles" / "tree" / "hidden.ts", "side stream");
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FolderRow("tree")};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);
    auto expected = TreeContents(pvrRoot / "DataFiles" / "tree");
    expected.erase("hidden.ts");
    EXPECT_TRUE(TreeContents(pc / "tree") == expected);
    EXPECT_EQ(host.refreshPc, 1);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(CopyJob, TurboIsSwitchedOnForTheJobAndOffAtItsEnd)
{
    WriteFile(pc / "f.bin", Pattern(100, 1));
    session.m_bTurboButton = true;
    bool turboDuringCopy = false;
    beforeEvent = [&](uint32_t id, uint32_t) {
        if (id == kEvSendEnded)
            turboDuringCopy = EmuTurbo();
    };
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("f.bin", 100)};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_TRUE(turboDuringCopy);
    EXPECT_FALSE(EmuTurbo());
    EXPECT_FALSE(session.m_bTurboActive);
    auto log = EmuCommandLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.front(), kCmdTurbo);
    EXPECT_EQ(log.back(), kCmdTurbo);
}

TEST_F(CopyJob, SparseFileKeepsItsDataAndSize)
{
    {
        std::ofstream out(pc / "sparse.rec", std::ios::binary);
        out.seekp(3 << 20);
        out << Pattern(5000, 8);
    }
    fs::resize_file(pc / "sparse.rec", 9 << 20);
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("sparse.rec", 9 << 20)};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(fs::file_size(pvrRoot / "DataFiles" / "sparse.rec"), 9u << 20);
    EXPECT_TRUE(ReadFile(pvrRoot / "DataFiles" / "sparse.rec") == ReadFile(pc / "sparse.rec"));
    struct stat st {};
    ASSERT_EQ(stat((pvrRoot / "DataFiles" / "sparse.rec").c_str(), &st), 0);
    EXPECT_LT(uint64_t(st.st_blocks) * 512, 1u << 20);  // the holes stayed holes
}

// The kernel copies only within one file system; between two the copy goes through a buffer.
TEST_F(CopyJob, CopiesBetweenFileSystems)
{
    struct stat shm {}, tmp {};
    if (stat("/dev/shm", &shm) != 0 || stat(base.c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    const fs::path other = fs::path("/dev/shm") / ("explorer_copy_" + std::to_string(getpid()));
    fs::create_directories(other / "in");
    const std::string bytes = Pattern((3 << 20) + 77, 5);
    WriteFile(other / "film.rec", bytes);
    host.pvrFolder = "\\DataFiles";
    host.pcFolder = other.string();
    host.pcSelection = {FileRow("film.rec", bytes.size())};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    host.pcFolder = (other / "in").string();
    host.pvrSelection = {FileRow("film.rec", bytes.size())};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_TRUE(ReadFile(pvrRoot / "DataFiles" / "film.rec") == bytes);
    EXPECT_TRUE(ReadFile(other / "in" / "film.rec") == bytes);
    fs::remove_all(other);
}

TEST_F(CopyJob, TheDestinationListingOfASendRunsOffTheLoop)
{
    WriteFile(pc / "a.rec", Pattern(3000, 1));
    WriteFile(pvrRoot / "DataFiles" / "a.rec", Pattern(1000, 2));
    EmuFaults faults;
    faults.holdCommand = kCmdList;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("a.rec", 3000)};
    asker.answers = {ConflictAnswer::Overwrite};
    std::atomic<bool> loopFree{false}, released{false};
    std::thread watchdog([&] {
        if (!testing_support::PollUntil([&] { return loopFree.load(); }, std::chrono::seconds(10))) {
            released = true;  // the loop itself waits in the listing
            EmuReleaseCommands();
        }
    });
    ASSERT_TRUE(engine.StartSend());
    while (!EmuCommandHeld() && !released)
        loop.RunOnce(10, true);
    loopFree = true;
    watchdog.join();
    EXPECT_FALSE(released);
    EXPECT_TRUE(engine.AwaitingOutside());
    EXPECT_TRUE(progress.Has("title Copying File(s)...... [PVR <-- PC]"));
    EmuReleaseCommands();
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(asker.asked.size(), 1u);
    EXPECT_EQ(ReadFile(pvrRoot / "DataFiles" / "a.rec"), Pattern(3000, 1));
}

TEST_F(CopyJob, ClosingTheWindowStopsTheRunningCopy)
{
    WriteFile(pc / "a.bin", Pattern(10000, 1));
    WriteFile(pc / "b.bin", Pattern(10000, 2));
    EmuFaults faults;
    faults.holdCopies = true;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("a.bin", 10000), FileRow("b.bin", 10000)};
    ASSERT_TRUE(engine.StartSend());
    while (!EmuTaskActive())
        ASSERT_TRUE(loop.RunOnce(10000, engine.AwaitingOutside()));
    engine.CloseDuringJob();
    EXPECT_FALSE(engine.JobActive());
    while (EmuTaskActive() || !loop.Idle())
        loop.RunOnce(10, false);
    EXPECT_EQ(EmuTaskLog().size(), 1u);
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "b.bin"));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(CopyJob, RemovalWhileScanningEndsTheJob)
{
    MakeTree(pvrRoot / "DataFiles" / "tree");
    EmuFaults faults;
    faults.holdCommand = kCmdList;  // the scan's first listing waits
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FolderRow("tree")};
    ASSERT_TRUE(engine.StartReceive());
    AwaitHeldCommand();
    engine.OnDeviceRemoved();
    EXPECT_EQ(engine.State(), JobState::JobIdle);
    EmuReleaseCommands();
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Cancelled);
    EXPECT_FALSE(session.m_bConnected);
    EXPECT_FALSE(session.m_bUsbIdle);
    EXPECT_TRUE(host.enabled);
    EXPECT_TRUE(EmuTaskLog().empty());
}

TEST_F(CopyJob, NoSelectionOnlyTellsTheUser)
{
    EXPECT_FALSE(engine.StartSend());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Select a file in the list.");
    EXPECT_EQ(prompter.shown[0].title, "NOTICE");
    EXPECT_FALSE(engine.JobActive());
    EXPECT_TRUE(session.m_bUsbIdle);
}

TEST_F(CopyJob, BusyLineStartsNothing)
{
    host.pcSelection = {FileRow("f.bin", 100)};
    session.m_bUsbIdle = false;
    EXPECT_FALSE(engine.StartSend());
    EXPECT_FALSE(engine.JobActive());
    EXPECT_TRUE(prompter.shown.empty());
}

// Conflicts, version 0x0101: the Duplicate window's seven answers.
class Duplicate : public EmuTest {
protected:
    void SetUp() override
    {
        EmuTest::SetUp();
        // Three conflicts (x, y, z) with a half-copied destination, and one new file.
        for (const char* name : {"x.bin", "y.bin", "z.bin", "new.bin"})
            WriteFile(pc / name, Pattern(8192, unsigned(name[0])));
        for (const char* name : {"x.bin", "y.bin", "z.bin"})
            WriteFile(pvrRoot / "DataFiles" / name, ReadFile(pc / name).substr(0, 3000));
        host.pvrFolder = "\\DataFiles";
        for (const char* name : {"x.bin", "y.bin", "new.bin", "z.bin"})
            host.pcSelection.push_back(FileRow(name, 8192));
    }
    bool Same(const char* name) { return ReadFile(pvrRoot / "DataFiles" / name) == ReadFile(pc / name); }
    bool Untouched(const char* name) { return fs::file_size(pvrRoot / "DataFiles" / name) == 3000; }
    void Run()
    {
        ASSERT_TRUE(engine.StartSend());
        ASSERT_TRUE(RunJob());
    }
};

TEST_F(Duplicate, OverwriteAsksAgainForTheNextConflict)
{
    asker.answers = {ConflictAnswer::Overwrite, ConflictAnswer::Skip, ConflictAnswer::Overwrite};
    PvrListing before = ListPvrFolder(session, "\\DataFiles");
    auto x = std::find_if(before.entries.begin(), before.entries.end(), [](auto& e) { return e.name == "x.bin"; });
    ASSERT_NE(x, before.entries.end());
    struct stat pcFile {};
    ASSERT_EQ(stat((pc / "x.bin").c_str(), &pcFile), 0);
    Run();
    EXPECT_EQ(asker.asked.size(), 3u);
    // Both files' sizes and dates under the question, the one there first.
    EXPECT_EQ(asker.asked[0], "duplicate: This folder already contains a file named \n\n   'x.bin'\n\n"
                              " Existing file :   3,000 bytes   " + x->date + "\n"
                              " New file :        8,192 bytes   " + LocalMinuteText(pcFile.st_mtime));
    EXPECT_TRUE(Same("x.bin"));
    EXPECT_TRUE(Untouched("y.bin"));
    EXPECT_TRUE(Same("new.bin"));
    EXPECT_TRUE(Same("z.bin"));
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);
}

TEST_F(Duplicate, OverwriteAllAsksOnce)
{
    asker.answers = {ConflictAnswer::OverwriteAll};
    Run();
    EXPECT_EQ(asker.asked.size(), 1u);
    for (const char* name : {"x.bin", "y.bin", "z.bin", "new.bin"})
        EXPECT_TRUE(Same(name)) << name;
}

TEST_F(Duplicate, ResumeCompletesTheHalfCopiedFile)
{
    asker.answers = {ConflictAnswer::Resume, ConflictAnswer::Skip, ConflictAnswer::Skip};
    Run();
    EXPECT_TRUE(Same("x.bin"));
    EXPECT_TRUE(Untouched("y.bin"));
    auto tasks = EmuTaskLog();
    ASSERT_FALSE(tasks.empty());
    EXPECT_EQ(tasks[0].offset, 3000u);
}

TEST_F(Duplicate, ResumeAllContinuesEveryConflict)
{
    asker.answers = {ConflictAnswer::ResumeAll};
    Run();
    EXPECT_EQ(asker.asked.size(), 1u);
    for (const char* name : {"x.bin", "y.bin", "z.bin", "new.bin"})
        EXPECT_TRUE(Same(name)) << name;
    std::vector<uint64_t> offsets;
    for (const auto& task : EmuTaskLog())
        offsets.push_back(task.offset);
    EXPECT_EQ(offsets, (std::vector<uint64_t>{3000, 3000, 0, 3000}));
}

TEST_F(Duplicate, SkipKeepsTheFileAndAsksAgain)
{
    asker.answers = {ConflictAnswer::Skip, ConflictAnswer::Overwrite, ConflictAnswer::Skip};
    Run();
    EXPECT_EQ(asker.asked.size(), 3u);
    EXPECT_TRUE(Untouched("x.bin"));
    EXPECT_TRUE(Same("y.bin"));
    EXPECT_TRUE(Untouched("z.bin"));
}

TEST_F(Duplicate, SkipAllSkipsLaterConflictsButCopiesNewFiles)
{
    asker.answers = {ConflictAnswer::SkipAll};
    Run();
    EXPECT_EQ(asker.asked.size(), 1u);
    EXPECT_TRUE(Untouched("x.bin"));
    EXPECT_TRUE(Untouched("y.bin"));
    EXPECT_TRUE(Untouched("z.bin"));
    EXPECT_TRUE(Same("new.bin"));
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);
}

TEST_F(Duplicate, CancelEndsTheJobBeforeLaterFiles)
{
    asker.answers = {ConflictAnswer::Cancel};
    Run();
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Cancelled);
    EXPECT_TRUE(Untouched("x.bin"));
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "new.bin"));
    EXPECT_TRUE(session.m_bUsbIdle);
    EXPECT_TRUE(host.enabled);
}

TEST_F(Duplicate, ResumeOfAFileAlreadyCompleteCopiesNothing)
{
    WriteFile(pvrRoot / "DataFiles" / "x.bin", ReadFile(pc / "x.bin"));
    host.pcSelection = {FileRow("x.bin", 8192)};
    asker.answers = {ConflictAnswer::Resume};
    Run();
    EXPECT_TRUE(EmuTaskLog().empty());
    EXPECT_TRUE(Same("x.bin"));
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);
}

TEST_F(Duplicate, ReceiveResumeContinuesTheHalfReceivedFile)
{
    WriteFile(pvrRoot / "DataFiles" / "movie.rec", Pattern(50000, 5));
    WriteFile(pc / "movie.rec", Pattern(50000, 5).substr(0, 20000));
    host.pvrSelection = {FileRow("movie.rec", 50000)};
    asker.answers = {ConflictAnswer::ResumeAll};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_TRUE(ReadFile(pc / "movie.rec") == Pattern(50000, 5));
    ASSERT_EQ(EmuTaskLog().size(), 1u);
    EXPECT_EQ(EmuTaskLog()[0].offset, 20000u);
}

// Version 0x0100: the Replace window's four answers, no resume.
class Replace : public Duplicate {
protected:
    void SetUp() override
    {
        Duplicate::SetUp();
        EmuReset(pvrRoot.string(), 0x0100);
        ASSERT_TRUE(StartPnpNotice(&window));
        session.m_wVersion = QueryDeviceVersion(session);
        ASSERT_EQ(session.m_wVersion, 0x0100);
    }
};

TEST_F(Replace, YesReplacesAndAsksAgain)
{
    asker.answers = {ConflictAnswer::Yes, ConflictAnswer::No, ConflictAnswer::Yes};
    Run();
    ASSERT_EQ(asker.asked.size(), 3u);
    EXPECT_EQ(asker.asked[0].substr(0, asker.asked[0].find("?") + 1),
              "replace:This folder already contains a file named \n\n  'x.bin'.\n\n Would you like to "
              "replce the existing file?");
    EXPECT_NE(asker.asked[0].find("?\n\n Existing file :   3,000 bytes"), std::string::npos);
    EXPECT_NE(asker.asked[0].find("\n New file :        8,192 bytes"), std::string::npos);
    EXPECT_TRUE(Same("x.bin"));
    EXPECT_TRUE(Untouched("y.bin"));
    EXPECT_TRUE(Same("z.bin"));
    for (const auto& task : EmuTaskLog())
        EXPECT_EQ(task.offset, 0u);
}

TEST_F(Replace, YesToAllReplacesEverything)
{
    asker.answers = {ConflictAnswer::YesToAll};
    Run();
    EXPECT_EQ(asker.asked.size(), 1u);
    for (const char* name : {"x.bin", "y.bin", "z.bin", "new.bin"})
        EXPECT_TRUE(Same(name)) << name;
}

TEST_F(Replace, NoKeepsTheFile)
{
    asker.answers = {ConflictAnswer::No, ConflictAnswer::No, ConflictAnswer::No};
    Run();
    EXPECT_TRUE(Untouched("x.bin"));
    EXPECT_TRUE(Untouched("z.bin"));
    EXPECT_TRUE(Same("new.bin"));
}

TEST_F(Replace, CancelEndsTheJob)
{
    asker.answers = {ConflictAnswer::Cancel};
    Run();
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Cancelled);
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "new.bin"));
}

TEST_F(Replace, MissingSourceIsReported)
{
    host.pcSelection = {FileRow("gone.bin", 10)};
    Run();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "File does not exist.   \n\n\"" + (pc / "gone.bin").string() + "\"  ");
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
}

// Failures, retries and the last-resort receive.
class Failures : public EmuTest {};

TEST_F(Failures, FailedSendIsTriedThreeTimesASecondApartThenReported)
{
    WriteFile(pc / "f.bin", Pattern(4000, 1));
    EmuFaults faults;
    faults.failCopies = -1;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("f.bin", 4000)};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(EmuTaskLog().size(), 3u);
    // The library's notices and the timer's repeats of them.
    EXPECT_EQ(FileEventTimes(kEvSendEnded), (std::vector<uint64_t>{0, 1001, 2002}));
    EXPECT_EQ(loop.NowMs(), 3003u);
    ASSERT_EQ(prompter.shown.size(), 1u);
    // Which file failed is said, and what it may have left on the PVR.
    EXPECT_EQ(prompter.shown[0].text, std::string(kFailConnected) + "\n\n\"" + (pc / "f.bin").string() +
                                          "\"\n\n\"\\DataFiles\\f.bin\" on the PVR may be incomplete;\n"
                                          "copy the file again and choose Resume to complete it.");
    EXPECT_EQ(prompter.shown[0].title, "Copy Failure");
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
}

TEST_F(Failures, FailedReceiveGetsTheLastResortAttempt)
{
    // A name with bytes the PC side cannot take, and copies that break three times.
    std::string name = "caf\xe9 news|.rec";
    WriteFile(pvrRoot / "DataFiles" / name, Pattern(9000, 7));
    EmuFaults faults;
    faults.failCopies = 3;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FileRow(name, 9000)};
    TraceCapture trace;
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);
    auto tasks = EmuTaskLog();
    ASSERT_EQ(tasks.size(), 4u);
    EXPECT_EQ(FileEventTimes(kEvReceiveEnded).back(), 3003u);
    EXPECT_TRUE(trace.Contains("last-resort"));
    EXPECT_TRUE(ReadFile(pc / "caf_ news_.rec") == Pattern(9000, 7));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(Failures, FailedOnceIsRetriedToAnIdenticalResult)
{
    WriteFile(pc / "f.bin", Pattern(64000, 3));
    EmuFaults faults;
    faults.failCopies = 1;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("f.bin", 64000)};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_TRUE(ReadFile(pvrRoot / "DataFiles" / "f.bin") == ReadFile(pc / "f.bin"));
    EXPECT_EQ(EmuTaskLog().size(), 2u);
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);
}

// The PVR's disk is a PC folder: a destination that is the source itself must not be cut.
TEST_F(Failures, CopyOntoItsOwnSourceFailsAndKeepsIt)
{
    const std::string bytes = Pattern(70000, 6);
    WriteFile(pc / "own.rec", bytes);
    fs::create_symlink(pc / "own.rec", pvrRoot / "DataFiles" / "own.rec");
    asker.answers = {ConflictAnswer::Overwrite, ConflictAnswer::Overwrite};
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("own.rec", bytes.size())};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
    EXPECT_TRUE(ReadFile(pc / "own.rec") == bytes);

    fs::remove(pvrRoot / "DataFiles" / "own.rec");
    fs::rename(pc / "own.rec", pvrRoot / "DataFiles" / "own.rec");
    fs::create_symlink(pvrRoot / "DataFiles" / "own.rec", pc / "own.rec");
    host.pvrSelection = {FileRow("own.rec", bytes.size())};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
    EXPECT_TRUE(ReadFile(pvrRoot / "DataFiles" / "own.rec") == bytes);
}

TEST_F(Failures, RemovedStbIsReportedAsALineFault)
{
    WriteFile(pc / "f.bin", Pattern(64000, 3));
    WriteFile(pc / "g.bin", Pattern(100, 3));
    EmuFaults faults;
    faults.chunkBytes = 4096;
    faults.dropAfterChunks = 2;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("f.bin", 64000), FileRow("g.bin", 100)};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    ASSERT_EQ(prompter.shown.size(), 1u);
    // The part sent stays on the PVR, and the notice says so.
    EXPECT_EQ(prompter.shown[0].text, std::string(kFailNoStb) + "\n\n\"" + (pc / "f.bin").string() +
                                          "\"\n\n\"\\DataFiles\\f.bin\" on the PVR may be incomplete;\n"
                                          "copy the file again and choose Resume to complete it.");
    EXPECT_EQ(fs::file_size(pvrRoot / "DataFiles" / "f.bin"), 8192u);
    EXPECT_FALSE(session.m_bConnected);
    EXPECT_EQ(EmuTaskLog().size(), 1u);
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "g.bin"));

    // Plugged in again: the arrival notice, and the STB opens.
    EXPECT_FALSE(TryDeviceOpen());
    EmuAttachDevice();
    ASSERT_TRUE(loop.RunOnce(0, false));
    EXPECT_EQ(events.back().id, kEvDeviceArrival);
    EXPECT_TRUE(TryDeviceOpen());
    EXPECT_TRUE(DeviceArrival(nullptr));
}

TEST_F(Failures, SourceThatCannotBeOpenedEndsTheJob)
{
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("missing.bin", 10)};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Already used in the other process or   \n\n  file does not exist.   \n\n\"" +
                                          (pc / "missing.bin").string() + "\" ");
}

// A folder the job made skips the read check before a file's first attempt: a file gone since
// the scan is still named, by the retry, and leaves nothing on the PVR.
TEST_F(Failures, AFileGoneSinceTheScanIsNamedInAFolderTheJobMade)
{
    WriteFile(pc / "out" / "a.bin", "first");
    WriteFile(pc / "out" / "b.bin", "second");
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FolderRow("out")};
    beforeEvent = [this](uint32_t id, uint32_t) {
        if (id == kEvSendEnded)
            fs::remove(pc / "out" / "b.bin");
    };
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{CannotOpenText((pc / "out" / "b.bin").string())});
    EXPECT_TRUE(fs::exists(pvrRoot / "DataFiles" / "out" / "a.bin"));
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "out" / "b.bin"));
    EXPECT_EQ(EmuTaskLog().size(), 2u) << "b.bin's first attempt is the library's, the retry is checked first";
}

TEST_F(Failures, LongestNameAPvrEntryHoldsGoesAndComesBack)
{
    std::string ok(kPvrNameMax, 'n'), tooLong(kPvrNameMax + 1, 'n');
    WriteFile(pc / "out" / ok, "longest");
    WriteFile(pc / tooLong, "one more");
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FolderRow("out"), FileRow(tooLong, 8)};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / tooLong));
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{TooLongText((pc / tooLong).string())});

    host.pcFolder = (pc / "back").string();
    fs::create_directories(pc / "back");
    host.pvrSelection = {FolderRow("out")};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(ReadFile(pc / "back" / "out" / ok), "longest");
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Done);
}

TEST_F(Failures, FolderNamesTooLongAreRefusedBeforeAnyCopy)
{
    std::string tooLong(kPvrNameMax + 1, 'd');
    WriteFile(pc / "tree" / "first.bin", "first");
    WriteFile(pc / "tree" / tooLong / "inside.bin", "inside");
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FolderRow("tree")};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{TooLongText((pc / "tree" / tooLong).string())});
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "tree"));
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Failed);
}

// Cancel at each stage.
class Cancel : public EmuTest {};

TEST_F(Cancel, DuringScanning)
{
    MakeTree(pvrRoot / "DataFiles" / "tree");
    EmuFaults faults;
    faults.holdCommand = kCmdList;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FolderRow("tree")};
    ASSERT_TRUE(engine.StartReceive());
    AwaitHeldCommand();
    engine.CancelJob();
    EmuReleaseCommands();
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Cancelled);
    EXPECT_FALSE(fs::exists(pc / "tree"));
    EXPECT_TRUE(EmuTaskLog().empty());
    EXPECT_TRUE(session.m_bUsbIdle);
}

TEST_F(Cancel, DuringFolderCreation)
{
    MakeTree(pc / "tree");
    EmuFaults faults;
    faults.holdCommand = kCmdMakeFolder;  // the second folder waits
    faults.holdSkip = 1;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FolderRow("tree")};
    ASSERT_TRUE(engine.StartSend());
    AwaitHeldCommand();
    engine.CancelJob();
    EmuReleaseCommands();
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Cancelled);
    EXPECT_TRUE(fs::exists(pvrRoot / "DataFiles" / "tree"));
    // The folder being announced when the cancel came is still made, nothing after it.
    EXPECT_TRUE(fs::exists(pvrRoot / "DataFiles" / "tree" / "a"));
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "tree" / "a" / "b"));
    EXPECT_TRUE(EmuTaskLog().empty());
    EXPECT_TRUE(session.m_bUsbIdle);
}

TEST_F(Cancel, DuringCopying)
{
    WriteFile(pc / "a.bin", Pattern(10000, 1));
    WriteFile(pc / "b.bin", Pattern(10000, 2));
    EmuFaults faults;
    faults.holdCopies = true;
    EmuSetFaults(faults);
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("a.bin", 10000), FileRow("b.bin", 10000)};
    ASSERT_TRUE(engine.StartSend());
    while (!EmuTaskActive())
        ASSERT_TRUE(loop.RunOnce(10000, engine.AwaitingOutside()));
    engine.CancelJob();
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Cancelled);
    EXPECT_EQ(EmuTaskLog().size(), 1u);
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "b.bin"));
    // The cut-short file keeps its name on the PVR, where a resume looks for it.
    EXPECT_TRUE(fs::exists(pvrRoot / "DataFiles" / "a.bin"));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "NOTICE");
    EXPECT_EQ(prompter.shown[0].text, "The copy was cancelled.\n\n\"\\DataFiles\\a.bin\" on the PVR is incomplete;\n"
                                      "copy the file again and choose Resume to complete it.");

    EmuSetFaults({});
    asker.answers = {ConflictAnswer::Resume};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(ReadFile(pvrRoot / "DataFiles" / "a.bin"), Pattern(10000, 1));
    EXPECT_EQ(ReadFile(pvrRoot / "DataFiles" / "b.bin"), Pattern(10000, 2));
    EXPECT_EQ(prompter.shown.size(), 1u);
}

// A receive cut short by Cancel must not pass for the whole file: its part is kept as
// NAME.part, the notice names it, and the next copy resumes it.
TEST_F(Cancel, DuringAReceiveKeepsThePartUnderItsOwnName)
{
    WriteFile(pvrRoot / "DataFiles" / "big1.rec", Pattern(300000, 3));
    EmuFaults slow;
    slow.chunkBytes = 4096;
    slow.chunkDelayMs = 10;
    EmuSetFaults(slow);
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FileRow("big1.rec", 300000)};
    ASSERT_TRUE(engine.StartReceive());
    fs::path whole = pc / "big1.rec", part = pc / "big1.rec.part";
    while (!EmuTaskActive())
        ASSERT_TRUE(loop.RunOnce(10000, engine.AwaitingOutside()));
    ASSERT_TRUE(testing_support::PollUntil([&] {
        std::error_code ec;
        return fs::file_size(whole, ec) > 0 && !ec;
    }));
    engine.CancelJob();
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(engine.LastOutcome(), JobOutcome::Cancelled);
    EXPECT_FALSE(fs::exists(whole));
    ASSERT_TRUE(fs::exists(part));
    EXPECT_LT(fs::file_size(part), 300000u);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The copy was cancelled.\n\n\"" + whole.string() + "\" is incomplete.\n\n"
                                      "The part received is kept as \"" + part.string() + "\";\n"
                                      "copy the file again and choose Resume to complete it.");

    EmuSetFaults({});
    asker.answers = {ConflictAnswer::Resume};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(ReadFile(whole), Pattern(300000, 3));
    EXPECT_FALSE(fs::exists(part));
    ASSERT_EQ(EmuTaskLog().size(), 2u);
    EXPECT_GT(EmuTaskLog()[1].offset, 0u);
}

// Limits and free space.
class Limits : public EmuTest {};

TEST_F(Limits, TooManyFilesAreRefusedBeforeAnyCopy)
{
    for (int i = 0; i < 19999; ++i)
        host.pcSelection.push_back(FileRow("f" + std::to_string(i), 1));
    host.pvrFolder = "\\DataFiles";
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Too many file number!!");
    EXPECT_EQ(prompter.shown[0].title, "Copy Failure");
    EXPECT_TRUE(EmuTaskLog().empty());
}

TEST_F(Limits, NineteenThousandNineHundredNinetyEightFilesRun)
{
    WriteFile(pc / "f0", "first");
    for (int i = 0; i < 19998; ++i)
        host.pcSelection.push_back(FileRow("f" + std::to_string(i), 1));
    host.pvrFolder = "\\DataFiles";
    beforeEvent = [this](uint32_t id, uint32_t) {
        if (id == kEvSendEnded)
            engine.CancelJob();
    };
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(ReadFile(pvrRoot / "DataFiles" / "f0"), "first");
}

TEST_F(Limits, FolderListingBeyondTheListsRoomIsRefused)
{
    std::vector<uint8_t> payload;
    for (int i = 0; i < 500; ++i) {
        auto entry = EmuMakeEntry("r" + std::to_string(i) + ".rec", false, 10, 53086, 1, 2);
        payload.insert(payload.end(), entry.begin(), entry.end());
    }
    std::vector<std::vector<uint8_t>> packets(41, EmuMakeReply(kReplyEntries, payload));
    packets.push_back(EmuMakeReply(kReplyListEnd, {}));
    EmuScriptListing(std::move(packets));
    fs::create_directories(pvrRoot / "DataFiles" / "huge");
    host.pvrFolder = "\\DataFiles";
    host.pvrSelection = {FolderRow("huge")};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Too many file number!!"});
    EXPECT_TRUE(EmuTaskLog().empty());
}

TEST_F(Limits, FreeSpaceMustExceedTheJob)
{
    WriteFile(pc / "zero.bin", "");
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FileRow("zero.bin", 0)};
    EmuSetFreeKb(0);
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Not enough disk space!!");
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "zero.bin"));

    EmuSetFreeKb(1);
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(fs::exists(pvrRoot / "DataFiles" / "zero.bin"));
}

// Names from the STB never lead outside the receiving folder.
class Hostile : public EmuTest {};

TEST_F(Hostile, ScriptedListingCopiesNothingOutsideTheDestination)
{
    WriteFile(pvrRoot / "evil" / "good.txt", "good");
    fs::create_directories(pvrRoot / "evil" / "sub");
    fs::create_directories(pc / "dest");
    std::vector<uint8_t> payload;
    auto add = [&payload](const std::string& name, bool folder, uint64_t size) {
        auto entry = EmuMakeEntry(name, folder, size, 53086, 12, 3);
        payload.insert(payload.end(), entry.begin(), entry.end());
    };
    add("good.txt", false, 4);
    add("..", true, 0);
    add("../../outside.txt", false, 4);
    add("..\\..\\outside.txt", false, 4);
    add(std::string(200, 'L'), false, 4);
    add("sub", true, 0);
    add("x/..", true, 0);
    payload.resize(payload.size() + 50, 0xEE);  // a truncated entry
    EmuScriptListing({EmuMakeReply(kReplyEntries, payload), EmuMakeReply(kReplyListEnd, {})});
    auto before = TreeContents(base);
    host.pvrFolder = "";
    host.pcFolder = (pc / "dest").string();
    host.pvrSelection = {FolderRow("evil")};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    auto after = TreeContents(base);
    for (const auto& [path, bytes] : after) {
        if (!before.count(path)) {
            EXPECT_TRUE(path.starts_with("pc/dest/evil/")) << path;
        }
    }
    EXPECT_EQ(ReadFile(pc / "dest" / "evil" / "good.txt"), "good");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, kFailConnected);
}

TEST_F(Hostile, RealNamesWithSeparatorsAreRefused)
{
    WriteFile(pvrRoot / "DataFiles" / "..\\..\\escape.txt", "escape");
    host.pvrFolder = "\\DataFiles";
    host.pcFolder = (pc / "in").string();
    fs::create_directories(pc / "in");
    host.pvrSelection = {FileRow("..\\..\\escape.txt", 6)};
    ASSERT_TRUE(engine.StartReceive());
    ASSERT_TRUE(RunJob());
    EXPECT_TRUE(fs::is_empty(pc / "in"));
    EXPECT_FALSE(fs::exists(base / "escape.txt"));
    EXPECT_TRUE(EmuTaskLog().empty());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kFailConnected});
}

}

namespace {

TEST_F(Hostile, PcNamesWithBackslashesAreNotSent)
{
    WriteFile(pc / "tree" / "ok.txt", "ok");
    WriteFile(pc / "tree" / "a\\b.txt", "sneaky");
    host.pvrFolder = "\\DataFiles";
    host.pcSelection = {FolderRow("tree")};
    ASSERT_TRUE(engine.StartSend());
    ASSERT_TRUE(RunJob());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{kFailConnected});
    EXPECT_FALSE(fs::exists(pvrRoot / "DataFiles" / "tree" / "a"));
    EXPECT_TRUE(EmuTaskLog().empty());  // "a\\b.txt" sorts first and ends the job
}

}
