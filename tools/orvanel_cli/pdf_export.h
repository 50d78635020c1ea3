// orvanel-cli export --format pdf: one list of a settings file printed into a PDF file, as the
// editor's "Export as PDF..." prints it, by the editor's painter loaded from its module.
#pragma once
#include "editor_ui/print/list_pdf_module.h"
#include "tools/orvanel_cli/list_commands.h"

#include <string>

// `list` is "tv" (also when empty), "radio" or "fav:NAME" (a favourite group's name). Returns
// the exit status: 0 written, 1 failure, 2 usage error.
int RunExportPdf(const std::string& path, const std::string& list, const ListFiles& files, CliPrompter& prompter);
// The painter from liborvanel-pdf.so where the package puts it (beside the program in the
// build tree); null with why, for the user, when it cannot be had.
ListPdfEntry LoadListPdfPainter(std::string& why);
