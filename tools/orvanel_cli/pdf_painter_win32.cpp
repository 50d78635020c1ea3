#include "tools/orvanel_cli/pdf_export.h"

ListPdfEntry LoadListPdfPainter(std::string& why)
{
    why = "--format pdf is not in this build (it needs Qt's GUI module); --format csv is";
    return nullptr;
}
