#include "lists/svc_match.h"

#include "editing/edit_common.h"
#include "editing/sat_edit.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace lists {

namespace {

using Candidates = std::unordered_map<std::string, std::vector<uint32_t>>;

uint32_t FreqDistance(uint32_t a, uint32_t b) { return a > b ? a - b : b - a; }

std::string StrongKey(const SvcFacts& f)
{
    std::string key = f.satName;
    key += '\0';
    key += char(f.polar);
    key += char(f.svcId >> 8);
    key += char(f.svcId & 0xFF);
    return key;
}

std::string WeakKey(const SvcFacts& f)
{
    std::string key = f.satName;
    key += '\0';
    key += char(f.polar);
    key += '\0';
    key += f.name;
    return key;
}

// The unused candidate nearest in frequency, within the tolerance; -1 when none.
int32_t Nearest(const std::vector<uint32_t>& candidates, const std::vector<SvcFacts>& reference,
                const std::vector<bool>& used, uint32_t freq)
{
    int32_t best = -1;
    uint32_t bestDistance = kFreqTolerance + 1;
    for (uint32_t c : candidates) {
        const uint32_t distance = FreqDistance(reference[c].freq, freq);
        if (!used[c] && distance < bestDistance)
            best = int32_t(c), bestDistance = distance;
    }
    return best;
}

template <class KeyFn>
void MatchPass(const std::vector<SvcFacts>& reference, const std::vector<SvcFacts>& subject, KeyFn key,
               MatchKind kind, std::vector<bool>& used, SvcMatch& match)
{
    Candidates byKey;
    for (uint32_t r = 0; r < reference.size(); ++r)
        if (!used[r] && (kind == MatchKind::Strong || !reference[r].name.empty()))
            byKey[key(reference[r])].push_back(r);
    for (uint32_t s = 0; s < subject.size(); ++s) {
        if (match.refOf[s] >= 0 || (kind == MatchKind::Weak && subject[s].name.empty()))
            continue;
        const auto it = byKey.find(key(subject[s]));
        if (it == byKey.end())
            continue;
        const int32_t r = Nearest(it->second, reference, used, subject[s].freq);
        if (r < 0)
            continue;
        used[r] = true;
        match.refOf[s] = r;
        match.kind[s] = kind;
    }
}

std::vector<uint32_t> TpStarts(const COrvanel1Doc& doc)
{
    std::vector<uint32_t> starts(kMaxSat + 1, 0);
    for (uint32_t s = 0; s < kMaxSat; ++s)
        starts[s + 1] = starts[s] + doc.m_SatInfo[s].tpNum;
    return starts;
}

SvcFacts Facts(const COrvanel1Doc& doc, const SvcRecord& svc, const std::vector<uint32_t>& tpStarts)
{
    SvcFacts facts;
    facts.satName = SatName(doc, svc.satIdx);
    facts.svcId = svc.svcId;
    facts.name = SvcNameOf(doc, svc);
    if (svc.satIdx < kMaxSat && svc.tpIdx < doc.m_SatInfo[svc.satIdx].tpNum) {
        const uint32_t tp = tpStarts[svc.satIdx] + svc.tpIdx;
        if (tp < std::min(doc.m_TpCnt, kMaxTp)) {
            facts.freq = doc.m_TpData[tp].freq;
            facts.polar = doc.m_TpData[tp].polar;
            facts.sr = doc.m_TpData[tp].sr;
        }
    }
    return facts;
}

} // namespace

const TpData* TpOf(const COrvanel1Doc& doc, const SvcRecord& svc)
{
    if (svc.satIdx >= kMaxSat || svc.tpIdx >= doc.m_SatInfo[svc.satIdx].tpNum)
        return nullptr;
    const uint32_t tp = Appl_SatTpStart(doc, svc.satIdx) + svc.tpIdx;
    return tp < std::min(doc.m_TpCnt, kMaxTp) ? &doc.m_TpData[tp] : nullptr;
}

SvcFacts FactsOf(const COrvanel1Doc& doc, const SvcRecord& svc) { return Facts(doc, svc, TpStarts(doc)); }

const SvcRecord* ListOf(const COrvanel1Doc& doc, SvcKind kind)
{
    return kind == kTvKind ? doc.m_TvSvc.data() : doc.m_RadioSvc.data();
}

uint32_t CountOf(const COrvanel1Doc& doc, SvcKind kind)
{
    return std::min(kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt, EditCapacity(kind));
}

std::vector<SvcFacts> ListFacts(const COrvanel1Doc& doc, SvcKind kind)
{
    const std::vector<uint32_t> starts = TpStarts(doc);
    std::vector<SvcFacts> facts;
    facts.reserve(CountOf(doc, kind));
    for (uint32_t i = 0; i < CountOf(doc, kind); ++i)
        facts.push_back(Facts(doc, ListOf(doc, kind)[i], starts));
    return facts;
}

uint32_t SvcMatch::Count(MatchKind which) const
{
    return static_cast<uint32_t>(std::count(kind.begin(), kind.end(), which));
}

SvcMatch MatchServices(const std::vector<SvcFacts>& reference, const std::vector<SvcFacts>& subject)
{
    SvcMatch match;
    match.refOf.assign(subject.size(), -1);
    match.kind.assign(subject.size(), MatchKind::None);
    std::vector<bool> used(reference.size(), false);
    MatchPass(reference, subject, StrongKey, MatchKind::Strong, used, match);
    MatchPass(reference, subject, WeakKey, MatchKind::Weak, used, match);
    return match;
}

SvcMatch MatchLists(const COrvanel1Doc& reference, const COrvanel1Doc& subject, SvcKind kind)
{
    return MatchServices(ListFacts(reference, kind), ListFacts(subject, kind));
}

bool SameTransponder(const TpData& a, const TpData& b)
{
    const uint32_t srTolerance = std::min(a.sr, b.sr) < 5000 ? 10 : 100;
    return a.polar == b.polar && FreqDistance(a.freq, b.freq) <= kFreqTolerance &&
           FreqDistance(a.sr, b.sr) <= srTolerance;
}

std::vector<int32_t> MatchTransponders(const COrvanel1Doc& reference, const COrvanel1Doc& subject)
{
    Candidates bySat;
    for (uint32_t t = 0; t < std::min(reference.m_TpCnt, kMaxTp); ++t)
        bySat[SatName(reference, reference.m_TpData[t].satIdx)].push_back(t);
    std::vector<bool> used(kMaxTp, false);
    std::vector<int32_t> refOf(std::min(subject.m_TpCnt, kMaxTp), -1);
    for (uint32_t t = 0; t < refOf.size(); ++t) {
        const TpData& tp = subject.m_TpData[t];
        const auto it = bySat.find(SatName(subject, tp.satIdx));
        if (it == bySat.end())
            continue;
        uint32_t bestDistance = kFreqTolerance + 1;
        for (uint32_t r : it->second) {
            const TpData& other = reference.m_TpData[r];
            if (!used[r] && SameTransponder(other, tp) && FreqDistance(other.freq, tp.freq) < bestDistance)
                refOf[t] = int32_t(r), bestDistance = FreqDistance(other.freq, tp.freq);
        }
        if (refOf[t] >= 0)
            used[refOf[t]] = true;
    }
    return refOf;
}

} // namespace lists
