// bexora-cli: the explorer's engine from the terminal, over the ZbDll interface.
#include "common/version.h"
#include "explorer/copy_engine.h"
#include "explorer/device_watch.h"
#include "explorer/event_loop.h"
#include "explorer/file_ops.h"
#include "explorer/loader/zbdll_loader.h"
#include "explorer/pane_rows.h"
#include "explorer/pc_files.h"
#include "explorer/pvr_protocol.h"
#include "tools/bexora_cli/terminal.h"
#include "tools/cli_command_line.h"
#include "explorer/zbdll.h"
#include "common/program_arguments.h"
#include "common/std_output.h"
#include "common/system_paths.h"
#include "common/terminal_text.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;
using namespace explorer;

namespace {

// One job's panes: the two folders and the rows chosen from the command line.
class CliHost : public ExplorerHost {
public:
    std::string pvrFolder;
    std::string pcFolder;
    std::vector<PaneRow> rows;

    std::string Folder(PaneSide side) override { return side == PaneSide::Pvr ? pvrFolder : pcFolder; }
    std::vector<PaneRow> SelectedRows(PaneSide) override { return rows; }
    void EnableControls(bool) override {}
    void RefreshPane(PaneSide) override {}
    void JobEnded(JobOutcome) override {}
};

constexpr int kExitFailed = 1;

struct Options {
    bool overwrite = false;
    bool resume = false;
    bool skip = false;
    bool turbo = false;
    bool yes = false;
};

// "/DataFiles/a.rec", "DataFiles\a.rec" and "\DataFiles\a.rec" all name the same file; "/" is the root.
std::string PvrArgument(std::string text)
{
    for (char& c : text)
        if (c == '/')
            c = '\\';
    while (!text.empty() && text.back() == '\\')
        text.pop_back();
    if (!text.empty() && text[0] != '\\')
        text.insert(text.begin(), '\\');
    return text;
}

class Cli {
public:
    explicit Cli(const Options& options)
        : m_Prompter(options.yes),
          m_Asker(options.overwrite ? PresetAnswer::Overwrite
                  : options.resume  ? PresetAnswer::Resume
                  : options.skip    ? PresetAnswer::Skip
                                    : PresetAnswer::None),
          m_Engine(m_Session, m_Host, m_Progress, m_Asker, m_Prompter, m_Loop, m_Loop)
    {
        m_Session.m_bTurboButton = options.turbo;
        m_Loop.SetHandler([this](uint32_t id, uint32_t value) {
            if (!IsDeviceNotice(id))
                m_Engine.OnTransferEvent(id, value);
            else if (DeviceChange change = m_DeviceNotices.Handle(id); change == DeviceChange::Removed)
                m_Engine.OnDeviceRemoved();
            else if (change == DeviceChange::Arrived)
                m_Engine.OnDeviceArrived();
        });
    }

    bool Connect()
    {
        InitDevice();
        if (!StartPnpNotice(m_DeviceNotices.Window()) && !(TryDeviceOpen() && DeviceArrival(nullptr))) {
            PrintError("The STB is not connected.\n");
            return false;
        }
        m_Engine.OnDeviceArrived();
        return true;
    }

    int List(const std::string& argument)
    {
        std::string folder = PvrArgument(argument);
        PvrListing listing = ListPvrFolder(m_Session, folder);
        if (listing.status == ListStatus::Failed) {
            PrintError("Folder does not exist.\n");
            return 1;
        }
        std::string text;
        for (const PaneRow& row : BuildPvrRows(listing.entries)) {
            char line[512];
            std::snprintf(line, sizeof line, "%-40s %14s  %-8s  %s\n", row.name.c_str(), row.SizeText().c_str(),
                          row.typeText.c_str(), row.dateText.c_str());
            text += line;
        }
        if (!WriteStdout(ForStream(stdout, text)))
            return 1;
        if (listing.status == ListStatus::Complete && !listing.overflow)
            return 0;
        PrintError(listing.overflow ? "The folder holds more entries than a listing can show.\n"
                                              : "The STB's listing was cut short; the rows above may be incomplete.\n");
        return 1;
    }

    int Disk()
    {
        DiskQuery query = QueryPvrDisk(m_Session);
        if (!WriteStdout(PvrDiskLine(query).value_or("") + "\n"))
            return 1;
        return query.status == DiskStatus::Read ? 0 : 1;
    }

