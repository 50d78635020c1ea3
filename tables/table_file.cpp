#include "tables/table_file.h"

#include "common/input_file.h"
#include "common/system_paths.h"
#include "lists/sat_position.h"
#include "tables/dvbv5_table.h"
#include "tables/sat_xml_table.h"


namespace tables {
namespace {

bool LooksLikeXml(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && text[first] == '<';
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
        if (std::optional<int32_t> position = lists::PositionFromName(file.sats[0].name))
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

std::optional<int32_t> ParsePosition(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    uint64_t tenths = 0;
    if (ParseUnsigned(negative ? text.substr(1) : text, 1800, tenths))
        return negative ? -int32_t(tenths) : int32_t(tenths);
    return lists::ParsePosition(text);
}

int PickTableSatellite(const TableFile& file, const std::string& wanted, const std::string& ourSatName,
                       std::string& why)
{
    const std::optional<int32_t> position = wanted.empty() ? lists::PositionFromName(ourSatName) : ParsePosition(wanted);
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
