// The build without Qt's GUI module (the Windows tools, or ORVANEL_CLI_PDF=OFF).
#include "tools/orvanel_cli/pdf_export.h"

#include "common/std_output.h"

int RunExportPdf(const std::string&, const std::string&, const ListFiles&, CliPrompter&)
{
    PrintError("orvanel-cli: --format pdf is not in this build (it needs Qt's GUI module); --format csv is\n");
    return 1;
}
