// The build without Qt's GUI module (the Windows tools, or ORVANEL_CLI_PDF=OFF).
#include "tools/orvanel_cli/pdf_export.h"

#include <iostream>

int RunExportPdf(const std::string&, const std::string&, const ListFiles&, CliPrompter&)
{
    std::cerr << "orvanel-cli: --format pdf is not in this build (it needs Qt's GUI module); --format csv is"
              << std::endl;
    return 1;
}
