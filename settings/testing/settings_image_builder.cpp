#include "settings/testing/settings_image_builder.h"

#include "settings/checksum.h"
#include "settings/image_codec.h"
#include "settings/image_layout.h"
#include "settings/service_purge.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {
class Dice {
public:
    explicit Dice(uint32_t seed) : m_Rng(seed) {}
    uint32_t Below(uint32_t n) { return n == 0 ? 0 : uint32_t(m_Rng() % n); }
    uint32_t Bits(uint32_t bits) { return bits >= 32 ? uint32_t(m_Rng()) : uint32_t(m_Rng()) & ((1u << bits) - 1); }
    uint8_t Byte() { return uint8_t(Bits(8)); }
    uint16_t Word() { return uint16_t(Bits(16)); }
    template <size_t N>
    void Fill(std::array<uint8_t, N>& bytes) { for (auto& b : bytes) b = Byte(); }

private:
    std::mt19937 m_Rng;
};

template <size_t N>
void SetText(std::array<char, N>& to, const std::string& text)
{
    to = {};
    std::memcpy(to.data(), text.data(), std::min(text.size(), N - 1));
}

void ResetTables(COrvanel1Doc& doc)
{
    doc.m_TvSvc = {};
    doc.m_RadioSvc = {};
    doc.m_SatInfo = {};
    doc.m_SatExt = {};
    doc.m_TpData = {};
    doc.m_TpExt = {};
    doc.m_TpS2 = {};
    doc.m_FavCh = {};
    doc.m_Timer = {};
    doc.m_TimerExt = {};
    doc.m_TimerComp = {};
    doc.m_EpgReserve = {};
    doc.m_SvcName = {};
    doc.m_Provider = {};
    doc.m_EtcInfo = EtcInfo{};
    doc.m_SvcNamePos = 0;
    doc.m_bLoaded = false;
}

void FillRawBuffers(COrvanel1Doc& doc, const ImageLayout& layout, Dice& dice)
{
    doc.m_SettingsArea.assign(kSettingsAreaSize, 0);
    for (auto& b : doc.m_SettingsArea)
        b = dice.Byte();
    doc.m_Eeprom.resize(kEepromSize + kPreprogramSize);
    for (uint32_t i = 0; i < kEepromSize; ++i)
        doc.m_Eeprom[i] = dice.Byte();
    // Sections the codec carries but never writes still need valid frames.
    for (SectionId id : {SectionId::Game, SectionId::Time})
        if (const SectionAt& s = layout.Section(id); s.Present())
            WriteSectionFrame(doc.m_SettingsArea.data() + s.frame, s.length);
}

void FillHeader(COrvanel1Doc& doc, const DemoShape& shape, Dice& dice)
{
    for (auto& b : doc.m_HeaderCopy)
        b = dice.Byte();
    doc.m_HeaderCopy[11] = 0;
    SetImageIdentity(doc, shape.modelId, shape.layoutVersion);
    DecodeFlashHeader(doc);
}

LnbBlock DemoLnb(Dice& dice)
{
    LnbBlock lnb;
    lnb.lnbPower = uint8_t(dice.Bits(1));
    lnb.sw12V = uint8_t(dice.Bits(1));
    lnb.diseqc10 = uint8_t(dice.Below(7));
    lnb.lnbFlagA = uint8_t(dice.Bits(1));
    lnb.positionIdxB = uint8_t(dice.Bits(7));
    lnb.dualLo = uint8_t(dice.Bits(1));
    lnb.tone22k = uint8_t(dice.Bits(1));
    lnb.loFreq = uint16_t(lnb.dualLo ? 9750 : 5150 + dice.Below(6000));
    lnb.loFreq2 = uint16_t(lnb.dualLo ? 10600 : 0);
    lnb.lnbFlagB = uint8_t(dice.Bits(1));
    lnb.positionIdx = lnb.positionIdxB;
    lnb.lnbByte7 = dice.Byte();
    lnb.lnbByte8 = dice.Byte();
    lnb.lnbBits9 = uint8_t(dice.Bits(6));
    lnb.tunerMode = uint8_t(dice.Bits(1));
    lnb.diseqc11 = uint8_t(dice.Below(5));
    dice.Fill(lnb.lnbBytes);
    lnb.lnbWord = dice.Word();
    return lnb;
}

