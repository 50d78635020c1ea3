// orvanel-cli upload, download and reboot end to end: the program runs as a user runs
// it, against the simulated STB on a pseudo-terminal and on the USB simulation socket.
#include "settings/document.h"
#include "editing/svc_edit.h"
#include "editing/svc_sort.h"
#include "settings/settings_file.h"
#include "tools/orvanel_cli/transfer_commands.h"
#include "tools/stb_sim/stb_sim.h"
#include "link/transfer/testing/transfer_testing.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <regex>
#include <spawn.h>
#include <sys/stat.h>
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
    void StartSim(bool usb, SimFaultPlan faults = {}, uint8_t modelId = 0)
    {
        original = MakeDemoDocument(modelId);
        StbSimOptions options = SimOptions(usb, dir.Path(), std::move(faults));
        sim = std::make_unique<StbSim>(ImageOf(*original), options);
        ASSERT_EQ(sim->Start(), "");
        link = usb ? "ORVANEL_USB_SIM=" + options.usbSocket : "ORVANEL_COM1=" + sim->SerialPath();
        linkOption = usb ? "--usb" : "--serial COM1";
    }
    // Runs the program in the test folder with the simulated STB as its link.
    CliRun Cli(const std::string& args) { return Run("XDG_STATE_HOME=" + (dir / "state").string(), ORVANEL_CLI_PATH, args); }
    CliRun Run(const std::string& environment, const std::string& program, const std::string& args)
    {
        std::string command = "cd " + dir.Path().string() + " && " + environment + " " + link + " " + program + " " +
                              args + " >out 2>err </dev/null";
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
    const std::string keptFile = kept[1].str();   // kept points into run.err, which the next run replaces
    EXPECT_EQ(std::filesystem::path(keptFile).parent_path(), backups);
    EXPECT_EQ(Dump(keptFile), Dump(Held()));

    auto edited = EditedCopy(dir / "up.std");
    run = Cli("download --serial COM1 --no-reboot " + edited.string());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("the STB's settings can be restored from " + keptFile + "\n"), std::string::npos)
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
    CliRun run = Cli("reboot --serial COM1");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.err.find(kSerialRebootSentText), std::string::npos) << run.err;
    EXPECT_TRUE(PollUntil([&] { return Stats().restarts == 1; }));
    sim.reset();
    StartSim(true);
    run = Cli("reboot --usb");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.err.find(kSerialRebootSentText), std::string::npos) << run.err;
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

TEST_F(TransferCli, SerialUploadThroughADeviceNamedByItsPath)
{
    StartSim(false);
    link.clear();
    CliRun run = Cli("upload --serial " + sim->SerialPath() + " -o up.std --no-reboot");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Dump(dir / "up.std"), Dump(Held()));
}

TEST_F(TransferCli, UsbDevicesSaysWhatIsThereAndExitsZero)
{
    CliRun none = Cli("usb-devices");
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_TRUE(none.out.find("No USB bus here") != std::string::npos ||
                none.out.find("No USB device of the loader's shape") != std::string::npos ||
                none.out.find("USB devices of the loader's shape:") != std::string::npos)
        << none.out;
    StartSim(true);
    CliRun simulated = Cli("usb-devices");
    EXPECT_EQ(simulated.status, 0) << simulated.err;
    EXPECT_TRUE(std::regex_search(simulated.out, std::regex("  sim:\\S+ +1209:0001  Simulated STB +STB loader +listed")))
        << simulated.out;
}

// The command is there to diagnose a set-up: each bad entry is named with its source and
// line, the good ones around it count, each pair is listed once.
TEST_F(TransferCli, UsbDevicesNamesEachBadEntryAndKeepsTheGoodOnes)
{
    const std::filesystem::path config = dir / "config";
    std::filesystem::create_directories(config / "Orvanel");
    ASSERT_TRUE(testing_support::WriteFileText(config / "Orvanel" / "Orvanel.ini",
                                               "\xEF\xBB\xBF[General]\r\nUsbDevices = 1209:0001, abcd:0002\r\n"));
    CliRun run = Run("XDG_CONFIG_HOME=" + config.string() + " ORVANEL_USB_IDS=1209:0001,zzzz timeout -k 5 60",
                     ORVANEL_CLI_PATH, "usb-devices");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err, "ORVANEL_USB_IDS: \"zzzz\" is not a VID:PID pair; ignored\n");
    EXPECT_NE(run.out.find("Listed as the STB's loader: 1209:0001 abcd:0002\n"), std::string::npos) << run.out;
}

