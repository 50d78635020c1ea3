#include "tools/orvanel_cli/table_commands.h"

#include "common/latin1_utf8.h"
#include "common/std_output.h"
#include "common/system_paths.h"
#include "common/terminal_text.h"
#include "editing/edit_common.h"
#include "tables/table_file.h"
#include "tables/table_tp.h"
#include "tables/tp_plan.h"


namespace {

void Error(const std::string& text)
{
    WriteStderr(ForStream(stderr, "orvanel-cli: " + text + "\n"));
}

// The satellite by its number from 1, else by its name; -1 after the error line.
int FindSatellite(const COrvanel1Doc& doc, const std::string& wanted)
{
    uint64_t number = 0;
    if (tables::ParseUnsigned(wanted, doc.m_SatCnt, number) && number > 0)
        return int(number - 1);
    std::string latin1;
    Utf8ToLatin1(wanted, latin1);
    std::string known;
    for (uint32_t s = 0; s < doc.m_SatCnt; ++s) {
        if (!latin1.empty() && SatName(doc, s) == latin1)
            return int(s);
        known += "\n  " + std::to_string(s + 1) + " " + Latin1ToUtf8(SatName(doc, s));
    }
    Error("--satellite \"" + wanted + "\" is no satellite of the settings; they are:" + known);
    return -1;
}

void ListTableSatellites(const tables::TableFile& table)
{
    constexpr size_t kListed = 60;
    std::string text = "the table's satellites:";
    for (size_t i = 0; i < table.sats.size() && i < kListed; ++i)
        text += "\n  " + tables::DescribeTableSatellite(table.sats[i]);
    if (table.sats.size() > kListed)
        text += "\n  ... and " + std::to_string(table.sats.size() - kListed) + " more";
    WriteStderr(ForStream(stderr, text + "\n"));
}

}  // namespace

int RunUpdateTps(const UpdateTpsArgs& args, CliPrompter& prompter)
{
    ListFiles files = args.files;
    if (args.write)
        files.output = args.file;
    if (OutputIsInput(files, args.table, "transponder table"))
        return 1;
    tables::TableFile table;
    std::string error;
    if (!tables::LoadTableFile(PathFromUtf8(args.table), table, error)) {
        Error("cannot take the transponder table " + error + "; nothing was changed");
        return 1;
    }
    auto doc = LoadListDocument(args.file, files, prompter);
    const int sat = doc ? FindSatellite(*doc, args.satellite) : -1;
    if (sat < 0)
        return 1;
    const int tableSat =
        tables::PickTableSatellite(table, args.tableSatellite, Latin1ToUtf8(SatName(*doc, uint32_t(sat))), error);
    if (tableSat < 0) {
        Error(error);
        ListTableSatellites(table);
        return 1;
    }
    tables::TpPlan plan = tables::PlanTpUpdate(*doc, sat, table.sats[size_t(tableSat)]);
    for (size_t i = 0; args.removeUnlisted && i < plan.unlisted.size(); ++i)
        tables::SetRemove(plan, i, true);
    const std::string report = tables::DescribeTpPlan(*doc, plan);
    if (files.output.empty())
        return WriteStdout(ForStream(stdout, report + "Nothing was written: -o OUT writes the updated settings, "
                                                      "--write replaces " + args.file + ".\n"))
                   ? 0
                   : 1;
    tables::TpUpdateResult result;
    if (!tables::ApplyTpPlan(*doc, plan, result)) {
        Error(result.error);
        return 1;
    }
    return SaveThenReport(*doc, files, prompter, report + tables::DescribeTpUpdate(plan, result) + "\n");
}