void FillSatellitesAndTps(COrvanel1Doc& doc, const DemoShape& shape, const ImageLayout& layout, Dice& dice)
{
    uint32_t sats = std::min(shape.satellites, layout.satCapacity - (layout.satCountLessOne ? 1 : 0));
    uint32_t perSat = sats == 0 ? 0 : std::min(shape.tpsPerSat, kMaxTp / sats);
    doc.m_SatFirstTpBase = 0x80100000u + 16 * dice.Below(0x1000);
    // The extended layout counts one satellite less than it names: name one more, without TPs.
    uint32_t named = sats + (layout.satCountLessOne && sats > 0 ? 1 : 0);
    for (uint32_t s = 0; s < named; ++s) {
        SatInfo& sat = doc.m_SatInfo[s];
        SetText(sat.name, "Sat " + std::to_string(s));
        sat.tpNum = uint16_t(s < sats ? perSat : 0);
        sat.satWord = dice.Word();
        sat.lnb[0] = DemoLnb(dice);
        if (layout.sat.lnbCount > 1)
            sat.lnb[1] = DemoLnb(dice);
        sat.firstTp = s * perSat;
        sat.satIndexByte = uint8_t(s);
        sat.satByte = dice.Byte();
        for (auto& w : sat.satWords) w = dice.Word();
        sat.satInvWord = dice.Word();
        for (auto& w : sat.satTail) w = dice.Word();
        if (layout.sat.extensionAt[0] >= 0)
            dice.Fill(doc.m_SatExt[s]);
    }
    doc.m_SatCnt = sats;
    doc.m_TpCnt = sats * perSat;
    for (uint32_t i = 0; i < doc.m_TpCnt; ++i) {
        TpData& tp = doc.m_TpData[i];
        tp.satIdx = uint8_t(i / perSat);
        tp.polar = uint8_t(dice.Bits(1));
        tp.tpMode = uint8_t(dice.Bits(3));
        tp.freq = 10700 + dice.Below(2050);
        tp.sr = uint16_t(1000 + dice.Below(44000));
        tp.tpWord1 = uint16_t(dice.Bits(8));
        tp.tpWord2 = dice.Word();
        tp.tpWord3 = dice.Word();
        if (layout.tp.extensionAt >= 0)
            dice.Fill(doc.m_TpExt[i]);
        if (layout.tp.modulationSystem.Present())
            doc.m_TpS2[i] = {dice.Bits(1), dice.Bits(2), dice.Bits(4), dice.Bits(1), dice.Bits(8)};
    }
}

SvcRecord DemoSvc(COrvanel1Doc& doc, SvcKind kind, uint32_t slot, const DemoShape& shape, Dice& dice)
{
    SvcRecord svc;
    svc.satIdx = uint8_t(dice.Below(doc.m_SatCnt));
    svc.res1 = dice.Byte();
    svc.tpIdx = uint16_t(dice.Below(std::min<uint32_t>(doc.m_SatInfo[svc.satIdx].tpNum, 255)));
    svc.tunerNum = uint8_t(1 + dice.Below(3));
    svc.skip = uint8_t(dice.Bits(1));
    svc.lock = uint8_t(dice.Bits(1));
    svc.scrambled = uint8_t(dice.Bits(1));
    svc.svcId = dice.Word();
    svc.pmtPid = uint16_t(1 + dice.Below(0x1FFF));
    svc.pcrPid = uint16_t(dice.Bits(13));
    svc.videoPid = uint16_t(kind == kTvKind ? 1 + dice.Below(0x2000) : dice.Word());
    svc.audioPid = uint16_t(kind == kRadioKind ? 1 + dice.Below(0x1FFF) : dice.Word());
    svc.renameFlag = uint8_t(dice.Bits(1));
    svc.reserved = uint8_t(dice.Bits(5));
    svc.soundMode = uint8_t(dice.Bits(2));
    svc.nvodIdx = dice.Byte();
    svc.nameOffset = Appl_AddSvcName(doc, (kind == kTvKind ? "TV " : "Radio ") + std::to_string(slot));
    svc.providerIdx = uint16_t(shape.providers && dice.Below(4) ? dice.Below(shape.providers) : kNoProvider);
    for (auto& w : svc.extra) w = dice.Word();
    return svc;
}

