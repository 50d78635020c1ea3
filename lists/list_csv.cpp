#include "lists/list_csv.h"

#include "common/latin1_utf8.h"
#include "common/terminal_text.h"
#include "editing/edit_common.h"
#include "lists/foreign_list.h"
#include "lists/list_apply.h"
#include "lists/svc_match.h"
#include "settings/service_purge.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace lists {

namespace {

const char* const kColumns[] = {"list",    "position", "name",      "satellite", "frequency", "polarity",
                                "symbol_rate", "svc_id", "pmt_pid", "pcr_pid",   "video_pid", "audio_pid",
                                "scrambled", "lock",   "skip",      "tuner"};
const std::string kFavPrefix = "fav:";

const char* KindText(SvcKind kind) { return kind == kTvKind ? "TV" : "Radio"; }

// Per list slot, the favourite groups that hold it (bit g for group g).
std::vector<uint32_t> GroupMasks(const COrvanel1Doc& doc, SvcKind kind)
{
    std::vector<uint32_t> masks(CountOf(doc, kind), 0);
    for (uint32_t g = 0; g < std::min(doc.m_FavCnt, kMaxFavGroup); ++g) {
        const FavCh& group = doc.m_FavCh[g];
        for (uint32_t m = 0; m < std::min<uint32_t>(group.numOfFavCh, kMaxFavMember); ++m)
            if (group.svcType[m] == kind && group.chNum[m] < masks.size())
                masks[group.chNum[m]] |= 1u << g;
    }
    return masks;
}

// One data row, checked.
struct CsvRow {
    uint32_t row = 0;
    SvcKind kind = kTvKind;
    SvcFacts facts;
    std::optional<uint8_t> lock, skip;
    std::vector<uint8_t> fav;   // per "fav:" column
};

struct Columns {
    std::array<int, std::size(kColumns)> index{};
    std::vector<std::pair<int, std::string>> fav;   // column, group name (Latin-1)
    size_t width = 0;
};

int ColumnOf(const Columns& columns, const char* name)
{
    for (size_t c = 0; c < std::size(kColumns); ++c)
        if (std::string_view(kColumns[c]) == name)
            return columns.index[c];
    return -1;
}

bool ToLatin1(const std::string& utf8, std::string& latin1, uint32_t row, const char* what, CsvError& error)
{
    switch (Utf8ToLatin1(utf8, latin1)) {
    case Utf8Result::Ok:
        if (latin1.find('\0') == std::string::npos)
            return true;
        error = {row, std::string("the ") + what + " holds a NUL character"};
        return false;
    case Utf8Result::Malformed:
        error = {row, std::string("the ") + what + " is not UTF-8 text"};
        return false;
    case Utf8Result::NotLatin1:
        error = {row, std::string("the ") + what + " " + Quoted(utf8) + " holds a character that has no Latin-1 form"};
        return false;
    }
    return false;
}

// A column named twice would leave one of its two meanings silently unused.
bool Twice(const std::string& name, CsvError& error)
{
    error = {1, "the column " + Quoted(name) + " appears twice"};
    return false;
}

bool ReadHeader(const CsvRecord& header, Columns& columns, CsvError& error)
{
    columns.index.fill(-1);
    columns.width = header.size();
    for (size_t f = 0; f < header.size(); ++f) {
        const std::string name = TrimBoth(header[f]);
        if (name.rfind(kFavPrefix, 0) == 0) {
            std::string group;
            if (!ToLatin1(name.substr(kFavPrefix.size()), group, 1, "group name", error))
                return false;
            for (const auto& column : columns.fav)
                if (column.second == group)
                    return Twice(name, error);
            columns.fav.emplace_back(int(f), group);
            continue;
        }
        for (size_t c = 0; c < std::size(kColumns); ++c)
            if (name == kColumns[c]) {
                if (columns.index[c] >= 0)
                    return Twice(name, error);
                columns.index[c] = int(f);
            }
    }
    for (const char* needed : {"list", "name", "satellite", "frequency", "polarity", "svc_id"})
        if (ColumnOf(columns, needed) < 0) {
            error = {1, std::string("the column \"") + needed + "\" is missing"};
            return false;
        }
    return true;
}

bool ReadNumber(const std::string& field, uint32_t max, uint32_t& value)
{
    const std::string text = TrimBoth(field);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && value <= max;
}

bool ReadNumberField(const CsvRecord& record, int column, uint32_t max, uint32_t& value, uint32_t row,
                     CsvError& error)
{
    if (ReadNumber(record[column], max, value))
        return true;
    error = {row, Quoted(record[column]) + " is not a number from 0 to " + std::to_string(max)};
    return false;
}

// "1" (or "yes", "x") sets a flag, "0", "no" or nothing clears it.
bool ReadFlag(const CsvRecord& record, int column, uint8_t& flag, uint32_t row, CsvError& error)
{
    std::string text = TrimBoth(record[column]);
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (text == "1" || text == "yes" || text == "x" || text == "0" || text == "no" || text.empty()) {
        flag = text == "1" || text == "yes" || text == "x";
        return true;
    }
    error = {row, Quoted(record[column]) + " is not 1 or 0"};
    return false;
}

bool ReadRow(const CsvRecord& record, const Columns& columns, uint32_t row, CsvRow& out, CsvError& error)
{
    out.row = row;
    std::string text = TrimBoth(record[ColumnOf(columns, "list")]);
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    if (text != "TV" && text != "RADIO") {
        error = {row, "the list " + Quoted(record[ColumnOf(columns, "list")]) + " is neither TV nor Radio"};
        return false;
    }
    out.kind = text == "TV" ? kTvKind : kRadioKind;
    std::string polar = TrimBoth(record[ColumnOf(columns, "polarity")]);
    if (polar == "H" || polar == "h" || polar == "Horizontal" || polar == "V" || polar == "v" || polar == "Vertical") {
        out.facts.polar = polar[0] == 'H' || polar[0] == 'h';
    } else {
        error = {row, "the polarity " + Quoted(polar) + " is neither H nor V"};
        return false;
    }
    uint32_t freq = 0, svcId = 0;
    if (!ToLatin1(record[ColumnOf(columns, "name")], out.facts.name, row, "name", error) ||
        !ToLatin1(record[ColumnOf(columns, "satellite")], out.facts.satName, row, "satellite", error) ||
        !ReadNumberField(record, ColumnOf(columns, "frequency"), 0xFFFFFFFFu, freq, row, error) ||
        !ReadNumberField(record, ColumnOf(columns, "svc_id"), 0xFFFF, svcId, row, error))
        return false;
    out.facts.freq = freq;
    out.facts.svcId = static_cast<uint16_t>(svcId);
    for (const char* flag : {"lock", "skip"}) {
        const int column = ColumnOf(columns, flag);
        uint8_t value = 0;
        if (column >= 0) {
            if (!ReadFlag(record, column, value, row, error))
                return false;
            (flag[0] == 'l' ? out.lock : out.skip) = value;
        }
    }
    for (const auto& [column, name] : columns.fav) {
        uint8_t value = 0;
        if (!ReadFlag(record, column, value, row, error))
            return false;
        out.fav.push_back(value);
    }
    return true;
}

bool ReadRows(std::string_view csv, Columns& columns, std::vector<CsvRow>& rows, CsvError& error)
{
    std::vector<CsvRecord> records;
    if (!ParseCsv(csv, records, error))
        return false;
    if (records.empty()) {
        error = {1, "the file is empty"};
        return false;
    }
    if (!ReadHeader(records[0], columns, error))
        return false;
    for (uint32_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (record.size() == 1 && TrimBoth(record[0]).empty())
            continue;
        if (record.size() != columns.width) {
            error = {r + 1, "the row has " + std::to_string(record.size()) + " fields, the header " +
                                std::to_string(columns.width)};
            return false;
        }
        rows.emplace_back();
        if (!ReadRow(record, columns, r + 1, rows.back(), error))
            return false;
    }
    if (rows.empty()) {
        error = {2, "the list has no rows below its header"};
        return false;
    }
    return true;
}

std::string Describe(const CsvRow& row)
{
    return "row " + std::to_string(row.row) + ": " + KindText(row.kind) + " " + Quoted(Latin1ToUtf8(row.facts.name)) +
           " (" + CutForEcho(Latin1ToUtf8(row.facts.satName)) + ", " + std::to_string(row.facts.freq) +
           (row.facts.polar ? " H" : " V") + ", svcId " + std::to_string(row.facts.svcId) + ")";
}

// Membership of one group after the rows: members that a row clears go, members that a row
// sets are appended in row order while there is room.
void ApplyGroup(COrvanel1Doc& doc, FavCh& group, uint32_t column, const std::vector<const CsvRow*>& rows,
                const std::vector<int32_t>& slotOfRow, CsvImportReport& report)
{
    FavCh updated = group;
    updated.numOfFavCh = 0;
    std::array<std::vector<int>, 2> rowValue{std::vector<int>(CountOf(doc, kTvKind), -1),
                                             std::vector<int>(CountOf(doc, kRadioKind), -1)};
    for (size_t r = 0; r < rows.size(); ++r)
        if (slotOfRow[r] >= 0)
            rowValue[rows[r]->kind][slotOfRow[r]] = rows[r]->fav[column];
    std::array<std::vector<bool>, 2> present{std::vector<bool>(CountOf(doc, kTvKind)),
                                             std::vector<bool>(CountOf(doc, kRadioKind))};
    for (uint32_t m = 0; m < std::min<uint32_t>(group.numOfFavCh, kMaxFavMember); ++m) {
        const uint8_t kind = group.svcType[m];
        const uint16_t slot = group.chNum[m];
        if (kind <= kRadioKind && slot < rowValue[kind].size()) {
            if (rowValue[kind][slot] == 0)
                continue;
            present[kind][slot] = true;
        }
        updated.chNum[updated.numOfFavCh] = slot;
        updated.svcType[updated.numOfFavCh++] = kind;
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        const SvcKind kind = rows[r]->kind;
        if (slotOfRow[r] < 0 || rows[r]->fav[column] == 0 || present[kind][slotOfRow[r]])
            continue;
        if (updated.numOfFavCh >= kMaxFavMember) {
            report.notes.push_back("row " + std::to_string(rows[r]->row) + ": the group \"" +
                                   Latin1ToUtf8(FieldText(group.favName)) + "\" already has 100 members");
            continue;
        }
        present[kind][slotOfRow[r]] = true;
        updated.chNum[updated.numOfFavCh] = static_cast<uint16_t>(slotOfRow[r]);
        updated.svcType[updated.numOfFavCh++] = kind;
    }
    std::fill(updated.chNum.begin() + updated.numOfFavCh, updated.chNum.end(), 0);
    std::fill(updated.svcType.begin() + updated.numOfFavCh, updated.svcType.end(), 0);
    if (!(updated == group)) {
        group = updated;
        doc.m_Revision.Bump(DocTable::Favourites);
    }
}

} // namespace