// A profile that is a FIFO is named and refused, never waited on; the other lists still count.
TEST_F(TransferCli, UsbDevicesRefusesAProfileThatIsAFifo)
{
    const std::filesystem::path config = dir / "config";
    std::filesystem::create_directories(config / "Orvanel");
    ASSERT_EQ(::mkfifo((config / "Orvanel" / "Orvanel.ini").c_str(), 0600), 0);
    CliRun run = Run("XDG_CONFIG_HOME=" + config.string() + " ORVANEL_USB_IDS=1209:0001 timeout -k 5 60",
                     ORVANEL_CLI_PATH, "usb-devices");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err, (config / "Orvanel" / "Orvanel.ini").string() +
                           ": cannot be read: a FIFO, not a regular file; ignored\n");
    EXPECT_NE(run.out.find("Listed as the STB's loader: 1209:0001\n"), std::string::npos) << run.out;
}

TEST_F(TransferCli, AnUploadFromAUsbDeviceWithoutPermissionEndsWithTheFix)
{
    StartSim(true);
    link += " ORVANEL_USB_SIM_FAULT=access-denied";
    CliRun run = Cli("upload --usb --timeout 60 -o up.std");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("(1209:0001): permission denied."), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("TAG+=\"uaccess\""), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("timed out"), std::string::npos) << run.err;
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

// Every fault the simulated STB can inject, on either link, in each kind of transfer,
// through the real programs: the outcome the user reads, the exit status, and that
// nothing is left half-written, neither the PC's file nor the STB's image.
enum class Fault { Drop, Corrupt, WrongPsn, Leave, Silent, Repeat, Resync };
enum class Way { Upload, Download, Firmware };

struct FaultCell {
    const char* name;
    Fault fault;
    bool usb;
    Way way;
    int exitStatus;
    const char* text;          // on standard error
    const char* notApplicable; // why the combination cannot happen; no test then
};

// The fault strikes the fourth numbered frame: mid-transfer whatever the link and way.
SimFaultPlan PlanFor(Fault fault)
{
    constexpr uint32_t kAt = 4;
    SimFaultPlan plan;
    switch (fault) {
    case Fault::Drop: plan.dropReply = {kAt}; break;
    case Fault::Corrupt: plan.corruptReply = {kAt}; break;
    case Fault::WrongPsn: plan.wrongPsnReply = {kAt}; break;
    case Fault::Leave: plan.leaveAtReply = {kAt}; break;
    case Fault::Silent: plan.silentFromReply = kAt; break;
    case Fault::Repeat: plan.repeatReadRequest = {kAt}; break;
    case Fault::Resync: plan.resyncCount = 1; break;
    }
    return plan;
}

constexpr const char* kUploaded = "Notice: Upload Success, Do you want to reboot Settop Box?";
constexpr const char* kDownloaded = "Notice: Download Success, Reboot Settop Box";
constexpr const char* kDelivered = "zbdn-usb: Completely Transfered!";
constexpr const char* kSerialOnly = "the device leaves the bus on USB only";
constexpr const char* kUsbOnly = "the firmware downloader has no serial link";
constexpr const char* kDownloadsOnly = "the PC asks in an upload: there is no read request of the STB to repeat";
constexpr const char* kSerialUploadOnly = "the loader resyncs only after a serial hello for an upload";

