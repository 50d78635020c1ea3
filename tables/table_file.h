// A transponder table file as the user names it: read with the input rules of every file
// (a regular file, at most kMaxTableBytes), its form told by its first bytes, and the
// satellite it is taken for chosen by orbital position or name.
#pragma once
#include "tables/table_tp.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tables {

constexpr uint64_t kMaxTableBytes = 16 << 20;

enum class TableForm { DvbV5, SatellitesXml };

struct TableFile {
    std::filesystem::path path;
    TableForm form = TableForm::DvbV5;
    std::vector<TpTable> sats;   // a scan table holds one, named after the file
};

// False with a sentence that names the file (and the line) when it cannot be read or is
// no table of either form.
bool LoadTableFile(const std::filesystem::path& path, TableFile& file, std::string& error);
// The same for bytes already read.
bool ParseTableText(std::string_view text, TableFile& file, std::string& error);

// "19.2E", "192", "-50", "5W": a position as the user types it.
std::optional<int32_t> ParsePosition(std::string_view text);

// The table's satellite for `wanted` (a position, or a name as the table writes it); with
// nothing wanted, the one whose position our satellite's name carries, or the only one.
// -1 when none fits, with the reason in `why`.
int PickTableSatellite(const TableFile& file, const std::string& wanted, const std::string& ourSatName,
                       std::string& why);
// "Astra 1KX/1L/1M/1N (19.2E) at 19.2E, 112 transponders"
std::string DescribeTableSatellite(const TpTable& sat);

}  // namespace tables
