// The channel-list commands of orvanel-cli: diff, export --csv, import --csv and
// apply-reference. Each returns the exit status (0 success, 1 failure); reports go to
// stdout, failures to stderr.
#pragma once
#include "tools/orvanel_cli/cli_prompter.h"

#include <string>

struct ListFiles {
    std::string output;       // -o; empty: stdout (export only)
    std::string sideFolder;
};

int RunDiff(const std::string& pathA, const std::string& pathB, bool json, CliPrompter& prompter);
int RunExportCsv(const std::string& path, const ListFiles& files, CliPrompter& prompter);
int RunImportCsv(const std::string& csvPath, const std::string& path, const ListFiles& files, CliPrompter& prompter);
int RunApplyReference(const std::string& refPath, const std::string& path, const ListFiles& files,
                      CliPrompter& prompter);
