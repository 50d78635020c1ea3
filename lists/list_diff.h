// What changed from one settings document (A) to another (B): satellites, transponders, TV
// and radio services and favourite groups, with services matched as svc_match.h says.
// A matched service counts as moved when it left the longest run of services that kept
// their order (so one insertion does not move everything after it). Names are Latin-1.
#pragma once
#include "settings/document.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace lists {

struct TpRef {
    std::string sat;
    uint32_t freq = 0;
    uint8_t polar = 0;
    uint16_t sr = 0;
};

struct SvcRef {
    SvcKind kind = kTvKind;
    uint32_t pos = 0;          // slot, 0-based
    std::string name;
    std::string sat;
    uint32_t freq = 0;
    uint8_t polar = 0;
    uint16_t svcId = 0;
};

struct SvcChange {
    SvcRef a, b;
    bool weak = false;         // matched by name: the service id differs
    bool moved = false;
    bool renamed = false;
    std::vector<std::string> fields;   // changed PIDs and flags: "pmtPid", "lock", ...
};

struct ListDiff {
    std::vector<SvcRef> added, removed;
    std::vector<SvcChange> changed;    // matched services that moved or changed
};

struct FavDiff {
    std::string name;
    std::vector<SvcRef> added, removed;
};

struct DocDiff {
    std::vector<std::string> satAdded, satRemoved;
    std::vector<TpRef> tpAdded, tpRemoved;
    std::vector<std::pair<TpRef, TpRef>> tpChanged;   // matched within the tolerances, values differ
    std::array<ListDiff, 2> lists;                     // by SvcKind
    std::vector<std::string> favAdded, favRemoved;
    std::vector<FavDiff> favChanged;
    bool Empty() const;
};

DocDiff DiffDocuments(const COrvanel1Doc& a, const COrvanel1Doc& b);

// One line per kind of change with its count (UTF-8), e.g. "TV: 3 added, 1 removed, ...".
std::string DiffSummary(const DocDiff& diff);
// One line per change (UTF-8).
std::string DiffDetails(const DocDiff& diff);

} // namespace lists