void FillServices(COrvanel1Doc& doc, const DemoShape& shape, Dice& dice)
{
    bool usable = doc.m_TpCnt > 0;
    doc.m_TvSvcCnt = usable ? std::min(shape.tvSvc, kCheckedTvSlots) : 0;
    doc.m_RadioSvcCnt = usable ? std::min(shape.radioSvc, kMaxRadioSvc) : 0;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        SvcRecord* table = SvcTable(doc, kind);
        uint32_t checked = kind == kTvKind ? kCheckedTvSlots : kMaxRadioSvc;
        for (uint32_t i = 0; i < checked; ++i) {
            if (i < SvcCount(doc, kind)) {
                table[i] = DemoSvc(doc, kind, i, shape, dice);
            } else {
                table[i] = SvcRecord{};
                table[i].deleteMark = 1;   // a free slot as the decoder leaves it
            }
        }
    }
    for (uint32_t p = 0; p < std::min(shape.providers, kMaxProvider); ++p)
        SetText(doc.m_Provider[p], "Provider " + std::to_string(p));
}

// A random service of either list, as a (kind, slot) pair; false when both are empty.
bool PickService(const COrvanel1Doc& doc, Dice& dice, uint8_t& kind, uint16_t& slot)
{
    uint32_t total = doc.m_TvSvcCnt + doc.m_RadioSvcCnt;
    if (total == 0)
        return false;
    uint32_t pick = dice.Below(total);
    kind = pick < doc.m_TvSvcCnt ? kTvKind : kRadioKind;
    slot = uint16_t(kind == kTvKind ? pick : pick - doc.m_TvSvcCnt);
    return true;
}

void FillFavourites(COrvanel1Doc& doc, const DemoShape& shape, Dice& dice)
{
    uint32_t groups = std::max<uint32_t>(1, std::min(shape.favGroups, kMaxFavGroup));
    uint32_t members = std::min({shape.favMembers, kMaxFavMember, doc.m_TvSvcCnt + doc.m_RadioSvcCnt});
    for (uint32_t g = 0; g < groups; ++g) {
        FavCh& fav = doc.m_FavCh[g];
        SetText(fav.favName, "Fav " + std::to_string(g));
        fav.favByte = dice.Byte();
        while (fav.numOfFavCh < members) {
            uint8_t kind = 0;
            uint16_t slot = 0;
            PickService(doc, dice, kind, slot);
            bool present = false;
            for (uint32_t m = 0; m < fav.numOfFavCh; ++m)
                present = present || (fav.chNum[m] == slot && fav.svcType[m] == kind);
            if (present)
                continue;
            fav.chNum[fav.numOfFavCh] = slot;
            fav.svcType[fav.numOfFavCh] = kind;
            ++fav.numOfFavCh;
        }
    }
    doc.m_FavCnt = groups;
}

void FillTimers(COrvanel1Doc& doc, const DemoShape& shape, const ImageLayout& layout, Dice& dice)
{
    for (uint32_t t = 0; t < std::min(shape.timers, kMaxTimer); ++t) {
        settings::Timer& timer = doc.m_Timer[t];
        uint8_t kind = 0;
        uint16_t slot = 0;
        if (!PickService(doc, dice, kind, slot))
            return;
        timer.timerByte0 = dice.Byte();
        timer.timerKind = kTimerKindService;
        timer.timerBits1 = uint8_t(dice.Bits(2));
        timer.timerBits2 = uint8_t(dice.Bits(2));
        timer.timerByte2 = dice.Byte();
        timer.timerSvcRadio = kind;
        timer.timerBits3 = uint8_t(dice.Bits(7));
        timer.timerWord4 = dice.Word();
        timer.timerSvcIdx = slot;
        timer.timerLong8 = dice.Bits(32);
        timer.timerLong12 = dice.Bits(32);
        timer.timerByte16 = dice.Byte();
        timer.timerByte17 = dice.Byte();
        timer.timerWord18 = dice.Word();
        if (layout.timer.nameAt >= 0)
            SetText(timer.timerName, "Timer " + std::to_string(t));
        if (doc.m_TpCnt > 0)
            timer.timerTp = doc.m_TpData[dice.Below(doc.m_TpCnt)];
        if (layout.timer.extensionAt >= 0)
            dice.Fill(doc.m_TimerExt[t]);
        if (layout.timer.companionAt >= 0) {
            TimerCompanion& comp = doc.m_TimerComp[t];
            comp.values = {dice.Bits(32), dice.Bits(32), dice.Bits(32)};
            comp.byteValue = dice.Byte();
            comp.tpS2 = {dice.Bits(1), dice.Bits(2), dice.Bits(4), dice.Bits(1), dice.Bits(8)};
        }
    }
}

