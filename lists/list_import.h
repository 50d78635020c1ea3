// Places another receiver's list in the document. Each service goes to the satellite at its
// orbital position (CSatPlaces), to the satellite's TP of the same polarization nearest in
// frequency within 2 MHz (a new TP when there is none), and to the service of that TP with
// its service id (a new service when there is none). New TPs and services are added only
// within the STB's limits and only when the STB could keep them (a PMT PID, a video or audio
// PID, a name). The list then takes the file's order (its services first, the others after
// them in their own order), and each named group of the file replaces the members of our
// favourite group of that name, or becomes a new group. Whatever cannot be placed is
// listed with its reason.
#pragma once
#include "lists/foreign_list.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lists {

struct ImportReport {
    std::array<uint32_t, 2> matched{};
    std::array<uint32_t, 2> added{};
    uint32_t tpsAdded = 0;
    uint32_t groupsChanged = 0;
    uint32_t groupsAdded = 0;
    std::vector<std::string> notes;   // the reader's, then each service or group not placed as it stood
};

ImportReport ImportForeignList(COrvanel1Doc& doc, const ForeignList& list, CSatPlaces& places);

// Counts, then at most `maxNotes` notes (a message box cannot hold thousands).
std::string DescribeImport(const ImportReport& report, size_t maxNotes = SIZE_MAX);

} // namespace lists
