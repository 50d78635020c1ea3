// orvanel-cli: the settings editor's core from the terminal.
#include "common/version.h"
#include "tools/orvanel_cli/cli_prompter.h"
#include "settings/demo_settings.h"
#include "tools/orvanel_cli/document_json.h"
#include "tools/orvanel_cli/list_commands.h"
#include "tools/orvanel_cli/pdf_export.h"
#include "tools/orvanel_cli/table_commands.h"
#include "settings/settings_file.h"
#include "tools/orvanel_cli/transfer_commands.h"
#include "tools/orvanel_cli/usb_devices.h"
#include "tools/cli_command_line.h"
#include "link/transfer/mode_config.h"
#include "settings/model_traits.h"
#include "common/program_arguments.h"
#include "common/std_output.h"
#include "common/system_paths.h"
#include "link/serial_devices.h"
#include "tools/orvanel_cli/system_texts.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

const std::string kSideFolderHelp =
    std::string("folder of the side files of saving (flash.dat, eeprom.dat, UNpackFlash-InverseParsing.dat) and of "
                "the download image ~m700rx.zbd; default ") + kSideFolderDefaultText;

// The serial ports that are here now, for the help.
std::string PresentSerialPorts()
{
    std::string present;
    for (const SerialDeviceEntry& device : ListSerialDevices())
        present += (present.empty() ? "" : ", ") + device.label;
    return present.empty() ? "" : "; present here: " + present;
}

std::unique_ptr<COrvanel1Doc> LoadOrNull(const std::string& path, CliPrompter& prompter)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    if (!Appl_OpenSettingsFile(*doc, PathFromUtf8(path), prompter.Detail()))
        return nullptr;
    return doc;
}

int Info(const std::string& path, CliPrompter& prompter)
{
    auto doc = LoadOrNull(path, prompter);
    if (!doc)
        return 1;
    char text[512];
    std::snprintf(text, sizeof text,
                  "model          %u (%s)\nsystem id      %u (0x%04X)\nlayout version 0x%02X\n"
                  "satellites     %u\ntransponders   %u\nTV services    %u\nradio services %u\nfavourites     %u\n",
                  doc->m_ModelId, settings::TraitsOfModel(doc->m_ModelId).displayName, doc->m_FlashHeader.systemId,
                  doc->m_FlashHeader.systemId, doc->m_FlashHeader.layoutVersion, doc->m_SatCnt, doc->m_TpCnt,
                  doc->m_TvSvcCnt, doc->m_RadioSvcCnt, doc->m_FavCnt);
    return WriteStdout(text) ? 0 : 1;
}

int Dump(const std::string& path, CliPrompter& prompter)
{
    auto doc = LoadOrNull(path, prompter);
    if (!doc)
        return 1;
    return WriteStdout(DocumentToJson(*doc).dump(1) + "\n") ? 0 : 1;
}

int Resave(const std::string& path, const std::string& out, const std::string& sideFolder, CliPrompter& prompter)
{
    auto doc = LoadOrNull(path, prompter);
    if (!doc)
        return 1;
    doc->m_SideFileFolder = PathFromUtf8(sideFolder);
    return SaveSettingsFile(*doc, PathFromUtf8(out.empty() ? path : out), prompter.Detail()) == SettingsFileResult::Ok
               ? 0
               : 1;
}

int Demo(const DemoOptions& options, const std::string& out, const std::string& sideFolder, CliPrompter& prompter)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = PathFromUtf8(sideFolder);
    BuildDemoSettings(*doc, options);
    return SaveSettingsFile(*doc, PathFromUtf8(out), prompter.Detail()) == SettingsFileResult::Ok ? 0 : 1;
}

// --serial PORT | --usb, --reboot | --no-reboot, --timeout and --side-folder of the transfer commands.
struct TransferArgs {
    std::string serial;
    bool usb = false;
    bool reboot = false;
    bool noReboot = false;
    bool noBackup = false;
    std::string sideFolder;
    TransferOptions options;
    std::string serialHelp;   // with the ports present, looked for only when help is asked
};

