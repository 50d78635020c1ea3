// Which services, satellites and transponders of two documents (or of a document and a
// list read from a file) are the same. Slots differ between documents, so a service is known
// by what the STB finds it by:
//   strong match: satellite name, transponder (frequency within 2 MHz, same polarity) and svcId;
//   weak match:   satellite name, transponder and name, but another svcId (a re-numbered service).
// Satellites match by name; transponders of one satellite by polarity, frequency within
// 2 MHz and symbol rate within the near-identical tolerance of adding a transponder.
#pragma once
#include "editing/edit_common.h"
#include "settings/document.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lists {

constexpr uint32_t kFreqTolerance = 2;   // MHz

// What identifies one service, with its names as stored (Latin-1).
struct SvcFacts {
    std::string satName;
    uint32_t freq = 0;
    uint8_t polar = 0;
    uint16_t sr = 0;
    uint16_t svcId = 0;
    std::string name;
};

// The service's transponder, or null when its satellite or tpIdx is out of range.
const TpData* TpOf(const COrvanel1Doc& doc, const SvcRecord& svc);
SvcFacts FactsOf(const COrvanel1Doc& doc, const SvcRecord& svc);
// The facts of every service of a list, in list order.
std::vector<SvcFacts> ListFacts(const COrvanel1Doc& doc, SvcKind kind);
const SvcRecord* ListOf(const COrvanel1Doc& doc, SvcKind kind);
uint32_t CountOf(const COrvanel1Doc& doc, SvcKind kind);

enum class MatchKind : uint8_t { None, Strong, Weak };

// For each entry of the `subject` list, the entry of the `reference` list that is the same
// service (-1 when none); each reference entry is taken at most once. Strong matches are
// settled for the whole list before weak ones, the nearest frequency wins, then list order.
struct SvcMatch {
    std::vector<int32_t> refOf;
    std::vector<MatchKind> kind;
    uint32_t Count(MatchKind which) const;
};
SvcMatch MatchServices(const std::vector<SvcFacts>& reference, const std::vector<SvcFacts>& subject);
SvcMatch MatchLists(const COrvanel1Doc& reference, const COrvanel1Doc& subject, SvcKind kind);

// The transponders of two documents: for each transponder of `subject`, its counterpart in
// `reference` (-1 when none).
std::vector<int32_t> MatchTransponders(const COrvanel1Doc& reference, const COrvanel1Doc& subject);
bool SameTransponder(const TpData& a, const TpData& b);

} // namespace lists
