#include "lists/list_diff.h"

#include "common/latin1_utf8.h"
#include "editing/edit_common.h"
#include "lists/svc_match.h"

#include <algorithm>
#include <set>

namespace lists {

namespace {

TpRef TpRefOf(const COrvanel1Doc& doc, const TpData& tp) { return {SatName(doc, tp.satIdx), tp.freq, tp.polar, tp.sr}; }

SvcRef SvcRefOf(const std::vector<SvcFacts>& facts, SvcKind kind, uint32_t pos)
{
    const SvcFacts& f = facts[pos];
    return {kind, pos, f.name, f.satName, f.freq, f.polar, f.svcId};
}

std::vector<std::string> SatNames(const COrvanel1Doc& doc)
{
    std::vector<std::string> names;
    for (uint32_t s = 0; s < kMaxSat; ++s)
        if (doc.m_SatInfo[s].name[0] != '\0')
            names.push_back(SatName(doc, s));
    return names;
}

// Names in `from` that `other` lacks, in `from`'s order.
std::vector<std::string> Missing(const std::vector<std::string>& from, const std::vector<std::string>& other)
{
    std::vector<std::string> missing;
    for (const std::string& name : from)
        if (std::find(other.begin(), other.end(), name) == other.end())
            missing.push_back(name);
    return missing;
}

void DiffTransponders(const COrvanel1Doc& a, const COrvanel1Doc& b, DocDiff& diff)
{
    const std::vector<int32_t> aOfB = MatchTransponders(a, b);
    std::vector<bool> matched(std::min(a.m_TpCnt, kMaxTp), false);
    for (uint32_t t = 0; t < aOfB.size(); ++t) {
        if (aOfB[t] < 0) {
            diff.tpAdded.push_back(TpRefOf(b, b.m_TpData[t]));
            continue;
        }
        matched[aOfB[t]] = true;
        const TpData& old = a.m_TpData[aOfB[t]];
        const TpData& now = b.m_TpData[t];
        if (old.freq != now.freq || old.sr != now.sr || old.tpWord1 != now.tpWord1)
            diff.tpChanged.emplace_back(TpRefOf(a, old), TpRefOf(b, now));
    }
    for (uint32_t t = 0; t < matched.size(); ++t)
        if (!matched[t])
            diff.tpRemoved.push_back(TpRefOf(a, a.m_TpData[t]));
}

// Positions (in `sequence`) that lie outside one longest increasing subsequence.
std::vector<bool> OutOfOrder(const std::vector<uint32_t>& sequence)
{
    std::vector<uint32_t> tailValue, tailIndex;
    std::vector<int32_t> previous(sequence.size(), -1);
    for (uint32_t i = 0; i < sequence.size(); ++i) {
        const size_t at = std::lower_bound(tailValue.begin(), tailValue.end(), sequence[i]) - tailValue.begin();
        if (at > 0)
            previous[i] = int32_t(tailIndex[at - 1]);
        if (at == tailValue.size())
            tailValue.push_back(sequence[i]), tailIndex.push_back(i);
        else
            tailValue[at] = sequence[i], tailIndex[at] = i;
    }
    std::vector<bool> outside(sequence.size(), true);
    for (int32_t i = tailIndex.empty() ? -1 : int32_t(tailIndex.back()); i >= 0; i = previous[i])
        outside[i] = false;
    return outside;
}

std::vector<std::string> ChangedFields(const SvcRecord& a, const SvcRecord& b)
{
    std::vector<std::string> fields;
    auto check = [&](const char* name, uint32_t x, uint32_t y) {
        if (x != y)
            fields.push_back(name);
    };
    check("svcId", a.svcId, b.svcId);
    check("pmtPid", a.pmtPid, b.pmtPid);
    check("pcrPid", a.pcrPid, b.pcrPid);
    check("videoPid", a.videoPid, b.videoPid);
    check("audioPid", a.audioPid, b.audioPid);
    check("scrambled", a.scrambled, b.scrambled);
    check("lock", a.lock, b.lock);
    check("skip", a.skip, b.skip);
    check("tunerNum", a.tunerNum, b.tunerNum);
    return fields;
}

// Diffs one list; fills aToB with the B slot of each A slot (-1 when removed).
void DiffList(const COrvanel1Doc& a, const COrvanel1Doc& b, SvcKind kind, ListDiff& diff, std::vector<int32_t>& aToB)
{
    const std::vector<SvcFacts> factsA = ListFacts(a, kind), factsB = ListFacts(b, kind);
    const SvcMatch match = MatchServices(factsA, factsB);
    aToB.assign(factsA.size(), -1);
    for (uint32_t s = 0; s < factsB.size(); ++s) {
        if (match.refOf[s] >= 0)
            aToB[match.refOf[s]] = int32_t(s);
        else
            diff.added.push_back(SvcRefOf(factsB, kind, s));
    }
    std::vector<uint32_t> matchedA, sequence;
    for (uint32_t r = 0; r < factsA.size(); ++r) {
        if (aToB[r] < 0)
            diff.removed.push_back(SvcRefOf(factsA, kind, r));
        else
            matchedA.push_back(r), sequence.push_back(uint32_t(aToB[r]));
    }
    const std::vector<bool> moved = OutOfOrder(sequence);
    for (uint32_t i = 0; i < matchedA.size(); ++i) {
        const uint32_t r = matchedA[i], s = sequence[i];
        SvcChange change{SvcRefOf(factsA, kind, r), SvcRefOf(factsB, kind, s), match.kind[s] == MatchKind::Weak,
                         moved[i], factsA[r].name != factsB[s].name,
                         ChangedFields(ListOf(a, kind)[r], ListOf(b, kind)[s])};
        if (change.moved || change.renamed || !change.fields.empty())
            diff.changed.push_back(std::move(change));
    }
}

std::vector<std::string> GroupNames(const COrvanel1Doc& doc)
{
    std::vector<std::string> names;
    for (uint32_t g = 0; g < std::min(doc.m_FavCnt, kMaxFavGroup); ++g)
        names.push_back(FieldText(doc.m_FavCh[g].favName));
    return names;
}

const FavCh* GroupNamed(const COrvanel1Doc& doc, const std::string& name)
{
    for (uint32_t g = 0; g < std::min(doc.m_FavCnt, kMaxFavGroup); ++g)
        if (FieldText(doc.m_FavCh[g].favName) == name)
            return &doc.m_FavCh[g];
    return nullptr;
}

// A group's members as (kind, slot) pairs.
std::set<std::pair<uint8_t, uint32_t>> Members(const FavCh& group)
{
    std::set<std::pair<uint8_t, uint32_t>> members;
    for (uint32_t m = 0; m < std::min<uint32_t>(group.numOfFavCh, kMaxFavMember); ++m)
        members.emplace(group.svcType[m], group.chNum[m]);
    return members;
}

void DiffFavourites(const COrvanel1Doc& a, const COrvanel1Doc& b, const std::array<std::vector<int32_t>, 2>& aToB,
                    DocDiff& diff)
{
    const std::vector<std::string> namesA = GroupNames(a), namesB = GroupNames(b);
    diff.favAdded = Missing(namesB, namesA);
    diff.favRemoved = Missing(namesA, namesB);
    const std::array<std::vector<SvcFacts>, 2> factsA{ListFacts(a, kTvKind), ListFacts(a, kRadioKind)};
    const std::array<std::vector<SvcFacts>, 2> factsB{ListFacts(b, kTvKind), ListFacts(b, kRadioKind)};
    auto valid = [](const auto& facts, uint8_t kind, uint32_t slot) { return kind <= kRadioKind && slot < facts[kind].size(); };
    for (const std::string& name : namesA) {
        const FavCh* groupB = GroupNamed(b, name);
        if (!groupB)
            continue;
        FavDiff fav{name, {}, {}};
        const auto membersA = Members(*GroupNamed(a, name));
        const auto membersB = Members(*groupB);
        std::set<std::pair<uint8_t, uint32_t>> carried;
        for (const auto& [kind, slot] : membersA) {
            if (!valid(factsA, kind, slot))
                continue;
            const int32_t inB = aToB[kind][slot];
            if (inB >= 0 && membersB.count({kind, uint32_t(inB)}))
                carried.emplace(kind, uint32_t(inB));
            else
                fav.removed.push_back(SvcRefOf(factsA[kind], SvcKind(kind), slot));
        }
        for (const auto& [kind, slot] : membersB)
            if (valid(factsB, kind, slot) && !carried.count({kind, slot}))
                fav.added.push_back(SvcRefOf(factsB[kind], SvcKind(kind), slot));
        if (!fav.added.empty() || !fav.removed.empty())
            diff.favChanged.push_back(std::move(fav));
    }
}

std::string Quoted(const std::string& latin1) { return "\"" + Latin1ToUtf8(latin1) + "\""; }

std::string Text(const SvcRef& svc)
{
    return std::string(svc.kind == kTvKind ? "TV " : "radio ") + std::to_string(svc.pos + 1) + ". " +
           Quoted(svc.name) + " (" + Latin1ToUtf8(svc.sat) + ", " + std::to_string(svc.freq) +
           (svc.polar ? " H" : " V") + ", svcId " + std::to_string(svc.svcId) + ")";
}

std::string Text(const TpRef& tp)
{
    return Latin1ToUtf8(tp.sat) + " " + std::to_string(tp.freq) + (tp.polar ? " H " : " V ") + std::to_string(tp.sr);
}

uint32_t MovedCount(const ListDiff& list)
{
    return static_cast<uint32_t>(std::count_if(list.changed.begin(), list.changed.end(), [](const SvcChange& c) { return c.moved; }));
}

} // namespace

bool DocDiff::Empty() const
{
    return satAdded.empty() && satRemoved.empty() && tpAdded.empty() && tpRemoved.empty() && tpChanged.empty() &&
           lists[0].added.empty() && lists[0].removed.empty() && lists[0].changed.empty() && lists[1].added.empty() &&
           lists[1].removed.empty() && lists[1].changed.empty() && favAdded.empty() && favRemoved.empty() &&
           favChanged.empty();
}

DocDiff DiffDocuments(const COrvanel1Doc& a, const COrvanel1Doc& b)
{
    DocDiff diff;
    const std::vector<std::string> satsA = SatNames(a), satsB = SatNames(b);
    diff.satAdded = Missing(satsB, satsA);
    diff.satRemoved = Missing(satsA, satsB);
    DiffTransponders(a, b, diff);
    std::array<std::vector<int32_t>, 2> aToB;
    for (SvcKind kind : {kTvKind, kRadioKind})
        DiffList(a, b, kind, diff.lists[kind], aToB[kind]);
    DiffFavourites(a, b, aToB, diff);
    return diff;
}

std::string DiffSummary(const DocDiff& diff)
{
    std::string text = "Satellites: " + std::to_string(diff.satAdded.size()) + " added, " +
                       std::to_string(diff.satRemoved.size()) + " removed\n";
    text += "Transponders: " + std::to_string(diff.tpAdded.size()) + " added, " +
            std::to_string(diff.tpRemoved.size()) + " removed, " + std::to_string(diff.tpChanged.size()) + " changed\n";
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        const ListDiff& list = diff.lists[kind];
        const auto count = [&](auto pred) { return std::count_if(list.changed.begin(), list.changed.end(), pred); };
        text += std::string(kind == kTvKind ? "TV" : "Radio") + ": " + std::to_string(list.added.size()) + " added, " +
                std::to_string(list.removed.size()) + " removed, " + std::to_string(MovedCount(list)) + " moved, " +
                std::to_string(count([](const SvcChange& c) { return c.renamed; })) + " renamed, " +
                std::to_string(count([](const SvcChange& c) { return !c.fields.empty(); })) +
                " with changed PIDs or flags\n";
    }
    text += "Favourite groups: " + std::to_string(diff.favAdded.size()) + " added, " +
            std::to_string(diff.favRemoved.size()) + " removed, " + std::to_string(diff.favChanged.size()) +
            " with changed members\n";
    return text;
}

