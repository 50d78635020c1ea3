#include "lists/list_import.h"

#include "common/latin1_utf8.h"
#include "editing/edit_common.h"
#include "editing/sat_edit.h"
#include "lists/list_apply.h"
#include "lists/svc_match.h"
#include "settings/model_traits.h"
#include "settings/service_purge.h"

#include <algorithm>
#include <map>
#include <optional>

namespace lists {

namespace {

constexpr uint16_t kMaxVideoPid = 0x2000;   // the highest the STB's load-time check keeps
constexpr uint16_t kMaxPid = 0x1FFF;

uint64_t SvcKey(uint32_t sat, uint32_t tpIdx, uint16_t svcId)
{
    return (uint64_t(sat) << 32) | (uint64_t(tpIdx) << 16) | svcId;
}

const char* ListName(SvcKind kind) { return kind == kTvKind ? "TV" : "radio"; }

class CImporter {
public:
    CImporter(COrvanel1Doc& doc, CSatPlaces& places, ImportReport& report)
        : m_Doc(doc), m_Places(places), m_Report(report), m_bDvbS2(settings::TraitsOfModel(doc.m_ModelId).dvbS2)
    {
        for (SvcKind kind : {kTvKind, kRadioKind})
            for (uint32_t slot = 0; slot < CountOf(doc, kind); ++slot) {
                const SvcRecord& svc = ListOf(doc, kind)[slot];
                m_Slots[kind][SvcKey(svc.satIdx, svc.tpIdx, svc.svcId)].push_back(slot);
            }
    }

    // The service's slot in its list, or nothing (noted).
    std::optional<uint32_t> Place(const ForeignSvc& svc)
    {
        const std::optional<uint32_t> sat = m_Places.SatAt(svc.tp.position);
        if (!sat)
            return Refuse(svc, "no satellite at " + PositionText(svc.tp.position) +
                                   " (name one with its position, as in \"Astra 19.2E\")");
        std::optional<uint32_t> tp = FindTp(*sat, svc.tp);
        if (tp)
            if (const auto slot = TakeExisting(svc, *sat, *tp))
                return slot;
        if (const std::string why = CannotAdd(svc); !why.empty())
            return Refuse(svc, why);
        if (!tp && !(tp = AddTp(svc, *sat)))
            return std::nullopt;
        return AddSvc(svc, *sat, *tp);
    }

    void NoteTotals()
    {
        if (m_S2Dropped > 0)
            m_Report.notes.push_back(std::to_string(m_S2Dropped) + " new TPs are DVB-S2; this model keeps no DVB-S2 "
                                     "settings, so they were added without them");
        if (m_ProvidersDropped > 0)
            m_Report.notes.push_back(std::to_string(m_ProvidersDropped) + " new services without their provider: the "
                                     "provider table is full");
    }

private:
    std::optional<uint32_t> Refuse(const ForeignSvc& svc, const std::string& why)
    {
        m_Report.notes.push_back(Describe(svc) + ": " + why);
        return std::nullopt;
    }

    static std::string Describe(const ForeignSvc& svc)
    {
        return svc.where + ": " + Quoted(svc.name) + " (" + PositionText(svc.tp.position) + ", " +
               std::to_string(svc.tp.freq) + (svc.tp.polar ? " H" : " V") + ", service id " +
               std::to_string(svc.svcId) + ")";
    }

    // Index within the satellite of the TP of that polarization nearest in frequency.
    std::optional<uint32_t> FindTp(uint32_t sat, const ForeignTp& wanted) const
    {
        const uint32_t start = Appl_SatTpStart(m_Doc, sat);
        std::optional<uint32_t> best;
        std::pair<uint32_t, uint32_t> bestDistance{kFreqTolerance + 1, 0};
        for (uint32_t t = 0; t < m_Doc.m_SatInfo[sat].tpNum && start + t < m_Doc.m_TpCnt; ++t) {
            const TpData& tp = m_Doc.m_TpData[start + t];
            const uint32_t sr = tp.sr;
            const std::pair<uint32_t, uint32_t> distance{tp.freq > wanted.freq ? tp.freq - wanted.freq : wanted.freq - tp.freq,
                                                         sr > wanted.sr ? sr - wanted.sr : wanted.sr - sr};
            if (tp.polar == wanted.polar && distance < bestDistance)
                best = t, bestDistance = distance;
        }
        return best;
    }

