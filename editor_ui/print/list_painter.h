// Paints a laid-out list (editor_ui/core/list_printout.h) on the pages of a printer or a PDF
// writer: on every page the title, the date, the file and count, the header row, as many rows
// as the page holds, and "Page n of m" at its foot. Needs a QGuiApplication (fonts).
#pragma once
#include "editor_ui/core/list_printout.h"

#include <QByteArray>

#include <filesystem>
#include <string>

class QPagedPaintDevice;

// The margin of every side of a printed or exported page.
constexpr double kListMarginMm = 15;

// How many pages the list takes on this device's page.
int ListPageCount(QPagedPaintDevice& device, const ListPrintout& printout);
// Paints pages `fromPage` to `toPage` (1-based; 0 for either end means the first or the
// last); returns the number of pages painted, 0 when the device cannot be painted on.
int PaintListPages(QPagedPaintDevice& device, const ListPrintout& printout, int fromPage = 0, int toPage = 0);

// The whole list as a PDF document on A4 pages; `pages` gets the page count.
QByteArray ListPdf(const ListPrintout& printout, int* pages = nullptr);
// ListPdf written safely to `path` (whole or not at all); the page count, or 0 with why in
// `failure`.
inline int WriteListPdf(const std::filesystem::path& path, const ListPrintout& printout, std::string& failure)
{
    int pages = 0;
    const QByteArray pdf = ListPdf(printout, &pages);
    return WritePrintedPdf(path, std::string_view(pdf.constData(), size_t(pdf.size())), pages, failure);
}
