#include "settings/service_purge.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {
constexpr uint32_t kNoSlot = 0xFFFFFFFF;

uint32_t Capacity(SvcKind kind) { return kind == kTvKind ? kMaxTvSvc : kMaxRadioSvc; }

uint32_t CheckedCount(COrvanel1Doc& doc, SvcKind kind) { return std::min(SvcCount(doc, kind), Capacity(kind)); }

bool ScratchNameInUse(const COrvanel1Doc& doc) { return doc.m_EtcInfo.replaceIdx != 0xFFFF; }

// Calls f(record) for every slot whose name offset the pool must respect: TV slots
// 0..3489 and any further TV slot in use, radio slots 0..1499 (in use or not), and the
// scratch service while it is pending.
template <typename F>
void ForEachNameHolder(COrvanel1Doc& doc, SvcKind skipKind, uint32_t skipSlot, F f)
{
    uint32_t tvSlots = std::max(kCheckedTvSlots, CheckedCount(doc, kTvKind));
    for (uint32_t i = 0; i < tvSlots; ++i)
        if (!(skipKind == kTvKind && skipSlot == i))
            f(doc.m_TvSvc[i]);
    for (uint32_t i = 0; i < kMaxRadioSvc; ++i)
        if (!(skipKind == kRadioKind && skipSlot == i))
            f(doc.m_RadioSvc[i]);
    if (ScratchNameInUse(doc) && tvSlots <= kLastTvSlot && !(skipKind == kTvKind && skipSlot == kLastTvSlot))
        f(doc.m_TvSvc[kLastTvSlot]);
}

// The services in use, and the scratch service while it is pending.
template <typename F>
void ForEachCountedSvc(COrvanel1Doc& doc, F f)
{
    uint32_t tvCnt = CheckedCount(doc, kTvKind);
    for (uint32_t i = 0; i < tvCnt; ++i)
        f(doc.m_TvSvc[i]);
    for (uint32_t i = 0; i < CheckedCount(doc, kRadioKind); ++i)
        f(doc.m_RadioSvc[i]);
    if (ScratchNameInUse(doc) && tvCnt <= kLastTvSlot)
        f(doc.m_TvSvc[kLastTvSlot]);
}

// Bytes of the name at offset, its NUL included; a name that runs to the pool's end counts
// one byte past it, so that the caller sees the overflow.
uint32_t NameSpan(const COrvanel1Doc& doc, uint32_t offset)
{
    if (offset >= kSvcNamePoolSize)
        return 1;
    const uint8_t* start = doc.m_SvcName.data() + offset;
    const void* nul = std::memchr(start, 0, kSvcNamePoolSize - offset);
    return nul ? uint32_t(static_cast<const uint8_t*>(nul) - start) + 1 : kSvcNamePoolSize - offset + 1;
}

void ReleaseProvider(COrvanel1Doc& doc, SvcKind kind, uint32_t slot)
{
    uint16_t provider = SvcTable(doc, kind)[slot].providerIdx;
    if (provider >= kMaxProvider)
        return;
    for (SvcKind k : {kTvKind, kRadioKind}) {
        const SvcRecord* table = SvcTable(doc, k);
        for (uint32_t i = 0; i < CheckedCount(doc, k); ++i)
            if (!(k == kind && i == slot) && table[i].providerIdx == provider)
                return;
    }
    doc.m_Provider[provider] = {};
}

void CloseUpSlot(COrvanel1Doc& doc, SvcKind kind, uint32_t slot)
{
    SvcRecord* table = SvcTable(doc, kind);
    uint32_t& count = SvcCount(doc, kind);
    uint32_t used = CheckedCount(doc, kind);
    std::copy(table + slot + 1, table + used, table + slot);
    table[used - 1] = SvcRecord{};
    count = used - 1;
    EtcInfo& etc = doc.m_EtcInfo;
    uint16_t& last = kind == kTvKind ? etc.lastTvSvc : etc.lastRadioSvc;
    (kind == kTvKind ? etc.altTvSvc : etc.altRadioSvc) = 0xFFFF;
    if (last != 0xFFFF && last > slot)
        --last;
}

