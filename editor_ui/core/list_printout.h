// A TV, radio or favourite list laid out for paper, without painting: the columns the views
// show (number, name, satellite, TP, CAS/FTA, lock), a title, the date, and rows split into
// pages that each repeat the header row and say "Page n of m". Texts are UTF-8. The Qt side
// paints it (editor_ui/print/list_painter.h).
#pragma once
#include "settings/document.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

enum PrintColumn : size_t { kPrintNumber, kPrintName, kPrintSat, kPrintTp, kPrintCas, kPrintLock, kPrintColumns };
using PrintRow = std::array<std::string, kPrintColumns>;

// "No.", "Name", "Satellite", "TP", "CAS/FTA", "Lock".
const PrintRow& PrintHeader();

struct ListPrintout {
    std::string title;       // "TV Service", "Radio Service", "Favorite Group : News"
    std::string source;      // the settings file's name; empty without one
    std::string summary;     // "320 services", "12 of 320 services"
    std::string date;
    std::string emptyText;   // printed under the header when there are no rows
    std::vector<PrintRow> rows;
};

// One service as its list line and panel show it: 1-based position, cleaned name, satellite,
// transponder, "CAS" or "FTA", "Yes" when locked.
PrintRow PrintRowOf(const COrvanel1Doc& doc, SvcKind kind, uint32_t pos);
// The services at `shown` (positions of the list, in the order to print).
ListPrintout SvcPrintout(const COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& shown);
// Every position of the list.
std::vector<uint32_t> AllPositions(const COrvanel1Doc& doc, SvcKind kind);
// The members of a group slot in their order; a member whose position lies outside its list
// keeps its number and nothing else, as the favourite view shows it.
ListPrintout FavPrintout(const COrvanel1Doc& doc, int group);

struct PrintPage {
    size_t firstRow = 0;
    size_t rowCount = 0;
    std::string footer;   // "Page n of m"
};
// The rows split into pages of `rowsPerPage` (taken as 1 when smaller); no rows make one page.
std::vector<PrintPage> PaginateRows(size_t rows, size_t rowsPerPage);

// A painted PDF of `pages` pages written safely to `path` (whole or not at all): the page
// count, or 0 with why in `failure`. No pages means the painting failed: nothing is written.
int WritePrintedPdf(const std::filesystem::path& path, std::string_view pdf, int pages, std::string& failure);
