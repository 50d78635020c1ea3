// orvanel-cli upload, download and reboot end to end: the program runs as a user runs
// it, against the simulated STB on a pseudo-terminal and on the USB simulation socket.
#include "settings/document.h"
#include "editing/svc_edit.h"
#include "editing/svc_sort.h"
#include "settings/settings_file.h"
#include "tools/stb_sim/stb_sim.h"
#include "link/transfer/testing/transfer_testing.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

using testing_support::PollUntil;
using testing_support::ReadFileText;

class TransferCli : public ::testing::Test {
protected:
    void StartSim(bool usb, SimFaultPlan faults = {})
    {
        original = MakeDemoDocument();
        StbSimOptions options = SimOptions(usb, dir.Path(), std::move(faults));
        sim = std::make_unique<StbSim>(ImageOf(*original), options);
        ASSERT_EQ(sim->Start(), "");
        link = usb ? "ORVANEL_USB_SIM=" + options.usbSocket : "ORVANEL_COM1=" + sim->SerialPath();
        linkOption = usb ? "--usb" : "--serial COM1";
    }
    // Runs the program in the test folder with the simulated STB as its link.
    CliRun Cli(const std::string& args)
    {
        std::string command = "cd " + dir.Path().string() + " && XDG_STATE_HOME=" + (dir / "state").string() + " " +
                              link + " " + ORVANEL_CLI_PATH + " " + args + " >out 2>err </dev/null";
        int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileText(dir / "out"), ReadFileText(dir / "err")};
    }
    std::string Dump(const std::filesystem::path& file)
    {
        CliRun run = Cli("dump --json " + file.string());
        EXPECT_EQ(run.status, 0) << run.err;
        return run.out;
    }
    // The settings the STB holds now, as a settings file.
    std::filesystem::path Held()
    {
        auto path = dir / "held.std";
        EXPECT_TRUE(SaveStdImage(path, sim->Image().Snapshot()));
        return path;
    }
    LoaderStats Stats() { return sim->Serial() ? sim->Serial()->Stats() : sim->Usb()->Stats(); }

    // Loads a settings file, makes the edits of a user and saves it under another name.
    std::filesystem::path EditedCopy(const std::filesystem::path& from)
    {
        auto doc = std::make_unique<COrvanel1Doc>();
        doc->m_SideFileFolder = dir.Path();
        EXPECT_EQ(LoadSettingsFile(*doc, from), SettingsFileResult::Ok);
        Appl_ChangeTvSvcName(*doc, 1, "Edited Name");
        EXPECT_TRUE(Appl_DeleteSvc(*doc, kTvKind, {0, 5}));
        EXPECT_TRUE(Appl_SortSvcList(*doc, kTvKind, kSortAlphabetic));
        auto path = dir / "edited.std";
        EXPECT_EQ(SaveSettingsFile(*doc, path), SettingsFileResult::Ok);
        return path;
    }

    testing_support::TempFolder dir;
    std::unique_ptr<COrvanel1Doc> original;
    std::unique_ptr<StbSim> sim;
    std::string link;
    std::string linkOption;
};

TEST_F(TransferCli, SerialUploadWritesTheStbsSettings)
{
    StartSim(false);
    CliRun run = Cli("upload --serial COM1 -o up.std --no-reboot");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Flash Uploading...131072/131072"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Notice: Upload Success, Do you want to reboot Settop Box?"), std::string::npos);
    EXPECT_EQ(Dump(dir / "up.std"), Dump(Held()));
    EXPECT_EQ(Stats().restarts, 1u);
}

TEST_F(TransferCli, UsbUploadRestartsWhenAskedTo)
{
    StartSim(true);
    CliRun run = Cli("upload --usb -o up.std --reboot");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Dump(dir / "up.std"), Dump(Held()));
    EXPECT_TRUE(PollUntil([&] { return Stats().restarts == 2; }));
}

TEST_F(TransferCli, EditedSettingsDownloadedOverSerialAreWhatTheStbHolds)
{
    StartSim(false);
    ASSERT_EQ(Cli("upload --serial COM1 -o up.std --no-reboot").status, 0);
    auto edited = EditedCopy(dir / "up.std");
    ASSERT_NE(Dump(edited), Dump(Held()));
    // No terminal and no option: the restart question is answered No.
    CliRun run = Cli("download --serial COM1 " + edited.string());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Notice: Download Success, Reboot Settop Box"), std::string::npos);
    EXPECT_EQ(Dump(Held()), Dump(edited));
    EXPECT_EQ(Stats().downloadsDone, 1u);
    EXPECT_EQ(Stats().restarts, 2u);
    EXPECT_TRUE(std::filesystem::exists(dir / "state" / "orvanel" / "~m700rx.zbd"));
    EXPECT_FALSE(std::filesystem::exists(dir / "~m700rx.zbd"));
    EXPECT_TRUE(std::regex_search(run.err, std::regex("\nDownloaded ([1-9][0-9]+)/\\1 bytes\n"))) << run.err;
    EXPECT_EQ(run.err.find("pThr->"), std::string::npos) << run.err;
}