// Keeps the members for which keep(chNum, kind) holds (it may renumber chNum) and closes
// up the rest; the current group that loses its last member is current no more.
template <typename Keep>
void FilterFavMembers(COrvanel1Doc& doc, Keep keep)
{
    for (uint32_t g = 0; g < kMaxFavGroup; ++g) {
        FavCh& fav = doc.m_FavCh[g];
        uint32_t count = std::min<uint32_t>(fav.numOfFavCh, kMaxFavMember);
        uint32_t kept = 0;
        for (uint32_t m = 0; m < count; ++m) {
            uint16_t chNum = fav.chNum[m];
            if (!keep(chNum, fav.svcType[m]))
                continue;
            fav.chNum[kept] = chNum;
            fav.svcType[kept] = fav.svcType[m];
            ++kept;
        }
        for (uint32_t m = kept; m < count; ++m) {
            fav.chNum[m] = 0;
            fav.svcType[m] = 0;
        }
        fav.numOfFavCh = uint8_t(kept);
        if (kept == 0 && count != 0 && doc.m_EtcInfo.curFavGroup == g)
            doc.m_EtcInfo.curFavGroup = 0xFF;
    }
}

// Every member that names the removed slot goes (a duplicate left behind would silently
// name the next service); members above it close up by one.
void RenumberFavourites(COrvanel1Doc& doc, SvcKind kind, uint32_t slot)
{
    FilterFavMembers(doc, [&](uint16_t& chNum, uint8_t memberKind) {
        if (memberKind != kind)
            return true;
        if (chNum == slot)
            return false;
        if (chNum > slot)
            --chNum;
        return true;
    });
}

void RenumberTimers(COrvanel1Doc& doc, SvcKind kind, uint32_t slot)
{
    for (uint32_t t = 0; t < kMaxTimer; ++t) {
        settings::Timer& timer = doc.m_Timer[t];
        if (timer.timerKind != kTimerKindService || timer.timerSvcRadio != kind)
            continue;
        if (timer.timerSvcIdx == slot) {
            timer = settings::Timer{};
            doc.m_TimerComp[t] = TimerCompanion{};
        } else if (timer.timerSvcIdx > slot) {
            --timer.timerSvcIdx;
        }
    }
}

void RenumberEpgReservations(COrvanel1Doc& doc, SvcKind kind, uint32_t slot)
{
    for (EpgReserve& epg : doc.m_EpgReserve) {
        if (epg.epgKind == 0 || epg.epgRadio != kind)
            continue;
        if (epg.epgSvcIdx == slot)
            epg = EpgReserve{};
        else if (epg.epgSvcIdx > slot)
            --epg.epgSvcIdx;
    }
}

void RemoveSvc(COrvanel1Doc& doc, SvcKind kind, uint32_t slot)
{
    Appl_ReleaseSvcName(doc, kind, slot);
    ReleaseProvider(doc, kind, slot);
    CloseUpSlot(doc, kind, slot);
    RenumberFavourites(doc, kind, slot);
    RenumberTimers(doc, kind, slot);
    RenumberEpgReservations(doc, kind, slot);
}
}

uint32_t Appl_AddSvcName(COrvanel1Doc& doc, const std::string& name)
{
    std::string_view text(name.c_str());
    text = text.substr(0, kNameMaxChars);
    uint32_t offset = doc.m_SvcNamePos;
    if (offset + text.size() > kSvcNamePoolSize - 1)
        return kNoName;
    std::memcpy(doc.m_SvcName.data() + offset, text.data(), text.size());
    doc.m_SvcName[offset + text.size()] = 0;
    doc.m_SvcNamePos = offset + uint32_t(text.size()) + 1;
    return offset;
}

