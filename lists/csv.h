// Comma-separated values by RFC 4180: fields separated by commas, records ended by CRLF
// (LF or CR alone, as other spreadsheets write them, are read too), a field quoted when it holds a comma, a quote, CR or LF, quotes
// inside doubled. A UTF-8 byte order mark before the first record is skipped.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lists {

using CsvRecord = std::vector<std::string>;

struct CsvError {
    uint32_t row = 0;      // 1-based record number (the header is row 1)
    std::string text;
};

// Splits the whole text into records; false with the record and reason at the first fault
// (an unterminated quoted field, a quote inside an unquoted field, text after a closing quote).
bool ParseCsv(std::string_view text, std::vector<CsvRecord>& records, CsvError& error);

// One record with its CRLF, each field quoted when it has to be.
std::string CsvLine(const CsvRecord& fields);

} // namespace lists
