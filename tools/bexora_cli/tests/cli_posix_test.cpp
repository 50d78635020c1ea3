// bexora-cli as a user runs it: a process over the emulator on a temporary PVR folder.
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string output;  // stdout and stderr
};

class BexoraCli : public ::testing::Test {
protected:
    testing_support::TempFolder temp{"bexora_cli"};
    fs::path base = temp.Path();
    fs::path pvr = base / "pvr";
    fs::path pc = base / "pc";

    void SetUp() override
    {
        fs::create_directories(pc);
        fs::create_directories(pvr);
        setenv("ZBDLL_SIM_ROOT", pvr.c_str(), 1);
        unsetenv("ZBDLL_SIM_VERSION");
    }

    Result Run(const std::string& arguments)
    {
        // Ended after a minute: a hang fails the test (status 124).
        std::string command = "timeout -k 5 60 " + std::string(BEXORA_CLI) + " " + arguments + " </dev/null 2>&1";
        Result result;
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.output.append(buffer, got);
        int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }
    static void Write(const fs::path& path, const std::string& bytes)
    {
        fs::create_directories(path.parent_path());
        testing_support::WriteFileText(path, bytes);
    }
    static std::string Read(const fs::path& path) { return testing_support::ReadFileText(path); }
    std::string Q(const fs::path& path) { return "'" + path.string() + "'"; }
};

TEST_F(BexoraCli, PutListGetRoundTrip)
{
    Write(pc / "tree" / "a" / "one.rec", std::string(5000, '1'));
    Write(pc / "tree" / "two.mp3", "two");
    Write(pc / "single.txt", "single");
    Result put = Run("put " + Q(pc / "tree") + " " + Q(pc / "single.txt") + " /DataFiles");
    ASSERT_EQ(put.status, 0) << put.output;
    EXPECT_EQ(Read(pvr / "DataFiles" / "tree" / "a" / "one.rec"), std::string(5000, '1'));

    Result ls = Run("ls /DataFiles/tree");
    EXPECT_EQ(ls.status, 0);
    EXPECT_NE(ls.output.find("two.mp3"), std::string::npos);
    EXPECT_NE(ls.output.find("MP3 File"), std::string::npos);
    EXPECT_LT(ls.output.find("a "), ls.output.find("two.mp3"));  // folders first

    fs::create_directories(base / "back");
    Result get = Run("get /DataFiles/tree /DataFiles/single.txt " + Q(base / "back"));
    ASSERT_EQ(get.status, 0) << get.output;
    EXPECT_EQ(Read(base / "back" / "tree" / "a" / "one.rec"), std::string(5000, '1'));
    EXPECT_EQ(Read(base / "back" / "tree" / "two.mp3"), "two");
    EXPECT_EQ(Read(base / "back" / "single.txt"), "single");

    Result df = Run("df");
    EXPECT_EQ(df.status, 0);
    EXPECT_EQ(df.output.rfind("[PVR HDD] ", 0), 0u) << df.output;
}

TEST_F(BexoraCli, ConflictsFollowTheFlagsOrEndTheJob)
{
    Write(pc / "x.rec", "new contents");
    Write(pvr / "DataFiles" / "x.rec", "old");
    Result unanswered = Run("put " + Q(pc / "x.rec") + " /DataFiles");
    EXPECT_EQ(unanswered.status, 1);
    EXPECT_NE(unanswered.output.find("This folder already contains a file named"), std::string::npos);
    EXPECT_EQ(Read(pvr / "DataFiles" / "x.rec"), "old");

    EXPECT_EQ(Run("put --skip " + Q(pc / "x.rec") + " /DataFiles").status, 0);
    EXPECT_EQ(Read(pvr / "DataFiles" / "x.rec"), "old");
    EXPECT_EQ(Run("put --resume " + Q(pc / "x.rec") + " /DataFiles").status, 0);
    EXPECT_EQ(Read(pvr / "DataFiles" / "x.rec"), "old contents");  // continued after its three bytes
    EXPECT_EQ(Run("put --overwrite " + Q(pc / "x.rec") + " /DataFiles").status, 0);
    EXPECT_EQ(Read(pvr / "DataFiles" / "x.rec"), "new contents");

    setenv("ZBDLL_SIM_VERSION", "0100", 1);
    Write(pvr / "DataFiles" / "x.rec", "old");
    EXPECT_EQ(Run("put --resume " + Q(pc / "x.rec") + " /DataFiles").status, 0);
    EXPECT_EQ(Read(pvr / "DataFiles" / "x.rec"), "new contents");
}