    int Get(const std::vector<std::string>& sources, const std::string& pcFolder)
    {
        std::error_code ec;
        if (!fs::is_directory(PcFsPath(pcFolder), ec)) {
            PrintError("Folder does not exist.\n");
            return 1;
        }
        std::map<std::string, std::vector<PaneRow>> groups;
        std::vector<std::string> order;
        for (const std::string& source : sources) {
            std::string path = PvrArgument(source);
            std::optional<PaneRow> row = PvrRowOf(path);
            if (!row) {
                PrintError("File does not exist.   \n\n\"%s\"  \n", source.c_str());
                return 1;
            }
            std::string folder = PvrParent(path);
            if (!groups.count(folder))
                order.push_back(folder);
            groups[folder].push_back(*row);
        }
        for (const std::string& folder : order)
            if (!RunJob(Direction::Receive, folder, PcPathString(fs::absolute(PcFsPath(pcFolder), ec)), groups[folder]))
                return 1;
        return 0;
    }

    int Put(const std::vector<std::string>& sources, const std::string& target)
    {
        std::string pvrFolder = PvrArgument(target);
        if (ListPvrFolder(m_Session, pvrFolder).status == ListStatus::Failed) {
            PrintError("Folder does not exist.\n");
            return 1;
        }
        std::map<std::string, std::vector<PaneRow>> groups;
        std::vector<std::string> order;
        for (const std::string& source : sources) {
            std::error_code ec;
            fs::path path = fs::absolute(PcFsPath(source), ec).lexically_normal();
            if (path.has_filename() == false)
                path = path.parent_path();
            PcEntryInfo info;
            if (!StatPcPath(PcPathString(path), info)) {
                PrintError("File does not exist.   \n\n\"%s\"  \n", source.c_str());
                return 1;
            }
            std::string folder = PcPathString(path.parent_path());
            if (!groups.count(folder))
                order.push_back(folder);
            groups[folder].push_back(PcRow(PcPathString(path.filename()), info.isFolder, info.size, ""));
        }
        for (const std::string& folder : order)
            if (!RunJob(Direction::Send, pvrFolder, folder, groups[folder]))
                return 1;
        return 0;
    }

    int Remove(const std::vector<std::string>& targets)
    {
        int status = 0;
        for (const std::string& target : targets) {
            std::string path = PvrArgument(target);
            std::optional<PaneRow> row = PvrRowOf(path);
            if (!row) {
                PrintError("File does not exist.   \n\n\"%s\"  \n", target.c_str());
                status = 1;
                continue;
            }
            if (DeletePvrRows(m_Session, m_Prompter, PvrParent(path), {*row}) != OpResult::Done)
                status = 1;
        }
        return status;
    }

    int Move(const std::vector<std::string>& sources, const std::string& target)
    {
        // A bare name renames in place; anything with a separator is a PVR path.
        bool bareName = target.find_first_of("/\\") == std::string::npos;
        std::string destination = bareName && sources.size() == 1 ? PvrJoin(PvrParent(PvrArgument(sources[0])), target)
                                                                   : PvrArgument(target);
        std::optional<PaneRow> destinationRow = PvrRowOf(destination);
        if (destination.empty() || (destinationRow && destinationRow->IsFolder())) {
            std::vector<std::string> paths;
            for (const std::string& source : sources)
                paths.push_back(PvrArgument(source));
            return MovePvrPaths(m_Session, m_Prompter, paths, destination) == OpResult::Done ? 0 : 1;
        }
        if (sources.size() != 1) {
            PrintError("Folder does not exist.\n");
            return 1;
        }
        std::string source = PvrArgument(sources[0]);
        if (RefuseSystemMove(m_Prompter, {source}))
            return 1;
        std::optional<PaneRow> row = PvrRowOf(source);
        if (!row) {
            PrintError("File does not exist.   \n\n\"%s\"  \n", sources[0].c_str());
            return 1;
        }
        OpResult result;
        if (PvrParent(source) == PvrParent(destination)) {
            std::vector<PaneRow> paneRows = BuildPvrRows(ListPvrFolder(m_Session, PvrParent(source)).entries);
            result = RenamePvrRow(m_Session, m_Prompter, PvrParent(source), paneRows, *row, PvrBaseName(destination));
        } else {
            result = PvrRename(m_Session, source, destination) ? OpResult::Done : OpResult::Failed;
        }
        if (result == OpResult::Failed)
            m_Prompter.Notify("Cannot move the selected file.", "Moving Failure", PromptIcon::Error);
        return result == OpResult::Done ? 0 : 1;
    }

