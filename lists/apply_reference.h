// Carries a reference list (an earlier, sorted and edited settings file) onto freshly
// scanned settings: the reference's TV and radio order, its favourite groups, locks, skips
// and the names the user changed (renameFlag) go to the matching services of the target.
// Target services without a match follow in their own order. Timers, EPG reservations and
// the current services follow their services.
#pragma once
#include "lists/svc_match.h"
#include "settings/document.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lists {

struct ReferenceReport {
    struct List {
        uint32_t strong = 0;
        uint32_t weak = 0;
        uint32_t renamed = 0;
        uint32_t namesKept = 0;                  // renames the full name pool could not take
        std::vector<uint32_t> weakSlots;        // slots after the change, ascending
        std::vector<uint32_t> unmatchedSlots;   // slots after the change, ascending
    };
    std::array<List, 2> lists;                  // by SvcKind
    uint32_t favMembersDropped = 0;             // the reference's members that match nothing here
    uint32_t favGroupsDropped = 0;              // groups beyond the 30 slots
};

ReferenceReport ApplyReference(const COrvanel1Doc& reference, COrvanel1Doc& target);

// A few lines for people (UTF-8): counts, then the weakly matched and unmatched services,
// at most `maxListed` of them (a message box cannot hold a whole rescan).
std::string DescribeReferenceReport(const ReferenceReport& report, const COrvanel1Doc& target,
                                    size_t maxListed = SIZE_MAX);

} // namespace lists