std::string ExportCsv(const COrvanel1Doc& doc)
{
    CsvRecord header(std::begin(kColumns), std::end(kColumns));
    const uint32_t groups = std::min(doc.m_FavCnt, kMaxFavGroup);
    for (uint32_t g = 0; g < groups; ++g)
        header.push_back(kFavPrefix + Latin1ToUtf8(FieldText(doc.m_FavCh[g].favName)));
    std::string csv = CsvLine(header);
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        const std::vector<SvcFacts> facts = ListFacts(doc, kind);
        const std::vector<uint32_t> masks = GroupMasks(doc, kind);
        for (uint32_t i = 0; i < facts.size(); ++i) {
            const SvcRecord& s = ListOf(doc, kind)[i];
            const SvcFacts& f = facts[i];
            CsvRecord row = {KindText(kind), std::to_string(i + 1), Latin1ToUtf8(f.name), Latin1ToUtf8(f.satName),
                             std::to_string(f.freq), f.polar ? "H" : "V", std::to_string(f.sr),
                             std::to_string(s.svcId), std::to_string(s.pmtPid), std::to_string(s.pcrPid),
                             std::to_string(s.videoPid), std::to_string(s.audioPid), std::to_string(s.scrambled),
                             std::to_string(s.lock), std::to_string(s.skip), std::to_string(s.tunerNum)};
            for (uint32_t g = 0; g < groups; ++g)
                row.push_back(masks[i] & (1u << g) ? "1" : "");
            csv += CsvLine(row);
        }
    }
    return csv;
}