    int MakeFolder(const std::string& target)
    {
        std::string path = PvrArgument(target);
        std::optional<std::string> name = CheckNewFolderName(m_Prompter, PvrBaseName(path));
        if (!name || path.empty()) {
            // The other refusals have said why.
            if (path.empty() || PvrBaseName(path).find_first_not_of(" \t") == std::string::npos)
                PrintError("The new folder needs a name.\n");
            return 1;
        }
        return MakePvrFolder(m_Session, m_Prompter, PvrParent(path), *name) == OpResult::Done ? 0 : 1;
    }

    int Turbo(const std::string& state)
    {
        m_Session.m_bTurboButton = state != "on";
        if (PressTurboButton(m_Session, m_Prompter) != (state == "on"))
            return 1;
        return PvrTurbo(m_Session, state == "on") ? 0 : 1;
    }

private:
    // The row the PVR pane shows for a path (also for the side files the pane hides).
    std::optional<PaneRow> PvrRowOf(const std::string& path)
    {
        if (path.empty())
            return std::nullopt;
        PvrListing listing = ListPvrFolder(m_Session, PvrParent(path));
        for (const PvrEntry& entry : listing.entries) {
            if (entry.name == PvrBaseName(path))
                return PvrRow(entry);
        }
        return std::nullopt;
    }

    bool RunJob(Direction direction, const std::string& pvrFolder, const std::string& pcFolder,
                const std::vector<PaneRow>& rows)
    {
        m_Host.pvrFolder = pvrFolder;
        m_Host.pcFolder = pcFolder;
        m_Host.rows = rows;
        bool started = direction == Direction::Send ? m_Engine.StartSend() : m_Engine.StartReceive();
        if (!started)
            return false;
        while (m_Engine.JobActive()) {
            m_Loop.RunOnce(55, m_Engine.AwaitingOutside());
            m_Progress.Draw(m_Engine);
            if (m_Engine.JobActive() && !m_Engine.AwaitingOutside() && m_Loop.Idle()) {
                PrintError("The copy stopped without an end.\n");
                return false;
            }
        }
        m_Progress.Close();
        return m_Engine.LastOutcome() == JobOutcome::Done;
    }

    PvrSession m_Session;
    EventLoop m_Loop;
    CliHost m_Host;
    TerminalPrompter m_Prompter;
    TerminalAsker m_Asker;
    TerminalProgress m_Progress;
    CopyEngine m_Engine;
    DeviceNotices m_DeviceNotices{m_Loop};
};

}

const char* const kFooter = R"(Exit status: 0 done, 1 failed, 2 wrong command line.

The STB is reached through its device library, loaded when the program starts: the one
that --library or else BEXORA_DEVICE_LIBRARY names (such as the ZbDll.dll that comes with
the STB), else on Windows ZbDll.dll in this program's folder, elsewhere the emulator
library installed with this program. A library that lacks a function the program calls
is refused with the function's name (exit status 1).

The emulator plays the PVR's disk with a PC folder and reads these variables:
  ZBDLL_SIM_ROOT             the folder playing the disk; it must exist (a mistyped one
                             is an error). Unset: zbdll-sim in %LOCALAPPDATA% on Windows,
                             elsewhere $XDG_DATA_HOME/zbdll-sim, else
                             ~/.local/share/zbdll-sim; made with ProgramFiles, DataFiles
                             and MP3 when empty.
  ZBDLL_SIM_VERSION          the STB's protocol version in hex (default 0101; below 0101
                             copies cannot resume).
  ZBDLL_SIM_FAIL_COPY        once, always or N: the next N copies break halfway.
  ZBDLL_SIM_CORRUPT_LISTING  N: packet N of the next listing gets a bad checksum.
  ZBDLL_SIM_SLOW_MS          N: copies pause N ms after every 64 KB.
  ZBDLL_SIM_DROP_AFTER       N: the STB goes away after N chunks of the next copy.
  ZBDLL_SIM_PLUG             a file: the STB is plugged in while it exists.)";

namespace {

// The library that --library, BEXORA_DEVICE_LIBRARY or the default names, loaded with every
// function resolved; false after saying why not.
bool LoadLibraryNamed(std::string path)
{
    if (path.empty())
        path = ProgramVariable("BEXORA_DEVICE_LIBRARY");
    if (path.empty())
        path = DefaultDeviceLibraryPath(ProgramFolder());
    if (path.empty()) {
        PrintError("No device library was found beside the program; name one with --library PATH or "
                             "BEXORA_DEVICE_LIBRARY.\n");
        return false;
    }
    DeviceLibraryResult library = LoadZbDll(path);
    if (!library.loaded)
        PrintError("%s\n", ForStream(stderr, library.message).c_str());
    return library.loaded;
}

}  // namespace

