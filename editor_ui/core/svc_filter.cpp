#include "editor_ui/core/svc_filter.h"

#include "editing/edit_common.h"
#include "editing/svc_sort.h"
#include "editor_ui/core/list_lines.h"
#include "settings/service_purge.h"

#include <algorithm>
#include <cstdlib>

namespace {
bool FlagMatches(FlagFilter filter, uint8_t flag)
{
    return filter == FlagFilter::Any || (filter == FlagFilter::Set) == (flag != 0);
}

// Members of the group of this kind, as a mark per position.
std::vector<bool> GroupMembers(const COrvanel1Doc& doc, SvcKind kind, int group, uint32_t count)
{
    std::vector<bool> member(count, false);
    if (group < 0 || uint32_t(group) >= doc.m_FavCnt)
        return member;
    const FavCh& fav = doc.m_FavCh[group];
    for (uint32_t i = 0; i < fav.numOfFavCh && i < fav.chNum.size(); ++i)
        if (fav.svcType[i] == kind && fav.chNum[i] < count)
            member[fav.chNum[i]] = true;
    return member;
}

enum FilterBox : size_t { kSatBox, kTpBox, kProviderBox, kFavBox, kBoxCount };

std::vector<FilterChoice> BoxChoices(const COrvanel1Doc& doc, SvcKind kind, const SvcFilter& filter, size_t box)
{
    switch (box) {
    case kSatBox: return SatChoices(doc);
    case kTpBox: return TpChoices(doc, filter.sat);
    case kProviderBox: return ProviderChoices(doc, kind);
    default: return FavGroupChoices(doc);
    }
}

int& BoxValue(SvcFilter& filter, size_t box)
{
    int* const values[] = {&filter.sat, &filter.tp, &filter.provider, &filter.favGroup};
    return *values[box];
}

int Follow(const std::vector<FilterChoice>& choices, int value, const FilterSeen::Box& seen)
{
    if (!seen.text)
        return value;
    const FilterChoice* same = nullptr;
    const FilterChoice* named = nullptr;
    for (const FilterChoice& choice : choices) {
        if (choice.value == value)
            same = &choice;
        if (choice.text == *seen.text && (!named || std::abs(choice.value - value) < std::abs(named->value - value)))
            named = &choice;
    }
    if (named)
        return named->value;
    return same && choices.size() == seen.count ? value : -1;
}

bool RecordMatches(const SvcRecord& svc, const SvcFilter& f)
{
    return (f.sat < 0 || svc.satIdx == f.sat) && (f.tp < 0 || svc.tpIdx == f.tp) &&
           (f.provider < 0 || svc.providerIdx == f.provider) && FlagMatches(f.cas, svc.scrambled) &&
           FlagMatches(f.locked, svc.lock) && FlagMatches(f.skipped, svc.skip);
}
}

bool SvcFilter::Active() const
{
    return !(*this == SvcFilter{});
}

bool NameHolds(const std::string& name, const std::string& text)
{
    return FoldSortKey(name).find(FoldSortKey(text)) != std::string::npos;
}

std::vector<uint32_t> ShownSvcs(const COrvanel1Doc& doc, SvcKind kind, const SvcFilter& filter)
{
    const uint32_t count = SvcCount(doc, kind);
    const SvcRecord* table = SvcTable(doc, kind);
    const std::vector<bool> member = GroupMembers(doc, kind, filter.favGroup, count);
    const std::string text = FoldSortKey(filter.text);
    std::vector<uint32_t> shown;
    for (uint32_t pos = 0; pos < count; ++pos) {
        if (!RecordMatches(table[pos], filter) || (filter.favGroup >= 0 && !member[pos]))
            continue;
        if (!text.empty() && FoldSortKey(SvcListName(doc, kind, pos)).find(text) == std::string::npos)
            continue;
        shown.push_back(pos);
    }
    return shown;
}

int FindLine(uint32_t count, int caret, FindStep step, const std::string& text,
             const std::function<std::string(uint32_t)>& nameOf)
{
    if (count == 0)
        return -1;
    const std::string folded = FoldSortKey(text);
    const int dir = step == FindStep::Previous ? -1 : 1;
    int start = caret < 0 || uint32_t(caret) >= count ? (dir > 0 ? 0 : int(count) - 1)
                : step == FindStep::Here            ? caret
                                                    : caret + dir;
    for (uint32_t n = 0; n < count; ++n) {
        const uint32_t line = uint32_t((int64_t(start) + int64_t(dir) * n % count + count) % count);
        if (FoldSortKey(nameOf(line)).find(folded) != std::string::npos)
            return int(line);
    }
    return -1;
}

std::vector<FilterChoice> SatChoices(const COrvanel1Doc& doc)
{
    std::vector<FilterChoice> choices;
    for (uint32_t sat = 0; sat < doc.m_SatCnt; ++sat)
        choices.push_back({int(sat), SatName(doc, sat)});
    return choices;
}

std::vector<FilterChoice> TpChoices(const COrvanel1Doc& doc, int sat)
{
    std::vector<FilterChoice> choices;
    if (sat < 0 || uint32_t(sat) >= doc.m_SatCnt)
        return choices;
    const SatInfo& info = doc.m_SatInfo[sat];
    for (uint32_t tp = 0; tp < info.tpNum && info.firstTp + tp < kMaxTp; ++tp)
        choices.push_back({int(tp), TpLine(doc.m_TpData[info.firstTp + tp])});
    return choices;
}

std::vector<FilterChoice> ProviderChoices(const COrvanel1Doc& doc, SvcKind kind)
{
    std::vector<bool> used(kMaxProvider + 1, false);
    const SvcRecord* table = SvcTable(doc, kind);
    for (uint32_t pos = 0; pos < SvcCount(doc, kind); ++pos)
        used[std::min<uint32_t>(table[pos].providerIdx, kMaxProvider)] = true;
    std::vector<FilterChoice> choices;
    for (uint32_t idx = 0; idx < kMaxProvider; ++idx)
        if (used[idx])
            choices.push_back({int(idx), FieldText(doc.m_Provider[idx])});
    if (used[kMaxProvider])
        choices.push_back({kNoProvider, "(none)"});
    return choices;
}

std::vector<FilterChoice> FavGroupChoices(const COrvanel1Doc& doc)
{
    std::vector<FilterChoice> choices;
    for (uint32_t slot = 0; slot < doc.m_FavCnt; ++slot)
        choices.push_back({int(slot), FieldText(doc.m_FavCh[slot].favName)});
    return choices;
}

FilterSeen SeenOf(const COrvanel1Doc& doc, SvcKind kind, const SvcFilter& filter)
{
    FilterSeen seen;
    SvcFilter values = filter;
    for (size_t box = 0; box < kBoxCount; ++box) {
        const std::vector<FilterChoice> choices = BoxChoices(doc, kind, filter, box);
        auto it = std::find_if(choices.begin(), choices.end(),
                               [&](const FilterChoice& choice) { return choice.value == BoxValue(values, box); });
        seen.boxes[box] = {it != choices.end() ? std::optional<std::string>(it->text) : std::nullopt, choices.size()};
    }
    return seen;
}

SvcFilter FollowFilter(const COrvanel1Doc& doc, SvcKind kind, SvcFilter filter, const FilterSeen& seen)
{
    for (size_t box = 0; box < kBoxCount; ++box) {
        int& value = BoxValue(filter, box);
        if (value != -1)
            value = Follow(BoxChoices(doc, kind, filter, box), value, seen.boxes[box]);
    }
    if (filter.sat < 0)
        filter.tp = -1;
    return filter;
}