void FillEpgReservations(COrvanel1Doc& doc, const DemoShape& shape, const ImageLayout& layout, Dice& dice)
{
    if (!layout.Section(SectionId::EpgReserve).Present())
        return;
    for (uint32_t e = 0; e < std::min(shape.epgReservations, kMaxEpgReserve); ++e) {
        EpgReserve& epg = doc.m_EpgReserve[e];
        uint8_t kind = 0;
        uint16_t slot = 0;
        if (!PickService(doc, dice, kind, slot))
            return;
        epg.epgKind = uint8_t(1 + dice.Below(3));
        epg.epgRadio = kind;
        epg.epgSvcIdx = slot;
        epg.epgWord = dice.Word();
        epg.epgLong = dice.Bits(32);
    }
}

void FillEtcInfo(COrvanel1Doc& doc, const ImageLayout& layout, Dice& dice)
{
    EtcInfo& etc = doc.m_EtcInfo;
    etc.etcWord0 = dice.Word();
    etc.lastTvSvc = uint16_t(dice.Below(std::max<uint32_t>(doc.m_TvSvcCnt, 1)));
    etc.lastRadioSvc = uint16_t(dice.Below(std::max<uint32_t>(doc.m_RadioSvcCnt, 1)));
    etc.altTvSvc = uint16_t(dice.Below(std::max<uint32_t>(doc.m_TvSvcCnt, 1)));
    etc.altRadioSvc = uint16_t(dice.Below(std::max<uint32_t>(doc.m_RadioSvcCnt, 1)));
    etc.etcByte10 = dice.Byte();
    etc.etcBits11 = dice.Byte();
    etc.etcBits12 = dice.Byte();
    etc.etcBits13 = dice.Byte() & ~layout.etc.unstoredBitMask;
    etc.etcByte14 = dice.Byte();
    etc.etcByte15 = dice.Byte();
    etc.curFavGroup = 0;
    etc.etcBits17 = dice.Byte();
    etc.etcByte18 = dice.Byte();
    etc.etcBits19 = dice.Byte() & ~layout.etc.unstoredBitMask;
    etc.etcByte20 = dice.Byte();
    etc.etcByte21 = dice.Byte();
    etc.replaceIdx = 0xFFFF;
    etc.etcByte24 = dice.Byte();
    for (auto& b : etc.etcTail) b = dice.Byte();
    etc.etcNibble = layout.etc.etcNibble.Present() ? uint8_t(dice.Bits(4)) : 0;
}
}

void FillDemoDocument(COrvanel1Doc& doc, const DemoShape& shape)
{
    Dice dice(shape.seed);
    const ImageLayout& layout = LayoutFor(shape.modelId, shape.layoutVersion);
    ResetTables(doc);
    FillHeader(doc, shape, dice);
    FillRawBuffers(doc, layout, dice);
    FillSatellitesAndTps(doc, shape, layout, dice);
    FillServices(doc, shape, dice);
    FillFavourites(doc, shape, dice);
    FillTimers(doc, shape, layout, dice);
    FillEpgReservations(doc, shape, layout, dice);
    FillEtcInfo(doc, layout, dice);
}

bool BuildSettingsImage(COrvanel1Doc& doc) { return InverseParseImage(doc); }

bool BuildDemoImage(COrvanel1Doc& doc, const DemoShape& shape)
{
    FillDemoDocument(doc, shape);
    return BuildSettingsImage(doc);
}

bool LoadSettingsImage(COrvanel1Doc& doc)
{
    doc.m_bLoaded = VerifyAndParseImage(doc);
    return doc.m_bLoaded;
}

void CopyImage(const COrvanel1Doc& from, COrvanel1Doc& to)
{
    to.m_SettingsArea = from.m_SettingsArea;
    std::copy_n(from.m_Eeprom.begin(), kEepromSize, to.m_Eeprom.begin());
    to.m_HeaderCopy = from.m_HeaderCopy;
    to.m_ModelId = from.m_ModelId;
}
