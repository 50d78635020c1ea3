// The channel-list commands of orvanel-cli: diff, export and import (CSV and the formats
// of other receivers) and apply-reference. Each returns the exit status (0 success, 1
// failure); reports go to stdout, failures to stderr.
#pragma once
#include "tools/orvanel_cli/cli_prompter.h"

#include "settings/document.h"

#include <memory>
#include <string>
#include <vector>

struct ListFiles {
    std::string output;       // -o; empty: stdout (export only)
    std::string sideFolder;
    std::vector<std::string> positions;   // --position NAME=POS: where our satellites are
};

// The settings file a list command reads, with its side folder; null after the error lines.
std::unique_ptr<COrvanel1Doc> LoadListDocument(const std::string& path, const ListFiles& files, CliPrompter& prompter);
// The report tells what was saved, so it comes only after the file is: a reader of the
// report that goes away early must not cost the user the file.
int SaveThenReport(COrvanel1Doc& doc, const ListFiles& files, CliPrompter& prompter, const std::string& report);
// True, after the error line, when -o names the input `input` itself: the output is of
// another kind (a CSV over a settings file, settings over a CSV or over the reference).
bool OutputIsInput(const ListFiles& files, const std::string& input, const char* what);
// The formats of export --format and import --format.
std::vector<std::string> ExportFormatNames();
std::vector<std::string> ImportFormatNames();
// "NAME=POS" with a position such as 19.2E; empty when it is one, else why not.
std::string CheckPositionArgument(const std::string& argument);

int RunExport(const std::string& format, const std::string& path, const ListFiles& files, CliPrompter& prompter);
int RunImport(const std::string& format, const std::string& listPath, const std::string& path, const ListFiles& files,
              CliPrompter& prompter);

int RunDiff(const std::string& pathA, const std::string& pathB, bool json, CliPrompter& prompter);
int RunExportCsv(const std::string& path, const ListFiles& files, CliPrompter& prompter);
int RunImportCsv(const std::string& csvPath, const std::string& path, const ListFiles& files, CliPrompter& prompter);
int RunApplyReference(const std::string& refPath, const std::string& path, const ListFiles& files,
                      CliPrompter& prompter);
