#include "tools/orvanel_cli/list_commands.h"

#include "common/input_file.h"
#include "common/latin1_utf8.h"
#include "common/safe_file.h"
#include "common/std_output.h"
#include "common/system_paths.h"
#include "common/terminal_text.h"
#include "lists/apply_reference.h"
#include "lists/list_csv.h"
#include "lists/list_diff.h"
#include "lists/list_files.h"
#include "settings/settings_file.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <optional>
#include <memory>

using json = nlohmann::ordered_json;

namespace {
// A channel list of 5000 rows is well below this.
constexpr uint64_t kMaxCsvBytes = 16 << 20;
} // namespace

std::unique_ptr<COrvanel1Doc> LoadListDocument(const std::string& path, const ListFiles& files, CliPrompter& prompter)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = PathFromUtf8(files.sideFolder);
    if (!Appl_OpenSettingsFile(*doc, PathFromUtf8(path), prompter.Detail()))
        return nullptr;
    return doc;
}

int SaveThenReport(COrvanel1Doc& doc, const ListFiles& files, CliPrompter& prompter, const std::string& report)
{
    if (SaveSettingsFile(doc, PathFromUtf8(files.output), prompter.Detail()) != SettingsFileResult::Ok)
        return 1;
    return WriteStdout(ForStream(stdout, report)) ? 0 : 1;
}

namespace {

bool ReadText(const std::string& path, std::string& text)
{
    FileFailure failure;
    if (ReadInputFile(PathFromUtf8(path), kMaxCsvBytes, text, &failure))
        return true;
    PrintError("orvanel-cli: cannot read %s\n", failure.Describe().c_str());
    return false;
}

} // namespace

bool OutputIsInput(const ListFiles& files, const std::string& input, const char* what)
{
    std::error_code error;
    if (files.output.empty() || !std::filesystem::equivalent(PathFromUtf8(files.output), PathFromUtf8(input), error))
        return false;
    PrintError("orvanel-cli: -o \"%s\" is the %s \"%s\"; nothing was written\n", files.output.c_str(), what,
               input.c_str());
    return true;
}