std::string DiffDetails(const DocDiff& diff)
{
    std::string text;
    for (const std::string& sat : diff.satAdded)
        text += "satellite added: " + Quoted(sat) + "\n";
    for (const std::string& sat : diff.satRemoved)
        text += "satellite removed: " + Quoted(sat) + "\n";
    for (const TpRef& tp : diff.tpAdded)
        text += "transponder added: " + Text(tp) + "\n";
    for (const TpRef& tp : diff.tpRemoved)
        text += "transponder removed: " + Text(tp) + "\n";
    for (const auto& [old, now] : diff.tpChanged)
        text += "transponder changed: " + Text(old) + " -> " + Text(now) + "\n";
    for (const ListDiff& list : diff.lists) {
        for (const SvcRef& svc : list.added)
            text += "added: " + Text(svc) + "\n";
        for (const SvcRef& svc : list.removed)
            text += "removed: " + Text(svc) + "\n";
        for (const SvcChange& change : list.changed) {
            text += "changed: " + Text(change.a);
            if (change.moved)
                text += ", moved to " + std::to_string(change.b.pos + 1);
            if (change.renamed)
                text += ", renamed " + Quoted(change.b.name);
            for (const std::string& field : change.fields)
                text += ", " + field;
            text += change.weak ? " (matched by name)\n" : "\n";
        }
    }
    for (const std::string& name : diff.favAdded)
        text += "favourite group added: " + Quoted(name) + "\n";
    for (const std::string& name : diff.favRemoved)
        text += "favourite group removed: " + Quoted(name) + "\n";
    for (const FavDiff& fav : diff.favChanged) {
        for (const SvcRef& svc : fav.added)
            text += "favourite " + Quoted(fav.name) + " gained " + Text(svc) + "\n";
        for (const SvcRef& svc : fav.removed)
            text += "favourite " + Quoted(fav.name) + " lost " + Text(svc) + "\n";
    }
    return text;
}

} // namespace lists
