// VDR's channels.conf (UTF-8): one service a line,
//   Name[,ShortName][;Provider]:Frequency:Parameters:Source:SymbolRate:VPID:APID:TPID:CAID:SID:NID:TID:RID
// and group delimiters, lines that start with ':' (":@N Text" also numbers the next line).
// A group holds the services listed under it; a line that repeats a service listed earlier
// (same source, frequency, polarization, SID and name) makes it a member of the group it
// stands in, without a second service. Our lists are written TV first, then each favourite
// group as a delimiter followed by its members.
#pragma once
#include "lists/foreign_list.h"

#include <string>
#include <string_view>
#include <vector>

namespace lists {

// False, with the reason, when the text holds no channel line at all; lines that cannot be
// read, or are not of a satellite, are noted and skipped.
bool ReadVdr(std::string_view text, ForeignList& list, std::string& error);

// Notes what the lines cannot hold as they are (names with ':' become '|', ...).
std::string WriteVdr(const ForeignList& list, std::vector<std::string>& notes);

} // namespace lists