namespace {

json TpJson(const lists::TpRef& tp)
{
    return {{"satellite", Latin1ToUtf8(tp.sat)}, {"frequency", tp.freq}, {"polarity", tp.polar ? "H" : "V"},
            {"symbolRate", tp.sr}};
}

json SvcJson(const lists::SvcRef& svc)
{
    return {{"list", svc.kind == kTvKind ? "TV" : "Radio"}, {"position", svc.pos + 1},
            {"name", Latin1ToUtf8(svc.name)},           {"satellite", Latin1ToUtf8(svc.sat)},
            {"frequency", svc.freq},                    {"polarity", svc.polar ? "H" : "V"},
            {"svcId", svc.svcId}};
}

template <class T, class Fn>
json ArrayOf(const std::vector<T>& items, Fn fn)
{
    json list = json::array();
    for (const T& item : items)
        list.push_back(fn(item));
    return list;
}

json Names(const std::vector<std::string>& names) { return ArrayOf(names, [](const std::string& n) { return Latin1ToUtf8(n); }); }

json ListJson(const lists::ListDiff& list)
{
    return {{"added", ArrayOf(list.added, SvcJson)},
            {"removed", ArrayOf(list.removed, SvcJson)},
            {"changed", ArrayOf(list.changed, [](const lists::SvcChange& c) {
                 return json{{"old", SvcJson(c.a)}, {"new", SvcJson(c.b)}, {"weakMatch", c.weak},
                             {"moved", c.moved},   {"renamed", c.renamed}, {"fields", c.fields}};
             })}};
}

json DiffJson(const lists::DocDiff& diff)
{
    return {{"summary", lists::DiffSummary(diff)},
            {"satellites", {{"added", Names(diff.satAdded)}, {"removed", Names(diff.satRemoved)}}},
            {"transponders",
             {{"added", ArrayOf(diff.tpAdded, TpJson)},
              {"removed", ArrayOf(diff.tpRemoved, TpJson)},
              {"changed", ArrayOf(diff.tpChanged, [](const auto& c) {
                   return json{{"old", TpJson(c.first)}, {"new", TpJson(c.second)}};
               })}}},
            {"tv", ListJson(diff.lists[kTvKind])},
            {"radio", ListJson(diff.lists[kRadioKind])},
            {"favourites",
             {{"added", Names(diff.favAdded)},
              {"removed", Names(diff.favRemoved)},
              {"changed", ArrayOf(diff.favChanged, [](const lists::FavDiff& f) {
                   return json{{"name", Latin1ToUtf8(f.name)}, {"added", ArrayOf(f.added, SvcJson)},
                               {"removed", ArrayOf(f.removed, SvcJson)}};
               })}}}};
}

// NAME=POS as the satellite's name in the STB's form and its position; nothing, with why,
// when it is not one.
std::optional<std::pair<std::string, lists::OrbitalPosition>> PositionArgument(const std::string& argument,
                                                                              std::string& why)
{
    const size_t equals = argument.rfind('=');
    std::string name;
    const auto position = equals == std::string::npos ? std::nullopt : lists::ParsePosition(argument.substr(equals + 1));
    if (equals == 0 || !position)
        why = "not NAME=POSITION with a position such as 19.2E or 5W";
    else if (Utf8ToLatin1(argument.substr(0, equals), name) != Utf8Result::Ok)
        why = "the satellite name has a character the STB's names cannot hold";
    else
        return std::pair{name, *position};
    return std::nullopt;
}

// --position NAME=POS for every satellite named.
std::map<std::string, lists::OrbitalPosition> Positions(const ListFiles& files)
{
    std::map<std::string, lists::OrbitalPosition> given;
    std::string why;
    for (const std::string& argument : files.positions)
        if (const auto named = PositionArgument(argument, why))
            given.insert(*named);
    return given;
}

// The report goes where the list does not: to stderr when the list went to stdout.
bool WriteReport(const ListFiles& files, const std::vector<std::string>& notes)
{
    const std::string text = lists::NoteLines(notes);
    if (!files.output.empty())
        return WriteStdout(ForStream(stdout, text));
    WriteStderr(ForStream(stderr, text));
    return true;
}

int RunExportForeign(const lists::ListFormat& list, const std::string& path, const ListFiles& files,
                     CliPrompter& prompter)
{
    if (list.folder && files.output.empty()) {
        PrintError("orvanel-cli: %s writes a folder: name it with -o\n", list.name);
        return 1;
    }
    if (OutputIsInput(files, path, "settings file"))
        return 1;
    auto doc = LoadListDocument(path, files, prompter);
    if (!doc)
        return 1;
    lists::CSatPlaces places(*doc, Positions(files), nullptr);
    const lists::ListExport result = lists::ExportList(*doc, list, places);
    if (files.output.empty()) {
        if (!WriteStdout(result.files.begin()->second))
            return 1;
    } else if (FileFailure failure; !lists::WriteListFiles(list, PathFromUtf8(files.output), result.files, failure)) {
        PrintError("orvanel-cli: cannot write %s\n", failure.Describe().c_str());
        return 1;
    }
    return WriteReport(files, result.notes) ? 0 : 1;
}

} // namespace

std::vector<std::string> ExportFormatNames()
{
    std::vector<std::string> names{"csv"};
    for (const lists::ListFormat& format : lists::ListFormats())
        names.push_back(format.name);
    return names;
}

std::vector<std::string> ImportFormatNames()
{
    std::vector<std::string> names{"csv"};
    for (const lists::ListFormat& format : lists::ListFormats())
        if (format.read)
            names.push_back(format.name);
    return names;
}

std::string CheckPositionArgument(const std::string& argument)
{
    std::string why;
    PositionArgument(argument, why);
    return why;
}

int RunExport(const std::string& format, const std::string& path, const ListFiles& files, CliPrompter& prompter)
{
    if (format == "csv")
        return RunExportCsv(path, files, prompter);
    const lists::ListFormat* list = lists::FindListFormat(format);
    return list ? RunExportForeign(*list, path, files, prompter) : 1;
}

