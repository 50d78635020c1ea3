#include "lists/apply_reference.h"

#include "common/latin1_utf8.h"
#include "editing/edit_common.h"
#include "lists/list_apply.h"

#include <algorithm>

namespace lists {

namespace {

// Reorders one list after the reference and takes names and flags; fills `refToNew` with
// the target slot of each reference slot (-1 when unmatched).
void ApplyList(const COrvanel1Doc& reference, COrvanel1Doc& target, SvcKind kind, ReferenceReport::List& report,
               std::vector<int32_t>& refToNew)
{
    const SvcMatch match = MatchLists(reference, target, kind);
    const uint32_t refCount = CountOf(reference, kind);
    std::vector<int32_t> targetOfRef(refCount, -1);
    for (uint32_t t = 0; t < match.refOf.size(); ++t)
        if (match.refOf[t] >= 0)
            targetOfRef[match.refOf[t]] = int32_t(t);
    std::vector<uint32_t> front;
    for (int32_t t : targetOfRef)
        if (t >= 0)
            front.push_back(uint32_t(t));
    const std::vector<uint32_t> newSlotOf = PutFirst(target, kind, front);

    refToNew.assign(refCount, -1);
    for (uint32_t r = 0; r < refCount; ++r) {
        if (targetOfRef[r] < 0)
            continue;
        const uint32_t slot = newSlotOf[targetOfRef[r]];
        refToNew[r] = int32_t(slot);
        const SvcRecord& ref = ListOf(reference, kind)[r];
        if (ref.renameFlag) {
            const NameChange renamed = SetSvcName(target, kind, slot, SvcNameOf(reference, ref));
            report.renamed += renamed == NameChange::Renamed ? 1 : 0;
            report.namesKept += renamed == NameChange::NoRoom ? 1 : 0;
        }
        SetSvcFlags(target, kind, slot, ref.lock, ref.skip);
    }
    for (uint32_t t = 0; t < match.refOf.size(); ++t) {
        if (match.kind[t] == MatchKind::Weak)
            report.weakSlots.push_back(newSlotOf[t]);
        else if (match.kind[t] == MatchKind::None)
            report.unmatchedSlots.push_back(newSlotOf[t]);
    }
    std::sort(report.weakSlots.begin(), report.weakSlots.end());
    std::sort(report.unmatchedSlots.begin(), report.unmatchedSlots.end());
    report.strong = match.Count(MatchKind::Strong);
    report.weak = match.Count(MatchKind::Weak);
}

// The reference's groups with their members moved to the target's slots, then the target's
// groups of other names.
std::vector<FavCh> MergedGroups(const COrvanel1Doc& reference, const COrvanel1Doc& target,
                                const std::array<std::vector<int32_t>, 2>& refToNew, uint32_t& dropped)
{
    std::vector<FavCh> groups;
    std::vector<std::string> names;
    for (uint32_t g = 0; g < std::min(reference.m_FavCnt, kMaxFavGroup); ++g) {
        const FavCh& from = reference.m_FavCh[g];
        FavCh group = from;
        group.numOfFavCh = 0;
        for (uint32_t m = 0; m < std::min<uint32_t>(from.numOfFavCh, kMaxFavMember); ++m) {
            const uint8_t kind = from.svcType[m];
            const auto& map = refToNew[kind == kRadioKind ? kRadioKind : kTvKind];
            if (kind > kRadioKind || from.chNum[m] >= map.size() || map[from.chNum[m]] < 0) {
                ++dropped;
                continue;
            }
            group.chNum[group.numOfFavCh] = static_cast<uint16_t>(map[from.chNum[m]]);
            group.svcType[group.numOfFavCh++] = kind;
        }
        std::fill(group.chNum.begin() + group.numOfFavCh, group.chNum.end(), 0);
        std::fill(group.svcType.begin() + group.numOfFavCh, group.svcType.end(), 0);
        groups.push_back(group);
        names.push_back(FieldText(group.favName));
    }
    for (uint32_t g = 0; g < std::min(target.m_FavCnt, kMaxFavGroup); ++g)
        if (std::find(names.begin(), names.end(), FieldText(target.m_FavCh[g].favName)) == names.end())
            groups.push_back(target.m_FavCh[g]);
    return groups;
}

void DescribeSlots(std::string& text, const COrvanel1Doc& target, SvcKind kind, const char* what,
                   const std::vector<uint32_t>& slots, size_t& room)
{
    for (uint32_t slot : slots) {
        if (room == 0)
            return;
        --room;
        const SvcRecord& svc = ListOf(target, kind)[slot];
        text += std::string(what) + (kind == kTvKind ? " TV " : " radio ") + std::to_string(slot + 1) + ". " +
                Latin1ToUtf8(SvcNameOf(target, svc)) + " (" + Latin1ToUtf8(SatName(target, svc.satIdx)) +
                ", svcId " + std::to_string(svc.svcId) + ")\n";
    }
}

} // namespace

ReferenceReport ApplyReference(const COrvanel1Doc& reference, COrvanel1Doc& target)
{
    ReferenceReport report;
    std::array<std::vector<int32_t>, 2> refToNew;
    for (SvcKind kind : {kTvKind, kRadioKind})
        ApplyList(reference, target, kind, report.lists[kind], refToNew[kind]);
    const std::vector<FavCh> groups = MergedGroups(reference, target, refToNew, report.favMembersDropped);
    report.favGroupsDropped = ReplaceFavGroups(target, groups);
    return report;
}

std::string DescribeReferenceReport(const ReferenceReport& report, const COrvanel1Doc& target, size_t maxListed)
{
    std::string text;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        const ReferenceReport::List& list = report.lists[kind];
        text += std::string(kind == kTvKind ? "TV" : "Radio") + ": " + std::to_string(list.strong) + " matched, " +
                std::to_string(list.weak) + " weakly matched (other service id), " +
                std::to_string(list.unmatchedSlots.size()) + " not in the reference, " +
                std::to_string(list.renamed) + " renamed\n";
    }
    if (report.favMembersDropped > 0)
        text += "Favourite members without a service here: " + std::to_string(report.favMembersDropped) + "\n";
    for (SvcKind kind : {kTvKind, kRadioKind})
        if (report.lists[kind].namesKept > 0)
            text += std::string(kind == kTvKind ? "TV" : "Radio") + ": the name pool is full, " +
                    std::to_string(report.lists[kind].namesKept) + " services keep their old names\n";
    if (report.favGroupsDropped > 0)
        text += "Favourite groups beyond 30 left out: " + std::to_string(report.favGroupsDropped) + "\n";
    size_t room = maxListed, listed = 0;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        DescribeSlots(text, target, kind, "weak match:", report.lists[kind].weakSlots, room);
        DescribeSlots(text, target, kind, "unmatched:", report.lists[kind].unmatchedSlots, room);
        listed += report.lists[kind].weakSlots.size() + report.lists[kind].unmatchedSlots.size();
    }
    if (listed > maxListed)
        text += "... and " + std::to_string(listed - maxListed) + " more\n";
    return text;
}

} // namespace lists
