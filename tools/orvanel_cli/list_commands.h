// The channel-list commands of orvanel-cli: diff, export and import (CSV and the formats
// of other receivers) and apply-reference. Each returns the exit status (0 success, 1
// failure); reports go to stdout, failures to stderr.
#pragma once
#include "tools/orvanel_cli/cli_prompter.h"

#include <string>
#include <vector>

struct ListFiles {
    std::string output;       // -o; empty: stdout (export only)
    std::string sideFolder;
    std::vector<std::string> positions;   // --position NAME=POS: where our satellites are
};

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