int RunImport(const std::string& format, const std::string& listPath, const std::string& path, const ListFiles& files,
              CliPrompter& prompter)
{
    if (format == "csv")
        return RunImportCsv(listPath, path, files, prompter);
    const lists::ListFormat& list = *lists::FindListFormat(format);
    if (OutputIsInput(files, listPath, "list"))
        return 1;
    lists::FolderFiles listFiles;
    if (FileFailure failure; !lists::ReadListFiles(list, PathFromUtf8(listPath), listFiles, failure)) {
        PrintError("orvanel-cli: cannot read %s\n", failure.Describe().c_str());
        return 1;
    }
    auto doc = LoadListDocument(path, files, prompter);
    if (!doc)
        return 1;
    lists::CSatPlaces places(*doc, Positions(files), nullptr);
    lists::ImportReport report;
    std::string error;
    if (!lists::ImportList(*doc, list, listFiles, places, report, error)) {
        WriteStderr(ForStream(stderr, "orvanel-cli: \"" + listPath + "\": " + error + "; nothing was changed\n"));
        return 1;
    }
    return SaveThenReport(*doc, files, prompter, lists::DescribeImport(report));
}

int RunDiff(const std::string& pathA, const std::string& pathB, bool asJson, CliPrompter& prompter)
{
    auto a = LoadListDocument(pathA, {}, prompter);
    auto b = a ? LoadListDocument(pathB, {}, prompter) : nullptr;
    if (!b)
        return 1;
    const lists::DocDiff diff = lists::DiffDocuments(*a, *b);
    if (asJson)
        return WriteStdout(DiffJson(diff).dump(1) + "\n") ? 0 : 1;
    const std::string text = lists::DiffSummary(diff) + (diff.Empty() ? "" : "\n") + lists::DiffDetails(diff);
    return WriteStdout(ForStream(stdout, text)) ? 0 : 1;
}

int RunExportCsv(const std::string& path, const ListFiles& files, CliPrompter& prompter)
{
    if (OutputIsInput(files, path, "settings file"))
        return 1;
    auto doc = LoadListDocument(path, files, prompter);
    if (!doc)
        return 1;
    const std::string csv = lists::ExportCsv(*doc);
    if (files.output.empty())
        return WriteStdout(csv) ? 0 : 1;
    FileFailure failure;
    const ByteSpan bytes(reinterpret_cast<const uint8_t*>(csv.data()), csv.size());
    if (SafeWriteFile(PathFromUtf8(files.output), bytes, LinkRule::Follow, &failure))
        return 0;
    PrintError("orvanel-cli: cannot write %s\n", failure.Describe().c_str());
    return 1;
}

int RunImportCsv(const std::string& csvPath, const std::string& path, const ListFiles& files, CliPrompter& prompter)
{
    std::string csv;
    if (OutputIsInput(files, csvPath, "CSV list") || !ReadText(csvPath, csv))
        return 1;
    auto doc = LoadListDocument(path, files, prompter);
    if (!doc)
        return 1;
    lists::CsvImportReport report;
    lists::CsvError error;
    if (!lists::ImportCsv(*doc, csv, report, error)) {
        WriteStderr(ForStream(stderr, "orvanel-cli: \"" + csvPath + "\" row " + std::to_string(error.row) + ": " +
                                          error.text + "; nothing was changed") + "\n");
        return 1;
    }
    return SaveThenReport(*doc, files, prompter, lists::DescribeCsvImport(report));
}

int RunApplyReference(const std::string& refPath, const std::string& path, const ListFiles& files,
                      CliPrompter& prompter)
{
    if (OutputIsInput(files, refPath, "reference file"))
        return 1;
    auto reference = LoadListDocument(refPath, files, prompter);
    auto doc = reference ? LoadListDocument(path, files, prompter) : nullptr;
    if (!doc)
        return 1;
    const lists::ReferenceReport report = lists::ApplyReference(*reference, *doc);
    return SaveThenReport(*doc, files, prompter, lists::DescribeReferenceReport(report, *doc));
}