void Appl_ReleaseSvcName(COrvanel1Doc& doc, SvcKind kind, uint32_t slot)
{
    if (slot >= Capacity(kind))
        return;
    SvcRecord& svc = SvcTable(doc, kind)[slot];
    uint32_t offset = svc.nameOffset;
    if (offset >= kSvcNamePoolSize) {
        svc.nameOffset = kNoName;
        Appl_RecomputeSvcNamePos(doc);
        return;
    }
    uint32_t span = std::min(NameSpan(doc, offset), kSvcNamePoolSize - offset);
    // A slot that points at these bytes (the same name, or a tail of it) keeps them.
    bool shared = false;
    ForEachNameHolder(doc, kind, slot, [&](const SvcRecord& other) {
        shared = shared || (other.nameOffset >= offset && other.nameOffset < offset + span);
    });
    if (shared)
        return;
    uint8_t* pool = doc.m_SvcName.data();
    std::memmove(pool + offset, pool + offset + span, kSvcNamePoolSize - offset - span);
    std::memset(pool + kSvcNamePoolSize - span, 0, span);
    svc.nameOffset = kNoName;
    ForEachNameHolder(doc, kind, slot, [&](SvcRecord& other) {
        if (other.nameOffset > offset && other.nameOffset < kSvcNamePoolSize)
            other.nameOffset -= span;
    });
    Appl_RecomputeSvcNamePos(doc);
}

void Appl_RecomputeSvcNamePos(COrvanel1Doc& doc)
{
    for (;;) {
        uint32_t highest = kNoSlot;
        ForEachCountedSvc(doc, [&](const SvcRecord& svc) {
            if (svc.nameOffset != kNoName && (highest == kNoSlot || svc.nameOffset > highest))
                highest = svc.nameOffset;
        });
        uint64_t pos = highest == kNoSlot ? 0 : uint64_t(highest) + NameSpan(doc, highest);
        if (pos <= kSvcNamePoolSize) {
            doc.m_SvcNamePos = uint32_t(pos);
            return;
        }
        ForEachCountedSvc(doc, [](SvcRecord& svc) {
            if (svc.nameOffset >= kSvcNamePoolSize)
                svc.nameOffset = kNoName;
        });
        doc.m_SvcName[kSvcNamePoolSize - 1] = 0;
    }
}

std::string Appl_GetSvcName(COrvanel1Doc& doc, SvcKind kind, uint32_t slot)
{
    if (slot >= Capacity(kind))
        return "No Name";
    SvcRecord& svc = SvcTable(doc, kind)[slot];
    if (svc.nameOffset == kNoName || svc.nameOffset >= std::min(doc.m_SvcNamePos, kSvcNamePoolSize)) {
        svc.nameOffset = kNoName;
        return "No Name";
    }
    const char* start = reinterpret_cast<const char*>(doc.m_SvcName.data()) + svc.nameOffset;
    return std::string(start, std::min(NameSpan(doc, svc.nameOffset) - 1, kSvcNamePoolSize - svc.nameOffset));
}

void Appl_MarkSvc(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& positions)
{
    SvcRecord* table = SvcTable(doc, kind);
    uint32_t count = CheckedCount(doc, kind);
    for (uint32_t p : positions) {
        if (p >= count)
            continue;
        table[p].satIdx = 255;
        table[p].deleteMark = 1;
    }
}

void Appl_PurgeMarkedSvc(COrvanel1Doc& doc)
{
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        const SvcRecord* table = SvcTable(doc, kind);
        for (uint32_t p = CheckedCount(doc, kind); p-- > 0;)
            if (table[p].deleteMark)
                RemoveSvc(doc, kind, p);
    }
}

void Appl_DropDanglingSvcRefs(COrvanel1Doc& doc)
{
    auto beyond = [&](uint8_t kind, uint32_t slot) { return kind > kRadioKind || slot >= CheckedCount(doc, SvcKind(kind)); };
    FilterFavMembers(doc, [&](uint16_t& chNum, uint8_t kind) { return !beyond(kind, chNum); });
    for (uint32_t t = 0; t < kMaxTimer; ++t) {
        settings::Timer& timer = doc.m_Timer[t];
        if (timer.timerKind == kTimerKindService && beyond(timer.timerSvcRadio, timer.timerSvcIdx)) {
            timer = settings::Timer{};
            doc.m_TimerComp[t] = TimerCompanion{};
        }
    }
    for (EpgReserve& epg : doc.m_EpgReserve)
        if (epg.epgKind != 0 && beyond(epg.epgRadio, epg.epgSvcIdx))
            epg = EpgReserve{};
}