// clang-format off
const FaultCell kFaultMatrix[] = {
    {"DropSerialUpload",        Fault::Drop,     false, Way::Upload,   0, kUploaded,   nullptr},
    {"DropUsbUpload",           Fault::Drop,     true,  Way::Upload,   0, kUploaded,   nullptr},
    {"DropSerialDownload",      Fault::Drop,     false, Way::Download, 0, kDownloaded, nullptr},
    {"DropUsbDownload",         Fault::Drop,     true,  Way::Download, 0, kDownloaded, nullptr},
    {"DropFirmware",            Fault::Drop,     true,  Way::Firmware, 0, kDelivered,  nullptr},
    {"CorruptSerialUpload",     Fault::Corrupt,  false, Way::Upload,   0, kUploaded,   nullptr},
    {"CorruptUsbUpload",        Fault::Corrupt,  true,  Way::Upload,   0, kUploaded,   nullptr},
    {"CorruptSerialDownload",   Fault::Corrupt,  false, Way::Download, 0, kDownloaded, nullptr},
    {"CorruptUsbDownload",      Fault::Corrupt,  true,  Way::Download, 0, kDownloaded, nullptr},
    {"CorruptFirmware",         Fault::Corrupt,  true,  Way::Firmware, 0, kDelivered,  nullptr},
    {"WrongPsnSerialUpload",    Fault::WrongPsn, false, Way::Upload,   0, kUploaded,   nullptr},
    {"WrongPsnUsbUpload",       Fault::WrongPsn, true,  Way::Upload,   0, kUploaded,   nullptr},
    {"WrongPsnSerialDownload",  Fault::WrongPsn, false, Way::Download, 0, kDownloaded, nullptr},
    {"WrongPsnUsbDownload",     Fault::WrongPsn, true,  Way::Download, 0, kDownloaded, nullptr},
    {"WrongPsnFirmware",        Fault::WrongPsn, true,  Way::Firmware, 0, kDelivered,  nullptr},
    {"LeaveSerialUpload",       Fault::Leave,    false, Way::Upload,   0, "",          kSerialOnly},
    {"LeaveUsbUpload",          Fault::Leave,    true,  Way::Upload,   1, "Communication Error!!", nullptr},
    {"LeaveSerialDownload",     Fault::Leave,    false, Way::Download, 0, "",          kSerialOnly},
    {"LeaveUsbDownload",        Fault::Leave,    true,  Way::Download, 1, "Download Fail, Reboot Settop Box", nullptr},
    {"LeaveFirmware",           Fault::Leave,    true,  Way::Firmware, 1, "zbdn-usb: Error! STB Disconnected. Transfer Stopped.", nullptr},
    {"SilentSerialUpload",      Fault::Silent,   false, Way::Upload,   1, "Communication Error!! (TIME OUT2)", nullptr},
    {"SilentUsbUpload",         Fault::Silent,   true,  Way::Upload,   1, "Communication Error!!", nullptr},
    {"SilentSerialDownload",    Fault::Silent,   false, Way::Download, 1, "External Error Occurred!", nullptr},
    {"SilentUsbDownload",       Fault::Silent,   true,  Way::Download, 1, "Error! Not Responding", nullptr},
    {"SilentFirmware",          Fault::Silent,   true,  Way::Firmware, 1, "zbdn-usb: Error! Not Responding", nullptr},
    {"RepeatSerialUpload",      Fault::Repeat,   false, Way::Upload,   0, "",          kDownloadsOnly},
    {"RepeatUsbUpload",         Fault::Repeat,   true,  Way::Upload,   0, "",          kDownloadsOnly},
    {"RepeatSerialDownload",    Fault::Repeat,   false, Way::Download, 0, kDownloaded, nullptr},
    {"RepeatUsbDownload",       Fault::Repeat,   true,  Way::Download, 0, kDownloaded, nullptr},
    {"RepeatFirmware",          Fault::Repeat,   true,  Way::Firmware, 0, kDelivered,  nullptr},
    {"ResyncSerialUpload",      Fault::Resync,   false, Way::Upload,   0, kUploaded,   nullptr},
    {"ResyncUsbUpload",         Fault::Resync,   true,  Way::Upload,   0, "",          kSerialUploadOnly},
    {"ResyncSerialDownload",    Fault::Resync,   false, Way::Download, 0, "",          kSerialUploadOnly},
    {"ResyncUsbDownload",       Fault::Resync,   true,  Way::Download, 0, "",          kSerialUploadOnly},
    {"ResyncFirmware",          Fault::Resync,   true,  Way::Firmware, 0, "",          kSerialUploadOnly},
};
// clang-format on