    std::optional<uint32_t> TakeExisting(const ForeignSvc& svc, uint32_t sat, uint32_t tp)
    {
        const auto it = m_Slots[svc.kind].find(SvcKey(sat, tp, svc.svcId));
        if (it == m_Slots[svc.kind].end() || it->second.empty())
            return std::nullopt;
        const uint32_t slot = it->second.front();
        it->second.erase(it->second.begin());
        Update(svc, slot);
        ++m_Report.matched[svc.kind];
        return slot;
    }

    void Update(const ForeignSvc& from, uint32_t slot)
    {
        std::string name;
        if (!ToStbText(from.name, name))
            m_Report.notes.push_back(Describe(from) + ": the STB's names cannot hold every character of it; the name "
                                     "stays " + Quoted(Latin1ToUtf8(SvcNameOf(m_Doc, ListOf(m_Doc, from.kind)[slot]))));
        else if (SetSvcName(m_Doc, from.kind, slot, name) == NameChange::NoRoom)
            m_Report.notes.push_back(Describe(from) + ": the name pool is full, the old name is kept");
        SvcRecord& svc = SvcTable(m_Doc, from.kind)[slot];
        const SvcRecord before = svc;
        const std::pair<uint16_t SvcRecord::*, uint16_t> pids[] = {{&SvcRecord::pmtPid, from.pmtPid},
                                                                   {&SvcRecord::pcrPid, from.pcrPid},
                                                                   {&SvcRecord::videoPid, from.videoPid},
                                                                   {&SvcRecord::audioPid, from.audioPid}};
        for (const auto& [field, value] : pids)
            if (value != 0)
                svc.*field = value;
        if (from.scrambled)
            svc.scrambled = *from.scrambled;
        if (!(svc == before))
            m_Doc.m_Revision.Bump(ListTable(from.kind));
    }

    // Why the STB could not keep this service as a new one; empty when it could.
    std::string CannotAdd(const ForeignSvc& svc) const
    {
        if (CountOf(m_Doc, svc.kind) >= EditCapacity(svc.kind))
            return std::string("the ") + ListName(svc.kind) + " list is full (" + std::to_string(EditCapacity(svc.kind)) +
                   " services)";
        if (svc.pmtPid == 0 || svc.pmtPid > kMaxPid)
            return "the file gives no PMT PID, which the STB needs (scan the TP on the STB, then import again)";
        if (svc.kind == kTvKind && (svc.videoPid == 0 || svc.videoPid > kMaxVideoPid))
            return "no video PID from 1 to 8192";
        if (svc.kind == kRadioKind && (svc.audioPid == 0 || svc.audioPid > kMaxPid))
            return "no audio PID from 1 to 8191";
        if (svc.name.empty())
            return "no name";
        return {};
    }

    std::optional<uint32_t> AddTp(const ForeignSvc& svc, uint32_t sat)
    {
        if (svc.tp.freq < kMinTpFreq || svc.tp.freq > kMaxTpFreq)
            return Refuse(svc, "the frequency is outside 2000 to 16383 MHz");
        if (svc.tp.sr < kMinTpSr || svc.tp.sr > kMaxTpSr)
            return Refuse(svc, "the symbol rate " + std::to_string(svc.tp.sr) + " is outside 1000 to 45000 kS/s");
        TpData tp;
        tp.polar = svc.tp.polar;
        tp.freq = svc.tp.freq;
        tp.sr = static_cast<uint16_t>(svc.tp.sr);
        tp.tpWord1 = svc.tp.streamId;
        const int at = Appl_InsertTp(m_Doc, int(sat), tp);
        if (at < 0)
            return Refuse(svc, "no room for another TP (2999 in all, 255 on one satellite)");
        if (m_bDvbS2)
            m_Doc.m_TpS2[at] = svc.tp.s2 && svc.tp.s2->modulation_system == 1 ? *svc.tp.s2 : DvbS2Params{0, 1, 0, 0, 0};
        else if (svc.tp.s2 && svc.tp.s2->modulation_system == 1)
            ++m_S2Dropped;
        ++m_Report.tpsAdded;
        return uint32_t(at) - Appl_SatTpStart(m_Doc, sat);
    }