void AddLinkOptions(CLI::App* command, TransferArgs& args)
{
    auto* serial = command->add_option("--serial", args.serial, args.serialHelp)
                       ->check(CLI::Validator(
                           [](std::string& port) { return LinkSettings().SetPort(port) ? "" : kSerialPortRefusal; },
                           "PORT"));
    auto* usb = command->add_flag("--usb", args.usb, "USB link ($ORVANEL_USB_SIM names a simulated STB's socket)");
    serial->excludes(usb);
    command->add_option("--timeout", args.options.timeoutSeconds, "seconds before giving up")
        ->check(CLI::PositiveNumber)
        ->default_val(120);
}

void AddTransferOptions(CLI::App* command, TransferArgs& args)
{
    AddLinkOptions(command, args);
    auto* reboot = command->add_flag("--reboot", args.reboot, "answer Yes to the final restart question");
    auto* noReboot = command->add_flag("--no-reboot", args.noReboot, "answer No to the final restart question");
    reboot->excludes(noReboot);
    command->add_option("--side-folder", args.sideFolder, kSideFolderHelp);
    command->add_flag("--no-backup", args.noBackup,
                      "keep no copy of the transfer in backups/ of the side folder (kept by default: the newest 100, "
                      "200 MB at most)");
}

std::optional<bool> RebootAnswer(const TransferArgs& args)
{
    if (args.reboot || args.noReboot)
        return args.reboot;
    return std::nullopt;
}

}  // namespace

int RunCommand(int argc, char** argv);

int main(int argc, char** argv)
{
    IgnoreBrokenPipes();
    return FinishStdout("orvanel-cli", RunCommand(argc, argv));
}