TEST_F(BexoraCli, FolderCommandsAndTheirRefusals)
{
    EXPECT_EQ(Run("mkdir /MP3/Albums").status, 0);
    EXPECT_TRUE(fs::is_directory(pvr / "MP3" / "Albums"));
    Result bad = Run("mkdir '/MP3/a*b'");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.output.find("A filename cannot contain any of the following characters:"), std::string::npos);

    EXPECT_EQ(Run("mv /MP3/Albums /MP3/Records").status, 0);
    EXPECT_TRUE(fs::is_directory(pvr / "MP3" / "Records"));
    EXPECT_EQ(Run("mv /MP3/Records /DataFiles").status, 0);
    EXPECT_TRUE(fs::is_directory(pvr / "DataFiles" / "Records"));
    Result into = Run("mv /DataFiles /DataFiles/Records");
    EXPECT_EQ(into.status, 1);
    EXPECT_NE(into.output.find("Invalid moving command."), std::string::npos);

    Result system = Run("rm -y /MP3");
    EXPECT_EQ(system.status, 1);
    EXPECT_NE(system.output.find("Cannot delete the system folder!"), std::string::npos);
    EXPECT_TRUE(fs::exists(pvr / "MP3"));
    EXPECT_EQ(Run("rm /DataFiles/Records").status, 1);  // no answer on stdin: not deleted
    EXPECT_TRUE(fs::exists(pvr / "DataFiles" / "Records"));
    EXPECT_EQ(Run("rm -y /DataFiles/Records").status, 0);
    EXPECT_FALSE(fs::exists(pvr / "DataFiles" / "Records"));
}

TEST_F(BexoraCli, FailuresGiveTheMessageAndAnExitStatus)
{
    std::string longName(95, 'n');
    Write(pc / longName, "x");
    Result tooLong = Run("put " + Q(pc / longName) + " /DataFiles");
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.output.find("The filename is too long!!"), std::string::npos);
    EXPECT_NE(Run("get /DataFiles/none.rec " + Q(pc)).status, 0);
    EXPECT_NE(Run("ls /NoSuchFolder").status, 0);
    EXPECT_NE(Run("put " + Q(pc / "missing") + " /DataFiles").status, 0);
}

TEST_F(BexoraCli, WhatCannotBeCopiedOrMadeExitsNonZero)
{
    Write(pc / "tree" / "ok.bin", "ok");
    ASSERT_EQ(mkfifo((pc / "tree" / "pipe").c_str(), 0600), 0);
    Result special = Run("put " + Q(pc / "tree") + " /DataFiles");
    EXPECT_EQ(special.status, 1);
    EXPECT_NE(special.output.find((pc / "tree" / "pipe").string()), std::string::npos) << special.output;
    fs::remove(pc / "tree" / "pipe");
    fs::create_symlink(pc / "nowhere", pc / "tree" / "dangling");
    Result dangling = Run("put " + Q(pc / "tree") + " /DataFiles");
    EXPECT_EQ(dangling.status, 1);
    EXPECT_NE(dangling.output.find((pc / "tree" / "dangling").string()), std::string::npos) << dangling.output;
    fs::remove(pc / "tree" / "dangling");
    if (geteuid() != 0) {  // root reads any folder
        fs::create_directories(pc / "tree" / "locked");
        fs::permissions(pc / "tree" / "locked", fs::perms::none);
        Result locked = Run("put " + Q(pc / "tree") + " /DataFiles");
        fs::permissions(pc / "tree" / "locked", fs::perms::owner_all);
        EXPECT_EQ(locked.status, 1);
        EXPECT_NE(locked.output.find((pc / "tree" / "locked").string()), std::string::npos) << locked.output;
    }

    fs::create_directories(pc / "empty" / "clash");
    Write(pvr / "DataFiles" / "empty" / "clash", "PVR file");
    Result put = Run("put " + Q(pc / "empty") + " /DataFiles");
    EXPECT_EQ(put.status, 1);
    EXPECT_NE(put.output.find("Cannot make a folder."), std::string::npos);

    fs::create_directories(pvr / "DataFiles" / "rec" / "sub");
    Write(base / "in" / "rec" / "sub", "PC file");
    Result get = Run("get /DataFiles/rec " + Q(base / "in"));
    EXPECT_EQ(get.status, 1);
    EXPECT_NE(get.output.find("Cannot make a folder."), std::string::npos);
}

