#include "lists/csv.h"

namespace lists {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool NeedsQuotes(const std::string& field)
{
    return field.find_first_of(",\"\r\n") != std::string::npos;
}

} // namespace

bool ParseCsv(std::string_view text, std::vector<CsvRecord>& records, CsvError& error)
{
    records.clear();
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    CsvRecord record;
    std::string field;
    size_t i = 0;
    auto fail = [&](const std::string& reason) {
        error = {static_cast<uint32_t>(records.size() + 1), reason};
        return false;
    };
    while (i < text.size()) {
        if (text[i] == '"') {
            // Quoted field: up to the quote that is not doubled.
            for (++i;; ++i) {
                if (i >= text.size())
                    return fail("a quoted field is not closed");
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"')
                        field += '"', ++i;
                    else
                        break;
                } else {
                    field += text[i];
                }
            }
            ++i;
            if (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r')
                return fail("text follows a closing quote");
        } else {
            for (; i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r'; ++i) {
                if (text[i] == '"')
                    return fail("a quote inside an unquoted field");
                field += text[i];
            }
        }
        record.push_back(std::move(field));
        field.clear();
        if (i < text.size() && text[i] == ',') {
            ++i;
            if (i == text.size())
                record.emplace_back();   // a comma at the very end opens one more, empty field
            continue;
        }
        if (i < text.size())
            i += text.substr(i, 2) == "\r\n" ? 2 : 1;
        records.push_back(std::move(record));
        record.clear();
    }
    if (!record.empty())
        records.push_back(std::move(record));
    return true;
}

std::string CsvLine(const CsvRecord& fields)
{
    std::string line;
    for (size_t f = 0; f < fields.size(); ++f) {
        if (f > 0)
            line += ',';
        if (!NeedsQuotes(fields[f])) {
            line += fields[f];
            continue;
        }
        line += '"';
        for (char c : fields[f])
            line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line + "\r\n";
}

} // namespace lists
