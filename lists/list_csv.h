// The TV and radio lists as a spreadsheet (CSV, names in UTF-8) and back.
//
// Export writes one row per service, TV first, with the columns
//   list, position, name, satellite, frequency, polarity, symbol_rate, svc_id, pmt_pid,
//   pcr_pid, video_pid, audio_pid, scrambled, lock, skip, tuner
// and one column "fav:NAME" per favourite group (1 = member). Import matches each row to a
// service (svc_match.h) and applies, per list, the row order (matched services first in the
// order of their rows, the others after them in their own order), the names (cut to 23
// characters), lock, skip and the membership of the groups named in "fav:" columns. The
// columns are found by their header names, each named once; list, name, satellite,
// frequency, polarity and svc_id are needed, the others are optional (position and the
// PIDs are not applied).
// Rows that match no service are reported and never added.
#pragma once
#include "lists/csv.h"
#include "settings/document.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lists {

std::string ExportCsv(const COrvanel1Doc& doc);

struct CsvImportReport {
    std::array<uint32_t, 2> strong{};
    std::array<uint32_t, 2> weak{};
    uint32_t renamed = 0;
    std::vector<std::string> notes;   // rows that match nothing, names cut or kept, full groups (UTF-8)
};

// Reads and checks the whole text before changing anything: on a fault (bad CSV, a missing
// column, a value out of range, text that is not UTF-8 or has no Latin-1 form) it returns
// false with the row and reason in `error` and the document is untouched.
bool ImportCsv(COrvanel1Doc& doc, std::string_view csv, CsvImportReport& report, CsvError& error);

std::string DescribeCsvImport(const CsvImportReport& report);

} // namespace lists