    uint16_t ProviderIdx(const std::string& utf8)
    {
        std::string name;
        ToStbText(utf8, name);
        name = name.substr(0, kProviderNameSize - 1);
        if (name.empty())
            return kNoProvider;
        for (uint32_t p = 0; p < kMaxProvider; ++p)
            if (FieldText(m_Doc.m_Provider[p]) == name)
                return static_cast<uint16_t>(p);
        for (uint32_t p = 0; p < kMaxProvider; ++p)
            if (m_Doc.m_Provider[p][0] == '\0') {
                SetFieldText(m_Doc.m_Provider[p], name);
                return static_cast<uint16_t>(p);
            }
        ++m_ProvidersDropped;
        return kNoProvider;
    }

    std::optional<uint32_t> AddSvc(const ForeignSvc& from, uint32_t sat, uint32_t tpIdx)
    {
        std::string name;
        if (!ToStbText(from.name, name))
            m_Report.notes.push_back(Describe(from) + ": the STB's names cannot hold every character of it, stored as " +
                                     Quoted(Latin1ToUtf8(name.substr(0, kNameMaxChars))));
        else if (name.size() > kNameMaxChars)
            m_Report.notes.push_back(Describe(from) + ": the name is cut to 23 characters");
        const uint32_t offset = Appl_AddSvcName(m_Doc, name);
        if (offset == kNoName)
            return Refuse(from, "the name pool is full");
        SvcRecord svc;
        svc.satIdx = static_cast<uint8_t>(sat);
        svc.tpIdx = static_cast<uint16_t>(tpIdx);
        svc.tunerNum = 3;
        svc.svcId = from.svcId;
        svc.pmtPid = from.pmtPid;
        svc.pcrPid = from.pcrPid;
        svc.videoPid = from.kind == kTvKind ? from.videoPid : 0;
        svc.audioPid = from.audioPid;
        svc.scrambled = from.scrambled.value_or(false);
        svc.nameOffset = offset;
        svc.providerIdx = ProviderIdx(from.provider);
        const uint32_t slot = SvcCount(m_Doc, from.kind)++;
        SvcTable(m_Doc, from.kind)[slot] = svc;
        (from.kind == kTvKind ? m_Doc.m_EtcInfo.altTvSvc : m_Doc.m_EtcInfo.altRadioSvc) = 0xFFFF;
        m_Doc.m_Revision.Bump(ListTable(from.kind));
        ++m_Report.added[from.kind];
        return slot;
    }

