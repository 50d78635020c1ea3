#include "editing/svc_refs.h"

#include "editing/edit_common.h"
#include "settings/service_purge.h"

#include <algorithm>

namespace {

// Calls fn(slot) for every reference into the list of `kind`.
template <class Fn>
void ForEachSvcRef(COrvanel1Doc& doc, SvcKind kind, Fn fn)
{
    for (auto& group : doc.m_FavCh) {
        uint32_t members = std::min<uint32_t>(group.numOfFavCh, kMaxFavMember);
        for (uint32_t m = 0; m < members; ++m)
            if (group.svcType[m] == kind)
                fn(group.chNum[m]);
    }
    fn(kind == kTvKind ? doc.m_EtcInfo.lastTvSvc : doc.m_EtcInfo.lastRadioSvc);
    for (auto& timer : doc.m_Timer)
        if (timer.timerKind == kTimerKindService && timer.timerSvcRadio == kind)
            fn(timer.timerSvcIdx);
    for (auto& epg : doc.m_EpgReserve)
        if (epg.epgKind != 0 && epg.epgRadio == kind)
            fn(epg.epgSvcIdx);
}

} // namespace

void Appl_ApplySvcOrder(COrvanel1Doc& doc, SvcKind kind, uint32_t lo, const std::vector<uint32_t>& oldSlotOf)
{
    const uint32_t len = static_cast<uint32_t>(oldSlotOf.size());
    SvcRecord* table = SvcTable(doc, kind);
    std::vector<SvcRecord> before(table + lo, table + lo + len);
    std::vector<uint16_t> newSlotOf(len);
    for (uint32_t i = 0; i < len; ++i) {
        table[lo + i] = before[oldSlotOf[i] - lo];
        newSlotOf[oldSlotOf[i] - lo] = static_cast<uint16_t>(lo + i);
    }
    ForEachSvcRef(doc, kind, [&](uint16_t& slot) {
        if (slot >= lo && slot < lo + len)
            slot = newSlotOf[slot - lo];
    });
    doc.m_Revision.Bump(ReorderedTables(kind));
}

void Appl_ShiftSvcRefsForInsert(COrvanel1Doc& doc, SvcKind kind, uint32_t at, uint32_t oldCount)
{
    ForEachSvcRef(doc, kind, [&](uint16_t& slot) {
        if (slot >= at && slot < oldCount)
            ++slot;
    });
    doc.m_Revision.Bump(ReorderedTables(kind));
}