int RunCommand(int argc, char** argv)
{
    CLI::App app{"orvanel-cli: inspect, check and rewrite STB settings files (.std), and move them to and from the STB"};
    app.set_version_flag("--version", std::string("orvanel-cli ") + OrvanelVersion());
    app.require_subcommand(1);
    app.footer("Saving also writes flash.dat, eeprom.dat and UNpackFlash-InverseParsing.dat, and a download "
               "writes ~m700rx.zbd, into the side folder: " + std::string(kSideFolderDefaultText) +
               " (--side-folder chooses another).\nORVANEL_TRACE=1 prints the diagnostic traces on stderr.\n"
               "Exit status: 0 success, 1 failure, 2 usage error.");
    std::string file, out, sideFolder;
    bool json = false;

    auto* info = app.add_subcommand("info", "Show model, variant, system id, layout version and counts");
    info->add_option("FILE", file, "settings file")->required();
    auto* verify = app.add_subcommand("verify", "Exit 0 only when the file loads");
    verify->add_option("FILE", file, "settings file")->required();
    auto* dump = app.add_subcommand("dump", "Print the whole decoded document");
    dump->add_flag("--json", json, "as JSON (the only format)")->required();
    dump->add_option("FILE", file, "settings file")->required();
    auto* resave = app.add_subcommand("resave", "Load, encode, re-pack and save");
    resave->add_option("FILE", file, "settings file")->required();
    resave->add_option("-o,--output", out, "write here instead of replacing FILE");
    resave->add_option("--side-folder", sideFolder, kSideFolderHelp);

    auto* demo = app.add_subcommand("demo", "Write a demo settings file of any model");
    DemoOptions demoOptions;
    demo->add_option("-o,--output", out, "settings file to write")->required();
    demo->add_option("--model", demoOptions.modelId, "model id (0 default, 10, 8 or 12, 13)");
    demo->add_option("--layout", demoOptions.layoutVersion, "layout version (0x27: extended)");
    demo->add_option("--side-folder", sideFolder, kSideFolderHelp);

    std::string other, csvFile, format, printList;
    bool csv = false;
    ListFiles listFiles;
    auto* diff = app.add_subcommand("diff", "Show what changed from settings file A to B: satellites, transponders, "
                                            "TV and radio services, favourite groups");
    diff->add_option("A", file, "the older settings file")->required();
    diff->add_option("B", other, "the newer settings file")->required();
    diff->add_flag("--json", json, "every detail as JSON");
    std::vector<std::string> importFiles;
    auto* exportList = app.add_subcommand(
        "export", "Write the TV and radio lists as CSV (UTF-8, RFC 4180) or in another receiver's format, and say "
                  "what that format cannot carry; or one list as a printed PDF");
    auto* exportCsv = exportList->add_flag("--csv", csv, "as CSV (as --format csv)");
    std::vector<std::string> exportFormats = ExportFormatNames();
    exportFormats.push_back("pdf");
    exportList->add_option("--format", format, "csv, vdr (channels.conf), lamedb (a settings folder with its "
                                               "bouquets), m3u (names and order) or pdf (one list, printed as the "
                                               "editor prints it)")
        ->check(CLI::IsMember(exportFormats))
        ->excludes(exportCsv);
    exportList->add_option("--list", printList, "pdf: the list to print, tv (default), radio or fav:GROUP")
        ->check(CLI::Validator(
            [](std::string& list) {
                bool known = list == "tv" || list == "radio" || (list.starts_with("fav:") && list.size() > 4);
                return known ? "" : "tv, radio or fav:GROUP, not \"" + list + "\"";
            },
            "LIST"));
    exportList->add_option("FILE", file, "settings file")->required();
    exportList->add_option("-o,--output", listFiles.output, "file (folder for lamedb) to write (default: standard "
                                                            "output; a PDF needs -o)");
    auto* importList = app.add_subcommand(
        "import", "Apply a list to the settings: CSV (--csv: order, names, lock and skip flags and favourite "
                  "membership; rows that match no service are reported, never added), or another receiver's list "
                  "(--format: services placed by orbital position, TP and service id, new ones added within the "
                  "STB's limits; groups become favourite groups; what cannot be placed is reported)");
    auto* importCsv = importList->add_option("--csv", csvFile, "the CSV list, as export writes it");
    importList->add_option("--format", format, "csv, vdr or lamedb; the list (lamedb: its folder) comes before FILE")
        ->check(CLI::IsMember(ImportFormatNames()))
        ->excludes(importCsv);
    importList->add_option("FILES", importFiles, "[LIST] FILE: the list with --format, then the settings file")
        ->required()
        ->expected(1, 2);
    importList->add_option("-o,--output", listFiles.output, "settings file to write")->required();
    importList->add_option("--side-folder", listFiles.sideFolder, kSideFolderHelp);
    for (auto* command : {exportList, importList})
        command->add_option("--position", listFiles.positions,
                            "NAME=POS: our satellite NAME is at POS (such as 19.2E or 5W), for satellites whose name "
                            "does not say; without it their services are left out")
            ->check(CLI::Validator(CheckPositionArgument, "NAME=POS"));
    exportList->callback([&] {
        if (!csv && format.empty())
            throw CLI::RequiredError("export: --csv or --format");
        if (!printList.empty() && format != "pdf")
            throw CLI::ValidationError("--list", "only --format pdf prints one list");
        if (format == "pdf" && listFiles.output.empty())
            throw CLI::RequiredError("--format pdf writes a file: -o");
    });
    importList->callback([&] {
        if (csvFile.empty() == format.empty())
            throw CLI::RequiredError("import: --csv CSV or --format FORMAT");
        if (importFiles.size() != (format.empty() ? 1u : 2u))
            throw CLI::ValidationError("FILES", format.empty() ? "--csv takes one settings file"
                                                               : "--format takes the list, then the settings file");
    });
    auto* applyReference = app.add_subcommand(
        "apply-reference", "Carry a reference file's TV and radio order, favourite groups, locks, skips and renamed "
                           "names onto the matching services of TARGET (after a new scan); unmatched services follow");
    applyReference->add_option("REF", other, "the reference settings file")->required();
    applyReference->add_option("TARGET", file, "the settings file to change")->required();
    applyReference->add_option("-o,--output", listFiles.output, "settings file to write")->required();
    applyReference->add_option("--side-folder", listFiles.sideFolder, kSideFolderHelp);

    UpdateTpsArgs tpArgs;
    auto* updateTps = app.add_subcommand(
        "update-tps", "Bring one satellite's transponders up to date from a transponder table: a DVBv5 scan table "
                      "(/usr/share/dvb/dvb-s/*) or a satellites.xml. Prints the plan; writes only with -o or --write");
    updateTps->add_option("FILE", tpArgs.file, "settings file")->required();
    updateTps->add_option("TABLE", tpArgs.table, "the transponder table")->required();
    updateTps->add_option("--satellite", tpArgs.satellite, "the satellite to update: its number (1 for the first) or "
                                                           "its name")->required();
    updateTps->add_option("--table-satellite", tpArgs.tableSatellite,
                          "the table's satellite to take, by orbital position (19.2E, 5.0W, or tenths of a degree, "
                          "negative west) or name; default: the position the satellite's name carries");
    updateTps->add_flag("--remove-unlisted", tpArgs.removeUnlisted,
                        "also remove the satellite's transponders the table does not list and no service uses");
    auto* tpOut = updateTps->add_option("-o,--output", tpArgs.files.output, "settings file to write");
    updateTps->add_flag("--write", tpArgs.write, "replace FILE with the updated settings")->excludes(tpOut);
    updateTps->add_option("--side-folder", tpArgs.files.sideFolder, kSideFolderHelp);

    TransferArgs transfer;
    transfer.serialHelp = kSerialPortHelp + (AskedForHelp(argc, argv) ? PresentSerialPorts() : std::string());
    auto* upload = app.add_subcommand("upload", "Read the STB's settings into a settings file");
    AddTransferOptions(upload, transfer);
    upload->add_option("-o,--output", out, "settings file to write")->required();
    auto* download = app.add_subcommand("download", "Write a settings file into the STB");
    AddTransferOptions(download, transfer);
    download->add_option("FILE", file, "settings file")->required();
    auto* reboot = app.add_subcommand("reboot", "Restart the STB");
    AddLinkOptions(reboot, transfer);
    auto* usbDevices = app.add_subcommand("usb-devices", "List the USB devices that could be the STB's loader, and "
                                                         "the VID:PID pairs taken as the loader");
    for (auto* command : {upload, download, reboot})
        command->callback([command, &transfer] {
            if (transfer.serial.empty() && !transfer.usb)
                throw CLI::RequiredError(command->get_name() + ": --serial COM1|COM2|PATH or --usb");
        });

    try {
        ParseCommandLine(app, argc, argv);
    } catch (const CLI::ParseError& error) {
        return ParseErrorStatus(app, error);
    }
    transfer.options.usb = transfer.usb;
    transfer.options.sideFolder = PathFromUtf8(transfer.sideFolder);
    transfer.options.backup = !transfer.noBackup;
    if (!transfer.serial.empty())
        transfer.options.port = transfer.serial;
    CliPrompter prompter(RebootAnswer(transfer));
    if (*upload)
        return RunUpload(transfer.options, PathFromUtf8(out), prompter);
    if (*download)
        return RunDownload(transfer.options, PathFromUtf8(file), prompter);
    if (*reboot)
        return RunReboot(transfer.options, prompter);
    if (*usbDevices)
        return RunUsbDevices();
    if (*diff)
        return RunDiff(file, other, json, prompter);
    if (*exportList && format == "pdf")
        return RunExportPdf(file, printList, listFiles, prompter);
    if (*exportList)
        return RunExport(csv ? "csv" : format, file, listFiles, prompter);
    if (*importList)
        return format.empty() ? RunImportCsv(csvFile, importFiles[0], listFiles, prompter)
                              : RunImport(format, importFiles[0], importFiles[1], listFiles, prompter);
    if (*applyReference)
        return RunApplyReference(other, file, listFiles, prompter);
    if (*updateTps)
        return RunUpdateTps(tpArgs, prompter);
    if (*info)
        return Info(file, prompter);
    if (*verify)
        return LoadOrNull(file, prompter) ? 0 : 1;
    if (*dump)
        return Dump(file, prompter);
    if (*demo)
        return Demo(demoOptions, out, sideFolder, prompter);
    return Resave(file, out, sideFolder, prompter);
}
