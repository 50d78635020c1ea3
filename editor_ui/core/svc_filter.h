// The find bar without widgets: which services a filtered TV or radio list shows, the next
// line whose name holds a text, and the choices the bar's boxes offer. Names compare as
// sort keys do: spaces and control bytes skipped, ASCII letters without case.
#pragma once
#include "settings/document.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

enum class FlagFilter : uint8_t { Any, Set, Clear };

struct SvcFilter {
    int sat = -1;        // satellite index; -1 any
    int tp = -1;         // transponder index within `sat`; -1 any
    int provider = -1;   // provider table index, kNoProvider for none; -1 any
    FlagFilter cas = FlagFilter::Any;
    FlagFilter locked = FlagFilter::Any;
    FlagFilter skipped = FlagFilter::Any;
    int favGroup = -1;   // group slot; -1 any
    std::string text{};  // part of the name; empty any
    bool Active() const;
    friend bool operator==(const SvcFilter&, const SvcFilter&) = default;
};

// Whether `name` holds `text`, both folded as sort keys are.
bool NameHolds(const std::string& name, const std::string& text);
// The positions a list shows under the filter, ascending.
std::vector<uint32_t> ShownSvcs(const COrvanel1Doc& doc, SvcKind kind, const SvcFilter& filter);

enum class FindStep { Here, Next, Previous };
// Of `count` lines, the first from the caret in the step's direction, wrapping, whose name
// holds `text` (Here includes the caret's own line; no caret starts at the top); -1 when none.
int FindLine(uint32_t count, int caret, FindStep step, const std::string& text,
             const std::function<std::string(uint32_t)>& nameOf);

struct FilterChoice {
    int value;
    std::string text;
};
std::vector<FilterChoice> SatChoices(const COrvanel1Doc& doc);
std::vector<FilterChoice> TpChoices(const COrvanel1Doc& doc, int sat);
// The providers the list's services name, in table order, "(none)" for kNoProvider.
std::vector<FilterChoice> ProviderChoices(const COrvanel1Doc& doc, SvcKind kind);
std::vector<FilterChoice> FavGroupChoices(const COrvanel1Doc& doc);

// What the satellite, TP, provider and group boxes of a filter showed: each chosen item's
// text (none when the box offered no such item) and how many items the box offered.
struct FilterSeen {
    struct Box {
        std::optional<std::string> text;
        size_t count = 0;
    };
    std::array<Box, 4> boxes;
};
FilterSeen SeenOf(const COrvanel1Doc& doc, SvcKind kind, const SvcFilter& filter);
// The filter after an edit or a history step renumbered the items: a box keeps its item
// where it went (by its text, the nearest of equal texts) and keeps an item renamed in
// place; an item that went is no longer filtered on.
SvcFilter FollowFilter(const COrvanel1Doc& doc, SvcKind kind, SvcFilter filter, const FilterSeen& seen);
