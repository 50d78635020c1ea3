// stb-sim: runs the simulated STB loader until SIGINT, SIGTERM or "quit" on stdin.
#include "common/version.h"
#include "tools/stb_sim/stb_sim.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>
#include <map>
#include <pthread.h>
#include <thread>

namespace {

void ArmNext(StbSim& sim, ReplyFault fault)
{
    if (sim.Serial())
        sim.Faults().Arm(fault, sim.Serial()->Stats().replies + 1);
    if (sim.Usb())
        sim.Faults().Arm(fault, sim.Usb()->Stats().replies + 1);
    if (sim.Ffs())
        sim.Faults().Arm(fault, sim.Ffs()->Stats().replies + 1);
}

void PrintStats(const char* side, const LoaderStats& s)
{
    std::cout << side << ": hellos " << s.hellos << ", replies " << s.replies << ", restarts " << s.restarts
              << ", downloads " << s.downloadsDone << " done " << s.downloadsFailed << " failed"
              << (s.lastError.empty() ? "" : " (" + s.lastError + ")") << std::endl;
}

// Control commands, one a line: drop, corrupt, wrong-psn, leave, stall (the next reply),
// silent, talk, status, quit.
void ReadCommands(StbSim& sim)
{
    const std::map<std::string, ReplyFault> faults = {{"drop", ReplyFault::Drop},
                                                      {"corrupt", ReplyFault::Corrupt},
                                                      {"wrong-psn", ReplyFault::WrongPsn},
                                                      {"leave", ReplyFault::LeaveBus},
                                                      {"silent", ReplyFault::Silent},
                                                      {"stall", ReplyFault::Stall}};
    std::string line;
    while (std::getline(std::cin, line)) {
        if (auto it = faults.find(line); it != faults.end()) {
            ArmNext(sim, it->second);
            std::cout << "ok" << std::endl;
        } else if (line == "talk") {
            sim.Faults().SetSilent(false, 0);
            std::cout << "ok" << std::endl;
        } else if (line == "status") {
            if (sim.Serial())
                PrintStats("serial", sim.Serial()->Stats());
            if (sim.Usb())
                PrintStats("usb", sim.Usb()->Stats());
            if (sim.Ffs())
                PrintStats("ffs", sim.Ffs()->Stats());
        } else if (line == "quit") {
            ::kill(::getpid(), SIGTERM);
            return;
        } else if (!line.empty()) {
            std::cerr << "unknown command: " << line << std::endl;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Simulated STB loader on a pseudo-terminal, the USB simulation socket or a FunctionFS function"};
    app.set_version_flag("--version", std::string("stb-sim ") + OrvanelVersion());
    std::string stdPath, flashPath, eepromPath;
    uint16_t systemId = 0x1234;
    int modelId = -1, helloModel = -1, helloLayout = -1;
    bool noSerial = false;
    int rebootDelay = 150, replyTimeout = 300, helloBodyDelay = 0;
    StbSimOptions options;
    SimFaultPlan& plan = options.faults;
    app.add_option("--std", stdPath, "settings file (.std) with the flash image and EEPROM block; at most its size is read")->check(CLI::ExistingFile);
    app.add_option("--flash", flashPath, "raw 0x20000-byte flash image")->check(CLI::ExistingFile);
    app.add_option("--eeprom", eepromPath, "raw 0x100-byte EEPROM block")->check(CLI::ExistingFile);
    app.add_option("--system-id", systemId, "systemId for a raw or blank image");
    app.add_option("--model-id", modelId, "modelId written into the flash header")->check(CLI::Range(0, 255));
    app.add_flag("--no-serial", noSerial, "no pseudo-terminal");
    app.add_option("--usb-socket", options.usbSocket,
                   "Unix-domain socket of the USB simulation (a stale socket there is replaced, nothing else)");
    app.add_option("--ffs", options.ffs.functionDir, "mounted FunctionFS instance whose endpoints the loader serves")
        ->check(CLI::ExistingDirectory);
    app.add_option("--gadget-udc", options.ffs.udcFile,
                   "FunctionFS: the gadget's UDC file in configfs, written to leave the bus and return");
    app.add_option("--udc", options.ffs.udcName, "FunctionFS: the UDC the gadget returns to")
        ->default_val("dummy_udc.0");
    app.add_option("--packet-size", options.usbShape.packetSize, "USB bulk packet size")->check(CLI::IsMember({64, 512}));
    app.add_option("--endpoints", options.usbShape.endpoints, "bulk endpoints (0 or 2)")->check(CLI::IsMember({0, 2}));
    app.add_flag("--endpoint-gap", options.usbShape.endpointGap, "endpoint descriptors not consecutive");
    app.add_option("--vid", options.usbShape.idVendor, "USB idVendor");
    app.add_option("--pid", options.usbShape.idProduct, "USB idProduct");
    app.add_option("--usb-read", options.usbReadLength, "largest download read request on USB")
        ->check(CLI::Range(1, 65535));
    app.add_option("--output", options.outputPath, "where a downloaded image is written (.std), replaced whole");
    app.add_option("--firmware-size", options.firmwareSize,
                   "USB: load a firmware image of N bytes (at most 16 MiB) into --output")
        ->check(CLI::Range(uint64_t(0), kMaxServedImageSize));
    app.add_option("--end-at-request", plan.endAtRequest, "download: CMD_END instead of read request N");
    app.add_option("--reboot-delay", rebootDelay, "ms the USB device stays away on a restart");
    app.add_option("--reply-timeout", replyTimeout, "ms the loader waits for a download reply");
    app.add_option("--drop", plan.dropReply, "drop reply N (from 1)");
    app.add_option("--corrupt", plan.corruptReply, "send reply N with a wrong SUM");
    app.add_option("--wrong-psn", plan.wrongPsnReply, "send reply N with a wrong PSN");
    app.add_option("--leave-at", plan.leaveAtReply, "USB: leave the bus instead of sending reply N");
    app.add_option("--stall-at", plan.stallAtReply, "USB (FunctionFS): halt the IN endpoint instead of reply N");
    app.add_option("--silent-from", plan.silentFromReply, "no replies from reply N on");
    app.add_option("--repeat-request", plan.repeatReadRequest, "download: send read request N twice");
    app.add_option("--hello-model", helloModel, "modelId reported in the hello")->check(CLI::Range(0, 255));
    app.add_option("--hello-layout", helloLayout, "layoutVersion reported in the hello")->check(CLI::Range(0, 255));
    app.add_option("--resync", plan.resyncCount, "serial: answer N upload choices with CMD_RESYNC");
    app.add_option("--hello-body-delay", helloBodyDelay, "serial: ms between the hello's magic and its body")
        ->check(CLI::Range(0, 60000));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& parseError) {
        return app.exit(parseError) == 0 ? 0 : 2;   // a usage error
    }

    StbImage image;
    image.systemId = systemId;
    std::string error;
    if (!stdPath.empty())
        error = LoadStdImage(stdPath, image);
    else if (!flashPath.empty() || !eepromPath.empty())
        error = LoadRawImage(flashPath, eepromPath, systemId, image);
    if (!error.empty()) {
        std::cerr << "stb-sim: " << error << std::endl;
        return 2;
    }
    if (modelId >= 0)
        options.modelId = uint8_t(modelId);
    if (helloModel >= 0)
        plan.helloModelId = uint8_t(helloModel);
    if (helloLayout >= 0)
        plan.helloLayoutVersion = uint8_t(helloLayout);
    options.serial = !noSerial;
    options.rebootDelay = std::chrono::milliseconds(rebootDelay);
    plan.helloBodyDelay = std::chrono::milliseconds(helloBodyDelay);
    options.replyTimeout = std::chrono::milliseconds(replyTimeout);

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    StbSim sim(std::move(image), options);
    if (error = sim.Start(); !error.empty()) {
        std::cerr << "stb-sim: " << error << std::endl;
        return 1;
    }
    if (sim.Serial())
        std::cout << "serial: " << sim.SerialPath() << std::endl;
    if (sim.Usb())
        std::cout << "usb: " << options.usbSocket << std::endl;
    if (sim.Ffs())
        std::cout << "ffs: " << options.ffs.functionDir << std::endl;
    std::thread(ReadCommands, std::ref(sim)).detach();
    int received = 0;
    sigwait(&signals, &received);
    sim.Stop();
    return 0;
}
