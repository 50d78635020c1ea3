#include "editing/testing/random_document.h"

#include <algorithm>

namespace {

uint32_t CountOf(const COrvanel1Doc& doc, uint8_t kind) { return kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt; }
const SvcRecord* TableOf(const COrvanel1Doc& doc, uint8_t kind)
{
    return kind == kTvKind ? doc.m_TvSvc.data() : doc.m_RadioSvc.data();
}

void CheckServices(const COrvanel1Doc& doc, uint8_t kind, std::vector<std::string>& bad)
{
    const std::string list = kind == kTvKind ? "TV " : "radio ";
    const uint32_t count = CountOf(doc, kind);
    if (count > (kind == kTvKind ? kCheckedTvSlots : kMaxRadioSvc))
        bad.push_back(list + "count " + std::to_string(count));
    for (uint32_t i = 0; i < std::min(count, kind == kTvKind ? kMaxTvSvc : kMaxRadioSvc); ++i) {
        const SvcRecord& svc = TableOf(doc, kind)[i];
        const std::string at = list + std::to_string(i);
        if (svc.deleteMark)
            bad.push_back(at + " carries the delete mark");
        if (svc.satIdx >= doc.m_SatCnt)
            bad.push_back(at + " satIdx " + std::to_string(svc.satIdx));
        else if (svc.tpIdx >= doc.m_SatInfo[svc.satIdx].tpNum)
            bad.push_back(at + " tpIdx " + std::to_string(svc.tpIdx));
        if (svc.nameOffset != kNoName && svc.nameOffset >= doc.m_SvcNamePos)
            bad.push_back(at + " nameOffset beyond the pool's end");
    }
}

void CheckReferences(const COrvanel1Doc& doc, std::vector<std::string>& bad)
{
    for (uint32_t g = 0; g < kMaxFavGroup; ++g) {
        const FavCh& group = doc.m_FavCh[g];
        if ((group.favName[0] != '\0') != (g < doc.m_FavCnt))
            bad.push_back("favourite slot " + std::to_string(g) + " breaks the group count");
        if (group.numOfFavCh > kMaxFavMember)
            bad.push_back("favourite group " + std::to_string(g) + " has too many members");
        for (uint32_t m = 0; m < std::min<uint32_t>(group.numOfFavCh, kMaxFavMember); ++m)
            if (group.chNum[m] >= CountOf(doc, group.svcType[m]))
                bad.push_back("favourite member " + std::to_string(g) + "/" + std::to_string(m) + " out of range");
    }
    for (uint32_t t = 0; t < kMaxTimer; ++t) {
        const settings::Timer& timer = doc.m_Timer[t];
        if (timer.timerKind == kTimerKindService && timer.timerSvcIdx >= CountOf(doc, timer.timerSvcRadio))
            bad.push_back("timer " + std::to_string(t) + " out of range");
    }
    for (uint32_t e = 0; e < kMaxEpgReserve; ++e) {
        const EpgReserve& epg = doc.m_EpgReserve[e];
        if (epg.epgKind != 0 && epg.epgSvcIdx >= CountOf(doc, epg.epgRadio))
            bad.push_back("EPG reservation " + std::to_string(e) + " out of range");
    }
}

void CheckTransponders(const COrvanel1Doc& doc, std::vector<std::string>& bad)
{
    if (doc.m_SatCnt > 254 || doc.m_TpCnt > 2999) {
        bad.push_back("satellite or transponder count beyond the editing limit");
        return;
    }
    uint32_t start = 0;
    for (uint32_t s = 0; s < doc.m_SatCnt; ++s) {
        const SatInfo& sat = doc.m_SatInfo[s];
        if (sat.name[0] == '\0')
            bad.push_back("satellite " + std::to_string(s) + " has no name");
        if (sat.tpNum > 255)
            bad.push_back("satellite " + std::to_string(s) + " has too many transponders");
        if (sat.tpNum > 0 && sat.firstTp != start)
            bad.push_back("satellite " + std::to_string(s) + " first-TP reference " + std::to_string(sat.firstTp) +
                          " != " + std::to_string(start));
        for (uint32_t t = start; t < start + sat.tpNum && t < kMaxTp; ++t)
            if (doc.m_TpData[t].satIdx != s)
                bad.push_back("transponder " + std::to_string(t) + " is outside its satellite's group");
        start += sat.tpNum;
    }
    if (start != doc.m_TpCnt)
        bad.push_back("transponder count " + std::to_string(doc.m_TpCnt) + " != " + std::to_string(start));
    for (uint32_t s = doc.m_SatCnt; s < kMaxSat; ++s)
        if (doc.m_SatInfo[s].name[0] != '\0')
            bad.push_back("named satellite slot " + std::to_string(s) + " beyond the count");
}

uint64_t RefUid(const COrvanel1Doc& doc, uint8_t kind, uint32_t slot)
{
    const uint64_t tag = uint64_t(kind) << 40;
    return slot < CountOf(doc, kind) ? tag | SvcUid(TableOf(doc, kind)[slot]) : tag | (uint64_t(1) << 32) | slot;
}

} // namespace

std::vector<std::string> CheckDocInvariants(const COrvanel1Doc& doc)
{
    std::vector<std::string> bad;
    CheckServices(doc, kTvKind, bad);
    CheckServices(doc, kRadioKind, bad);
    CheckReferences(doc, bad);
    CheckTransponders(doc, bad);
    if (doc.m_SvcNamePos > kSvcNamePoolSize)
        bad.push_back("name pool position beyond the pool");
    return bad;
}

std::vector<uint64_t> ReferencedSvcUids(const COrvanel1Doc& doc)
{
    std::vector<uint64_t> uids;
    for (const FavCh& group : doc.m_FavCh)
        for (uint32_t m = 0; m < std::min<uint32_t>(group.numOfFavCh, kMaxFavMember); ++m)
            uids.push_back(RefUid(doc, group.svcType[m], group.chNum[m]));
    for (const settings::Timer& timer : doc.m_Timer)
        if (timer.timerKind == kTimerKindService)
            uids.push_back(RefUid(doc, timer.timerSvcRadio, timer.timerSvcIdx));
    for (const EpgReserve& epg : doc.m_EpgReserve)
        if (epg.epgKind != 0)
            uids.push_back(RefUid(doc, epg.epgRadio, epg.epgSvcIdx));
    uids.push_back(RefUid(doc, kTvKind, doc.m_EtcInfo.lastTvSvc));
    uids.push_back(RefUid(doc, kRadioKind, doc.m_EtcInfo.lastRadioSvc));
    return uids;
}
