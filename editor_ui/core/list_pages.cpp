// The page layout of a printout, apart from the document: the PDF painter module
// (liborvanel-pdf.so) is built from this and the painter alone.
#include "editor_ui/core/list_printout.h"

#include <algorithm>

const PrintRow& PrintHeader()
{
    static const PrintRow header = {"No.", "Name", "Satellite", "TP", "CAS/FTA", "Lock"};
    return header;
}

std::vector<PrintPage> PaginateRows(size_t rows, size_t rowsPerPage)
{
    rowsPerPage = std::max<size_t>(rowsPerPage, 1);
    const size_t pages = std::max<size_t>((rows + rowsPerPage - 1) / rowsPerPage, 1);
    std::vector<PrintPage> result(pages);
    for (size_t p = 0; p < pages; ++p) {
        result[p].firstRow = p * rowsPerPage;
        result[p].rowCount = std::min(rowsPerPage, rows - std::min(rows, result[p].firstRow));
        result[p].footer = "Page " + std::to_string(p + 1) + " of " + std::to_string(pages);
    }
    return result;
}