TEST_F(BexoraCli, DotFilesBareNamesAndTheCommandLine)
{
    Write(pvr / "DataFiles" / ".config", "from the PVR");
    Write(pc / ".config", "mine");
    EXPECT_EQ(Run("get --skip /DataFiles/.config " + Q(pc)).status, 0);
    EXPECT_EQ(Read(pc / ".config"), "mine");

    Write(pvr / "DataFiles" / "a.rec", "a");
    EXPECT_EQ(Run("mv /DataFiles/a.rec b.rec").status, 0);
    EXPECT_EQ(Read(pvr / "DataFiles" / "b.rec"), "a");

    EXPECT_EQ(Run("ls /DataFiles >/dev/full").status, 1);
    EXPECT_EQ(Run("get /DataFiles/b.rec").status, 2);
    EXPECT_EQ(Run("frobnicate").status, 2);
    Result help = Run("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* name : {"ZBDLL_SIM_ROOT", "ZBDLL_SIM_VERSION", "ZBDLL_SIM_FAIL_COPY", ".local/share/zbdll-sim"})
        EXPECT_NE(help.output.find(name), std::string::npos) << name;

    setenv("ZBDLL_SIM_ROOT", (base / "mistyped").c_str(), 1);
    Result mistyped = Run("ls /");
    EXPECT_EQ(mistyped.status, 1);
    EXPECT_NE(mistyped.output.find("ZBDLL_SIM_ROOT"), std::string::npos);
    EXPECT_FALSE(fs::exists(base / "mistyped"));
}

// Every PC entry is looked at before the first copy: what cannot be sent is named with
// its reason and nothing is copied.
TEST_F(BexoraCli, PutNamesAnEntryItCannotSendBeforeAnyCopy)
{
    Write(pc / "ok.bin", "ok");
    ASSERT_EQ(mkfifo((pc / "fifo").c_str(), 0600), 0);
    Result fifo = Run("put " + Q(pc / "fifo") + " " + Q(pc / "ok.bin") + " /DataFiles");
    EXPECT_EQ(fifo.status, 1);
    EXPECT_NE(fifo.output.find("Cannot copy \"" + (pc / "fifo").string() + "\":"), std::string::npos) << fifo.output;
    EXPECT_NE(fifo.output.find("a FIFO, neither file nor folder."), std::string::npos) << fifo.output;
    EXPECT_FALSE(fs::exists(pvr / "DataFiles" / "ok.bin"));

    Write(pc / "tree" / "a.bin", "a");
    fs::create_directory_symlink(pc / "tree", pc / "tree" / "loop");
    Result loop = Run("put " + Q(pc / "tree") + " /DataFiles");
    EXPECT_EQ(loop.status, 1);
    EXPECT_NE(loop.output.find("\"" + (pc / "tree" / "loop").string() + "\":   \n\na link back to a folder it is in."),
              std::string::npos) << loop.output;
    EXPECT_FALSE(fs::exists(pvr / "DataFiles" / "tree"));
    EXPECT_NE(Run("put --help").output.find("checked before the first file is copied"), std::string::npos);
}

TEST_F(BexoraCli, MoveLeavesTheSystemFoldersWhereTheyAre)
{
    for (const char* folder : {"MP3", "DataFiles", "ProgramFiles/Auto Start"})
        fs::create_directories(pvr / folder);
    for (const char* args : {"/MP3 /DataFiles", "/DataFiles Data", "'/ProgramFiles/Auto Start' /DataFiles",
                             "/DataFiles/x /MP3 /ProgramFiles"}) {
        Result move = Run(std::string("mv ") + args);
        EXPECT_EQ(move.status, 1) << args;
        EXPECT_NE(move.output.find("Cannot move the system folder!"), std::string::npos) << move.output;
    }
    for (const char* folder : {"MP3", "DataFiles", "ProgramFiles/Auto Start"})
        EXPECT_TRUE(fs::is_directory(pvr / folder)) << folder;
    EXPECT_FALSE(fs::exists(pvr / "ProgramFiles" / "MP3"));
}

TEST_F(BexoraCli, RefusalsThatUsedToBeSilentSayWhy)
{
    for (const char* name : {"''", "'/MP3/   '"}) {
        Result blank = Run(std::string("mkdir ") + name);
        EXPECT_EQ(blank.status, 1) << name;
        EXPECT_NE(blank.output.find("The new folder needs a name."), std::string::npos) << name << blank.output;
    }
    setenv("ZBDLL_SIM_CORRUPT_LISTING", "0", 1);
    Result corrupt = Run("ls /DataFiles");
    unsetenv("ZBDLL_SIM_CORRUPT_LISTING");
    EXPECT_EQ(corrupt.status, 1);
    EXPECT_NE(corrupt.output.find("The STB's listing was cut short"), std::string::npos) << corrupt.output;
}

// A library named as a FIFO or a device is refused with the reason, never waited on or read.
TEST_F(BexoraCli, ALibraryThatIsAFifoOrADeviceIsRefusedAtOnce)
{
    ASSERT_EQ(mkfifo((base / "library.so").c_str(), 0600), 0);
    Result fifo = Run("--library " + Q(base / "library.so") + " ls /");
    EXPECT_EQ(fifo.status, 1) << fifo.output;
    EXPECT_NE(fifo.output.find("The device library " + (base / "library.so").string() +
                               " cannot be loaded: a FIFO, not a regular file"),
              std::string::npos)
        << fifo.output;
    setenv("BEXORA_DEVICE_LIBRARY", "/dev/zero", 1);
    Result device = Run("ls /");
    unsetenv("BEXORA_DEVICE_LIBRARY");
    EXPECT_EQ(device.status, 1) << device.output;
    EXPECT_NE(device.output.find("The device library /dev/zero cannot be loaded: a device, not a regular file"),
              std::string::npos)
        << device.output;
}

// A name on the PVR holds escape sequences: a terminal shows them, it does not obey them.
TEST_F(BexoraCli, ControlBytesInNamesReachATerminalEscaped)
{
    const std::string name = "\x1b]0;owned\x07\x9b" "2J.rec";
    Write(pvr / "DataFiles" / name, "x");
    testing_support::TestPty pty;
    ASSERT_TRUE(pty.Open());
    const std::string command =
        "timeout -k 5 60 " + std::string(BEXORA_CLI) + " ls /DataFiles >" + pty.SlavePath() + " 2>&1 </dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string screen = pty.Drain();
    EXPECT_NE(screen.find("\\x1b]0;owned\\x07\\x9b2J.rec"), std::string::npos) << screen;
    EXPECT_EQ(screen.find('\x1b'), std::string::npos);
    EXPECT_NE(Run("ls /DataFiles").output.find(name), std::string::npos);  // a pipe gets the bytes as they are
}

// The PC disk fills up during a receive: the failure says so and keeps the part as a part.
TEST_F(BexoraCli, AReceiveOntoADiskThatFillsUpSaysSo)
{
    Write(pvr / "DataFiles" / "big.rec", std::string(300 << 10, 'b'));
    const std::string small = (base / "small").string();
    fs::create_directories(small);
    // Copies pause after every 64 KB: once the copy has begun, another file takes the rest of the disk.
    const std::string script = "mount -t tmpfs -o size=512k tmpfs " + small + " || exit; ZBDLL_SIM_SLOW_MS=300 timeout -k 5 60 " +
                               BEXORA_CLI + " get /DataFiles/big.rec " + small + " </dev/null & "
                               "i=0; while [ ! -s " + small + "/big.rec ] && [ $i -lt 3000 ]; do sleep 0.01; i=$((i+1)); done; "
                               "dd if=/dev/zero of=" + small + "/filler bs=4k 2>/dev/null; "
                               "wait $!; echo status $?; ls " + small;
    Result result;
    FILE* pipe = popen(("unshare -m sh -c '" + script + "' 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.output.append(buffer, got);
    pclose(pipe);
    if (result.output.find("status") == std::string::npos)
        GTEST_SKIP() << "no private tmpfs here: " << result.output;
    EXPECT_NE(result.output.find("\"" + small + "/big.rec\": No space left on device"), std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find("status 1"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("\nbig.rec.part\n"), std::string::npos) << result.output;
}

}
