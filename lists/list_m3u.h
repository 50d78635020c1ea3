// An M3U playlist of the lists for players that read one: the names in list order, TV first,
// with their position and list as attributes. We know no stream addresses and invent none,
// so the entries carry no URL lines.
#pragma once
#include "lists/foreign_list.h"

#include <string>
#include <vector>

namespace lists {

std::string WriteM3u(const ForeignList& list, std::vector<std::string>& notes);

} // namespace lists