void PrintTo(const FaultCell& cell, std::ostream* out)
{
    *out << cell.name;
}

// A model whose loader is given time to resync after its hello; the others are polled
// without a pause and a resync goes unheard.
constexpr uint8_t kMatrixModel = 10;

std::vector<FaultCell> ApplicableCells()
{
    std::vector<FaultCell> cells;
    for (const FaultCell& cell : kFaultMatrix) {
#ifndef ZBDN_USB_PATH
        if (cell.way == Way::Firmware)
            continue;   // built without the downloader's window
#endif
        if (!cell.notApplicable)
            cells.push_back(cell);
    }
    return cells;
}

class FaultMatrix : public TransferCli, public ::testing::WithParamInterface<FaultCell> {
protected:
#ifdef ZBDN_USB_PATH
    // The firmware downloader in command-line mode, alone in its own runtime folder.
    CliRun Zbdn(const std::filesystem::path& image)
    {
        auto runtime = dir / "run";
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        return Run("QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=" + runtime.string() + " XDG_CONFIG_HOME=" + dir.Path().string(),
                   ZBDN_USB_PATH, image.string());
    }
#else
    CliRun Zbdn(const std::filesystem::path&) { return {}; }
#endif
};

TEST_P(FaultMatrix, EndsAsTheUserIsToldAndCorruptsNothing)
{
    const FaultCell& cell = GetParam();
    CliRun run;
    if (cell.way == Way::Firmware) {
        auto image = dir / "M700.zbd", received = dir / "received.bin";
        auto bytes = testing_support::RandomBytes(100000, 3);
        ASSERT_TRUE(testing_support::WriteFileBytes(image, bytes));
        StbSimOptions options = SimOptions(true, dir.Path(), PlanFor(cell.fault));
        options.outputPath = received.string();
        options.firmwareSize = uint32_t(bytes.size());
        sim = std::make_unique<StbSim>(StbImage{}, options);
        ASSERT_EQ(sim->Start(), "");
        link = "ORVANEL_USB_SIM=" + options.usbSocket;
        run = Zbdn(image);
        if (run.status == 0)
            EXPECT_EQ(testing_support::ReadFileBytes(received), bytes);
        else
            EXPECT_FALSE(std::filesystem::exists(received));
    } else if (cell.way == Way::Upload) {
        StartSim(cell.usb, PlanFor(cell.fault), kMatrixModel);
        run = Cli("upload " + linkOption + " -o up.std --no-reboot");
        if (run.status == 0)
            EXPECT_EQ(Dump(dir / "up.std"), Dump(Held()));
        else
            EXPECT_FALSE(std::filesystem::exists(dir / "up.std"));
    } else {
        StartSim(cell.usb, PlanFor(cell.fault), kMatrixModel);
        const StbImage before = sim->Image().Snapshot();
        auto edited = EditedCopy(Held());
        auto sent = testing_support::ReadFileBytes(edited);
        run = Cli("download " + linkOption + " --no-reboot " + edited.string());
        EXPECT_EQ(testing_support::ReadFileBytes(edited), sent);
        if (run.status == 0) {
            EXPECT_EQ(Dump(Held()), Dump(edited));
        } else {
            const StbImage now = sim->Image().Snapshot();
            EXPECT_EQ(now.flash, before.flash);
            EXPECT_EQ(now.eeprom, before.eeprom);
        }
    }
    EXPECT_GE(Stats().replies, 4u) << "the fault's frame was never due";
    EXPECT_EQ(run.status, cell.exitStatus) << run.err;
    EXPECT_NE(run.err.find(cell.text), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(EveryFault, FaultMatrix, ::testing::ValuesIn(ApplicableCells()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