int main(int argc, char** argv)
{
    IgnoreBrokenPipes();
    CLI::App app{"Copies files between the PVR and this PC, and manages the PVR's folders.", "bexora-cli"};
    app.set_version_flag("--version", std::string("bexora-cli ") + OrvanelVersion());
    app.footer(kFooter);
    app.require_subcommand(1);
    Options options;
    std::string path = "\\";
    std::vector<std::string> sources;
    std::string target;
    std::string state;
    std::string library;

    app.add_option("--library", library, "The STB's device library (ZbDll) to load");
    auto* ls = app.add_subcommand("ls", "List a PVR folder");
    ls->add_option("PVRPATH", path, "PVR folder (default: the root)");
    app.add_subcommand("df", "Show the PVR disk's free and total space");
    auto addConflictFlags = [&options](CLI::App* command) {
        auto* overwrite = command->add_flag("--overwrite", options.overwrite, "Overwrite every existing file");
        auto* resume = command->add_flag("--resume", options.resume, "Resume every existing file");
        auto* skip = command->add_flag("--skip", options.skip, "Skip every existing file");
        overwrite->excludes(resume, skip);
        resume->excludes(skip);
        command->add_flag("--turbo", options.turbo, "Switch turbo mode on during the copy");
    };
    auto* get = app.add_subcommand("get", "Copy PVR files and folders into a PC folder");
    get->add_option("PVRPATH... PCDIR", sources, "PVR files or folders, then the PC folder")
        ->required()
        ->expected(2, -1);
    addConflictFlags(get);
    auto* put = app.add_subcommand("put", "Copy PC files and folders into a PVR folder");
    put->footer("Every PC entry is checked before the first file is copied: a FIFO, socket or device, a link to "
                "nothing, a link back to a folder it is in, or a file or folder that cannot be read stops the copy "
                "with the entry's name and the reason, and exit status 1. Sources in several PC folders are copied "
                "one folder after the other, each checked before its first file.");
    put->add_option("PCPATH... PVRDIR", sources, "PC files or folders, then the PVR folder")
        ->required()
        ->expected(2, -1);
    addConflictFlags(put);
    auto* rm = app.add_subcommand("rm", "Delete PVR files or folders");
    rm->add_option("PVRPATH", sources, "PVR files or folders")->required();
    rm->add_flag("-y,--yes", options.yes, "Do not ask for confirmation");
    auto* mv = app.add_subcommand("mv", "Rename a PVR file or folder, or move some into a PVR folder");
    mv->add_option("PVRPATH... TARGET", sources, "PVR files or folders, then the new name or PVR folder")
        ->required()
        ->expected(2, -1);
    auto* mkdir = app.add_subcommand("mkdir", "Make a PVR folder");
    mkdir->add_option("PVRPATH", target, "New folder")->required();
    auto* turbo = app.add_subcommand("turbo", "Switch turbo mode on or off");
    turbo->add_option("STATE", state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    turbo->add_flag("-y,--yes", options.yes, "Do not ask for confirmation");
    try {
        ParseCommandLine(app, argc, argv);
    } catch (const CLI::ParseError& e) {
        return ParseErrorStatus(app, e);
    }
    if (app.got_subcommand(get) || app.got_subcommand(put) || app.got_subcommand(mv)) {
        target = sources.back();
        sources.pop_back();
    }

    if (!LoadLibraryNamed(library))
        return kExitFailed;
    Cli cli(options);
    if (!cli.Connect())
        return kExitFailed;
    int status;
    if (app.got_subcommand(ls))
        status = cli.List(path);
    else if (app.got_subcommand("df"))
        status = cli.Disk();
    else if (app.got_subcommand(get))
        status = cli.Get(sources, target);
    else if (app.got_subcommand(put))
        status = cli.Put(sources, target);
    else if (app.got_subcommand(rm))
        status = cli.Remove(sources);
    else if (app.got_subcommand(mv))
        status = cli.Move(sources, target);
    else if (app.got_subcommand(mkdir))
        status = cli.MakeFolder(target);
    else
        status = cli.Turbo(state);
    return FinishStdout("bexora-cli", status);
}
