// Bringing one satellite's transponders up to date from a table: the plan (what is added,
// what changes, what the table does not list, what this model cannot hold) and carrying it
// out within the STB's limits.
//
// A table entry is the STB's transponder of the same polarization and stream id whose
// frequency lies within kWideTpTolerance MHz (kNarrowTpTolerance below kNarrowSymbolRate
// kS/s), the nearest first. Tables of one carrier differ by a rounding or a measurement,
// about a MHz, while two carriers of one polarization lie at least their bandwidth apart;
// narrow carriers sit close together, hence the smaller window, as for adding a TP by hand.
// Matched transponders change in place and new ones go to the end of the satellite's
// block, so every service keeps its transponder; an unlisted one goes only when ticked and
// no service uses it.
#pragma once
#include "settings/document.h"
#include "tables/table_tp.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tables {

constexpr uint32_t kWideTpTolerance = 2;      // MHz
constexpr uint32_t kNarrowTpTolerance = 1;    // MHz
constexpr uint32_t kNarrowSymbolRate = 5000;  // kS/s

struct PlannedAdd {
    TableTp source;
    TpData tp;
    DvbS2Params s2;
};

struct PlannedChange {
    uint32_t tpIdx = 0;           // within the satellite
    TableTp source;
    TpData before, after;
    DvbS2Params s2Before, s2After;
};

struct UnlistedTp {
    uint32_t tpIdx = 0;
    TpData tp;
    uint32_t users = 0;           // services on it: it stays
    bool remove = false;          // ticked
};

struct HeldNot {
    TableTp source;
    std::string why;
};

struct TpPlan {
    int sat = -1;
    std::string satName;          // Latin-1, as stored
    std::string tableName;
    bool dvbS2 = false;           // the model stores DVB-S2 values
    uint32_t tpNum = 0;           // the satellite's transponders when planned
    uint32_t unchanged = 0;
    std::vector<PlannedAdd> adds;
    std::vector<PlannedChange> changes;
    std::vector<UnlistedTp> unlisted;
    std::vector<HeldNot> notHeld;      // values this model cannot hold; a matching TP stays as it is
    std::vector<HeldNot> duplicates;   // the same transponder as an entry before
    std::vector<TableProblem> skipped; // entries the reader left out
    std::vector<TableProblem> mended;  // entries the reader put right
    std::vector<std::string> losses;   // what the model keeps of no entry, with counts
};

TpPlan PlanTpUpdate(const COrvanel1Doc& doc, int sat, const TpTable& table);

// Ticks an unlisted transponder for removal; refused (false) while services use it.
bool SetRemove(TpPlan& plan, size_t unlisted, bool remove);

// How many of the additions fit the STB's limits (kMaxTpPerSat a satellite, kMaxEditTp in
// all) with the ticked removals done; `limit` says which limit stops the rest.
struct PlanRoom {
    size_t fit = 0;
    std::string limit;
};
PlanRoom RoomFor(const COrvanel1Doc& doc, const TpPlan& plan);

struct TpUpdateResult {
    uint32_t added = 0, changed = 0, removed = 0, notAdded = 0;
    std::string error;            // why nothing was done
};
// Carries the plan out: ticked removals, changes, then additions while they fit. Refuses,
// changing nothing, when the satellite is no longer as planned or every transponder would go.
bool ApplyTpPlan(COrvanel1Doc& doc, const TpPlan& plan, TpUpdateResult& result);

// "11719 MHz H 27500 kS/s" and, where the model stores them, " DVB-S2 8PSK 3/4 pilot on".
std::string StbTpText(const TpData& tp, const DvbS2Params* s2);
// The plan's parts as people read them: a title and one line an item.
enum class PlanPart { Add, Change, Unlisted, NotHeld, Duplicate, Skipped, Mended, Loss, Count };
const char* PlanPartTitle(PlanPart part);
std::vector<std::string> PlanLines(const TpPlan& plan, PlanPart part);
// "40 to add, 12 to change, 58 unchanged, 3 not in the table, 2 not held"
std::string PlanSummary(const TpPlan& plan);
// The whole plan for people (UTF-8), at most `maxListed` lines a part.
std::string DescribeTpPlan(const COrvanel1Doc& doc, const TpPlan& plan, size_t maxListed = SIZE_MAX);
// "Added 40, changed 12, removed 1 transponders of ..."
std::string DescribeTpUpdate(const TpPlan& plan, const TpUpdateResult& result);

}  // namespace tables
