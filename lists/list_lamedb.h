// The settings folder of Linux receiver images: `lamedb` of format 4 (its "transponders"
// and "services" sections, each TP keyed by namespace, TSID and ONID), and the bouquets:
// `bouquets.tv` and `bouquets.radio` name the `userbouquet.*.tv` / `.radio` files, each one
// group ("#NAME", then "#SERVICE 1:0:TYPE:SID:TSID:ONID:NAMESPACE:0:0:0:" lines).
//
// The list's order is that of lamedb's services section; each bouquet is a favourite group
// (a TV and a radio bouquet of one name are one group). We keep no TSID or ONID, so a
// namespace holds the orbital position in its high 16 bits and, to keep TPs apart, the
// frequency in MHz with bit 15 set for vertical polarization in its low 16 bits.
#pragma once
#include "lists/foreign_list.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace lists {

using FolderFiles = std::map<std::string, std::string>;   // file name -> contents

// The files of a folder that the reader looks at (lamedb, bouquets.*, userbouquet.*).
bool IsLamedbFolderFile(std::string_view name);

// False, with the reason, without a format 4 lamedb; what cannot be read is noted and skipped.
bool ReadLamedb(const FolderFiles& files, ForeignList& list, std::string& error);

FolderFiles WriteLamedb(const ForeignList& list, std::vector<std::string>& notes);

} // namespace lists