TEST_F(TransferCli, EditedSettingsDownloadedOverUsbAreWhatTheStbHolds)
{
    StartSim(true);
    ASSERT_EQ(Cli("upload --usb -o up.std --no-reboot").status, 0);
    auto edited = EditedCopy(dir / "up.std");
    CliRun run = Cli("download --usb --reboot " + edited.string());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Completely Transfered!"), std::string::npos);
    EXPECT_EQ(Dump(Held()), Dump(edited));
    EXPECT_TRUE(PollUntil([&] { return Stats().restarts == 3; }));
}

TEST_F(TransferCli, EveryTransferIsKeptUnlessNoBackupIsAsked)
{
    StartSim(false);
    const auto backups = dir / "state" / "orvanel" / "backups";
    ASSERT_EQ(Cli("upload --serial COM1 -o up.std --no-reboot --no-backup").status, 0);
    EXPECT_FALSE(std::filesystem::exists(backups));

    CliRun run = Cli("upload --serial COM1 -o up.std --no-reboot");
    ASSERT_EQ(run.status, 0) << run.err;
    std::smatch kept;
    ASSERT_TRUE(std::regex_search(run.err, kept, std::regex("backup: (.*_from-STB_model-0\\.std)\n"))) << run.err;
    EXPECT_EQ(std::filesystem::path(kept[1].str()).parent_path(), backups);
    EXPECT_EQ(Dump(kept[1].str()), Dump(Held()));

    auto edited = EditedCopy(dir / "up.std");
    run = Cli("download --serial COM1 --no-reboot " + edited.string());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("the STB's settings can be restored from " + kept[1].str() + "\n"), std::string::npos)
        << run.err;
    std::smatch sent;
    ASSERT_TRUE(std::regex_search(run.err, sent, std::regex("backup: (.*_to-STB_model-0\\.std)\n"))) << run.err;
    EXPECT_EQ(Dump(sent[1].str()), Dump(edited));
}

TEST_F(TransferCli, DownloadToAnStbOfAnotherModelFails)
{
    SimFaultPlan faults;
    faults.helloModelId = 0x42;
    StartSim(false, faults);
    auto file = dir / "mine.std";
    ASSERT_TRUE(SaveStdImage(file, sim->Image().Snapshot()));
    CliRun run = Cli("download --serial COM1 --reboot " + file.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Error : Invalid STB type."), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Notice: Download Fail, Reboot Settop Box"), std::string::npos);
    EXPECT_EQ(Stats().downloadsDone, 0u);
}

TEST_F(TransferCli, UsbDownloadEndsAtOnceOnAFatalError)
{
    SimFaultPlan faults;
    faults.helloModelId = 0x42;
    StartSim(true, faults);
    auto file = dir / "mine.std";
    ASSERT_TRUE(SaveStdImage(file, sim->Image().Snapshot()));
    CliRun run = Cli("download --usb --timeout 30 " + file.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Error : Invalid STB type."), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("timed out"), std::string::npos) << run.err;
}

TEST_F(TransferCli, ASilentStbIsReportedAsSilent)
{
    SimFaultPlan faults;
    faults.silentFromReply = 1;
    StartSim(true, faults);
    auto file = dir / "mine.std";
    ASSERT_TRUE(SaveStdImage(file, sim->Image().Snapshot()));
    CliRun run = Cli("download --usb --timeout 6 " + file.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("timed out: Error! Not Responding"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Invalid STB type"), std::string::npos) << run.err;
}

TEST_F(TransferCli, RebootOnEitherLink)
{
    StartSim(false);
    ASSERT_EQ(Cli("reboot --serial COM1").status, 0);
    EXPECT_TRUE(PollUntil([&] { return Stats().restarts == 1; }));
    sim.reset();
    StartSim(true);
    ASSERT_EQ(Cli("reboot --usb").status, 0);
    EXPECT_TRUE(PollUntil([&] { return Stats().restarts == 1; }));
}

TEST_F(TransferCli, TransfersNeedALink)
{
    StartSim(false);
    EXPECT_NE(Cli("upload -o up.std").status, 0);
    EXPECT_NE(Cli("upload --usb --serial COM1 -o up.std").status, 0);
    EXPECT_NE(Cli("download --serial COM3 x.std").status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "up.std"));
}

TEST(TransferCliSignal, CtrlCStopsAnUploadCleanly)
{
    testing_support::TempFolder dir;
    ScriptedSerialStb stb;   // restarts, then never greets
    std::string env = "ORVANEL_COM1=" + stb.SlavePath();
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
        envp.push_back(*e);
    envp.push_back(env.data());
    envp.push_back(nullptr);
    std::string out = (dir / "up.std").string();
    std::vector<std::string> args = {ORVANEL_CLI_PATH, "upload", "--serial", "COM1", "-o", out};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, (dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, ORVANEL_CLI_PATH, &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    LinkFrame reboot;
    ASSERT_TRUE(stb.Receive(reboot));
    EXPECT_EQ(reboot.cmd, CMD_REBOOT);
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(ReadFileText(dir / "err").find("stopped"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_TRUE(stb.Quiet(std::chrono::milliseconds(50)));   // no end frame: nothing had started
}

}  // namespace
