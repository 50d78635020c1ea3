#include "tables/table_file.h"

#include "common/input_file.h"
#include "common/system_paths.h"
#include "tables/dvbv5_table.h"
#include "tables/sat_xml_table.h"

#include <cctype>

namespace tables {
namespace {

bool LooksLikeXml(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '<';
}

// Digits, an optional decimal digit, then E or W (a degree sign may stand between).
std::optional<int32_t> PositionAt(std::string_view text, size_t at, size_t& end)
{
    size_t i = at;
    int32_t whole = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - at < 3)
        whole = whole * 10 + (text[i++] - '0');
    if (i == at || (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))))
        return std::nullopt;
    int32_t tenth = 0;
    if (i + 1 < text.size() && (text[i] == '.' || text[i] == ',') && std::isdigit(static_cast<unsigned char>(text[i + 1])))
        tenth = text[i + 1] - '0', i += 2;
    if (text.substr(i, 2) == "\xC2\xB0")   // the degree sign in UTF-8
        i += 2;
    else if (i < text.size() && text[i] == '\xB0')   // and in Latin-1
        ++i;
    if (i >= text.size() || (std::toupper(static_cast<unsigned char>(text[i])) != 'E' &&
                             std::toupper(static_cast<unsigned char>(text[i])) != 'W'))
        return std::nullopt;
    const bool west = std::toupper(static_cast<unsigned char>(text[i])) == 'W';
    end = i + 1;
    if (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end])))
        return std::nullopt;   // "5West" or "13Ea" is a word, not a position
    const int32_t position = whole * 10 + tenth;
    if (position > 1800)
        return std::nullopt;
    return west ? -position : position;
}

}  // namespace

bool ParseTableText(std::string_view text, TableFile& file, std::string& error)
{
    TableProblem problem;
    bool read = false;
    if (LooksLikeXml(text)) {
        file.form = TableForm::SatellitesXml;
        read = ReadSatellitesXml(text, file.sats, problem);
        if (read && file.sats.empty())
            read = false, problem = {0, "no <sat> in the file"};
    } else {
        file.form = TableForm::DvbV5;
        file.sats.assign(1, TpTable{});
        file.sats[0].name = Utf8Path(file.path.filename());
        file.sats[0].line = 1;
        if (std::optional<int32_t> position = PositionInName(file.sats[0].name))
            file.sats[0].position = *position, file.sats[0].hasPosition = true;
        read = ReadDvbV5Table(text, file.sats[0], problem);
    }
    if (!read) {
        file.sats.clear();
        error = "\"" + Utf8Path(file.path) + "\" " + problem.Describe();
    }
    return read;
}

bool LoadTableFile(const std::filesystem::path& path, TableFile& file, std::string& error)
{
    file = TableFile{};
    file.path = path;
    std::string text;
    FileFailure failure;
    if (!ReadInputFile(path, kMaxTableBytes, text, &failure)) {
        error = failure.Describe();
        return false;
    }
    return ParseTableText(text, file, error);
}

// The last one: "Astra 2E (28.2E)" names the satellite Astra 2E at 28.2E.
std::optional<int32_t> PositionInName(std::string_view name)
{
    std::optional<int32_t> found;
    for (size_t i = 0; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])) ||
            (i > 0 && (std::isalnum(static_cast<unsigned char>(name[i - 1])) || name[i - 1] == '.' || name[i - 1] == ',')))
            continue;
        size_t end = 0;
        if (std::optional<int32_t> position = PositionAt(name, i, end))
            found = position;
    }
    return found;
}

std::optional<int32_t> ParsePosition(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    uint64_t tenths = 0;
    if (ParseUnsigned(negative ? text.substr(1) : text, 1800, tenths))
        return negative ? -int32_t(tenths) : int32_t(tenths);
    size_t end = 0;
    std::optional<int32_t> position = PositionAt(text, 0, end);
    return position && end == text.size() ? position : std::nullopt;
}

int PickTableSatellite(const TableFile& file, const std::string& wanted, const std::string& ourSatName,
                       std::string& why)
{
    const std::optional<int32_t> position = wanted.empty() ? PositionInName(ourSatName) : ParsePosition(wanted);
    for (size_t i = 0; i < file.sats.size(); ++i)
        if ((!wanted.empty() && file.sats[i].name == wanted) ||
            (position && file.sats[i].hasPosition && file.sats[i].position == *position))
            return int(i);
    if (file.sats.size() == 1 && wanted.empty() && (!position || !file.sats[0].hasPosition))
        return 0;
    if (!wanted.empty())
        why = "\"" + Utf8Path(file.path) + "\" has no satellite \"" + wanted + "\"";
    else if (position)
        why = "\"" + Utf8Path(file.path) + "\" has no satellite at " + PositionText(*position) + ", where \"" +
              ourSatName + "\" is: choose the table's satellite by its position or name";
    else
        why = "\"" + ourSatName + "\" names no orbital position: choose the table's satellite by its position or name";
    return -1;
}

std::string DescribeTableSatellite(const TpTable& sat)
{
    std::string text = sat.name;
    if (sat.hasPosition)
        text += " at " + PositionText(sat.position);
    return text + ", " + CountOf(sat.tps.size(), "transponder");
}

}  // namespace tables