    COrvanel1Doc& m_Doc;
    CSatPlaces& m_Places;
    ImportReport& m_Report;
    bool m_bDvbS2;
    std::array<std::map<uint64_t, std::vector<uint32_t>>, 2> m_Slots;
    uint32_t m_S2Dropped = 0;
    uint32_t m_ProvidersDropped = 0;
};

struct MergedGroup {
    std::string name;   // Latin-1, cut to the STB's length
    std::vector<std::pair<uint8_t, uint16_t>> members;   // kind, slot
    bool listed = false;                                  // the file gave it members
};

std::vector<MergedGroup> MergeGroups(const ForeignList& list, const std::vector<std::optional<std::pair<SvcKind, uint32_t>>>& slotOf,
                                     std::vector<std::string>& notes)
{
    std::vector<MergedGroup> merged;
    for (const ForeignGroup& group : list.groups) {
        std::string name;
        if (!ToStbText(group.name, name))
            notes.push_back("group " + Quoted(group.name) + ": the STB's names cannot hold every character of it");
        if (name.size() >= kFavNameSize)
            notes.push_back("group " + Quoted(group.name) + ": the name is cut to " + std::to_string(kFavNameSize - 1) +
                            " characters");
        name = name.substr(0, kFavNameSize - 1);
        if (name.empty()) {
            notes.push_back("a group without a name is left out");
            continue;
        }
        auto it = std::find_if(merged.begin(), merged.end(), [&](const MergedGroup& g) { return g.name == name; });
        if (it == merged.end())
            it = merged.insert(merged.end(), MergedGroup{name, {}});
        it->listed = it->listed || !group.members.empty();
        for (uint32_t member : group.members)
            if (member < slotOf.size() && slotOf[member]) {
                const std::pair<uint8_t, uint16_t> entry{slotOf[member]->first, uint16_t(slotOf[member]->second)};
                if (std::find(it->members.begin(), it->members.end(), entry) == it->members.end())
                    it->members.push_back(entry);
            }
    }
    return merged;
}

void ApplyGroups(COrvanel1Doc& doc, const std::vector<MergedGroup>& groups, ImportReport& report)
{
    for (const MergedGroup& group : groups) {
        if (group.listed && group.members.empty()) {
            report.notes.push_back("group " + Quoted(Latin1ToUtf8(group.name)) +
                                   ": none of its services could be placed; left alone");
            continue;
        }
        FavCh fav;
        SetFieldText(fav.favName, group.name);
        const size_t kept = std::min<size_t>(group.members.size(), kMaxFavMember);
        if (kept < group.members.size())
            report.notes.push_back("group " + Quoted(Latin1ToUtf8(group.name)) + ": " +
                                   std::to_string(group.members.size() - kept) + " members beyond 100 left out");
        for (size_t m = 0; m < kept; ++m) {
            fav.svcType[m] = group.members[m].first;
            fav.chNum[m] = group.members[m].second;
        }
        fav.numOfFavCh = static_cast<uint8_t>(kept);
        const uint32_t count = std::min(doc.m_FavCnt, kMaxFavGroup);
        const auto end = doc.m_FavCh.begin() + count;
        const auto same = std::find_if(doc.m_FavCh.begin(), end, [&](const FavCh& g) { return FieldText(g.favName) == group.name; });
        if (same != end) {
            fav.favByte = same->favByte;
            if (!(fav == *same))
                *same = fav, ++report.groupsChanged;
        } else if (count < kMaxFavGroup) {
            doc.m_FavCh[count] = fav;
            doc.m_FavCnt = count + 1;
            ++report.groupsAdded;
        } else {
            report.notes.push_back("group " + Quoted(Latin1ToUtf8(group.name)) + " left out: the STB holds 30 groups");
        }
    }
    if (report.groupsChanged + report.groupsAdded > 0)
        doc.m_Revision.Bump(DocTable::Favourites);
}

} // namespace

ImportReport ImportForeignList(COrvanel1Doc& doc, const ForeignList& list, CSatPlaces& places)
{
    ImportReport report;
    report.notes = list.notes;
    CImporter importer(doc, places, report);
    std::vector<std::optional<std::pair<SvcKind, uint32_t>>> slotOf(list.services.size());
    std::array<std::vector<uint32_t>, 2> front;
    for (size_t i = 0; i < list.services.size(); ++i)
        if (const auto slot = importer.Place(list.services[i])) {
            slotOf[i] = std::pair{list.services[i].kind, *slot};
            front[list.services[i].kind].push_back(*slot);
        }
    importer.NoteTotals();
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        const std::vector<uint32_t> newSlotOf = PutFirst(doc, kind, front[kind]);
        for (auto& slot : slotOf)
            if (slot && slot->first == kind)
                slot->second = newSlotOf[slot->second];
    }
    ApplyGroups(doc, MergeGroups(list, slotOf, report.notes), report);
    return report;
}

std::string DescribeImport(const ImportReport& report, size_t maxNotes)
{
    std::string text;
    for (SvcKind kind : {kTvKind, kRadioKind})
        text += std::string(kind == kTvKind ? "TV" : "Radio") + ": " + std::to_string(report.matched[kind]) +
                " matched, " + std::to_string(report.added[kind]) + " added\n";
    text += "TPs added: " + std::to_string(report.tpsAdded) + "\nFavourite groups: " +
            std::to_string(report.groupsChanged) + " changed, " + std::to_string(report.groupsAdded) + " added\n";
    return text + NoteLines(report.notes, maxNotes);
}

} // namespace lists