bool ImportCsv(COrvanel1Doc& doc, std::string_view csv, CsvImportReport& report, CsvError& error)
{
    Columns columns;
    std::vector<CsvRow> rows;
    if (!ReadRows(csv, columns, rows, error))
        return false;

    std::array<std::vector<const CsvRow*>, 2> byKind;
    for (const CsvRow& row : rows)
        byKind[row.kind].push_back(&row);
    std::vector<const CsvRow*> ordered;
    std::vector<int32_t> slotOfRow;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        std::vector<SvcFacts> facts;
        for (const CsvRow* row : byKind[kind])
            facts.push_back(row->facts);
        const SvcMatch match = MatchServices(ListFacts(doc, kind), facts);
        report.strong[kind] = match.Count(MatchKind::Strong);
        report.weak[kind] = match.Count(MatchKind::Weak);
        std::vector<uint32_t> front;
        for (int32_t slot : match.refOf)
            if (slot >= 0)
                front.push_back(uint32_t(slot));
        const std::vector<uint32_t> newSlotOf = PutFirst(doc, kind, front);
        for (size_t r = 0; r < byKind[kind].size(); ++r) {
            const CsvRow& row = *byKind[kind][r];
            ordered.push_back(&row);
            slotOfRow.push_back(match.refOf[r] < 0 ? -1 : int32_t(newSlotOf[match.refOf[r]]));
            if (match.refOf[r] < 0) {
                report.notes.push_back(Describe(row) + " matches no service (or only one an earlier row took)");
                continue;
            }
            const uint32_t slot = newSlotOf[match.refOf[r]];
            if (row.facts.name.size() > kNameMaxChars)
                report.notes.push_back(Describe(row) + ": the name is cut to 23 characters");
            const NameChange renamed = SetSvcName(doc, kind, slot, row.facts.name);
            report.renamed += renamed == NameChange::Renamed ? 1 : 0;
            if (renamed == NameChange::NoRoom)
                report.notes.push_back(Describe(row) + ": the name pool is full, the old name is kept");
            const SvcRecord& svc = ListOf(doc, kind)[slot];
            SetSvcFlags(doc, kind, slot, row.lock.value_or(svc.lock), row.skip.value_or(svc.skip));
        }
    }
    for (uint32_t c = 0; c < columns.fav.size(); ++c) {
        FavCh* group = nullptr;
        for (uint32_t g = 0; g < std::min(doc.m_FavCnt, kMaxFavGroup) && !group; ++g)
            if (FieldText(doc.m_FavCh[g].favName) == columns.fav[c].second)
                group = &doc.m_FavCh[g];
        if (group)
            ApplyGroup(doc, *group, c, ordered, slotOfRow, report);
        else
            report.notes.push_back("column " + Quoted("fav:" + Latin1ToUtf8(columns.fav[c].second)) +
                                   ": no such favourite group, left alone");
    }
    return true;
}

std::string DescribeCsvImport(const CsvImportReport& report)
{
    std::string text;
    for (SvcKind kind : {kTvKind, kRadioKind})
        text += std::string(KindText(kind)) + ": " + std::to_string(report.strong[kind]) + " rows matched, " +
                std::to_string(report.weak[kind]) + " weakly matched (other service id)\n";
    text += "Renamed: " + std::to_string(report.renamed) + "\n";
    for (const std::string& note : report.notes)
        text += note + "\n";
    return text;
}

} // namespace lists
