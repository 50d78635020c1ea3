// orvanel-cli export --format pdf: one list of a settings file printed into a PDF file, as the
// editor's "Export as PDF..." prints it. Builds without Qt's GUI module say they lack it.
#pragma once
#include "tools/orvanel_cli/list_commands.h"

#include <string>

// `list` is "tv" (also when empty), "radio" or "fav:NAME" (a favourite group's name). Returns
// the exit status: 0 written, 1 failure, 2 usage error.
int RunExportPdf(const std::string& path, const std::string& list, const ListFiles& files, CliPrompter& prompter);
