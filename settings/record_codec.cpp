#include "settings/record_codec.h"

#include "settings/checksum.h"

#include <algorithm>
#include <cstring>

namespace {
uint32_t UnitMask(FieldAt f)
{
    uint32_t bits = f.bits ? f.bits : f.size * 8u;
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
}

uint32_t GetUnit(const uint8_t* p, uint8_t size, bool be)
{
    switch (size) {
    case 1: return p[0];
    case 2: return Get16(p, be);
    default: return Get32(p, be);
    }
}

void PutUnit(uint8_t* p, uint8_t size, uint32_t v, bool be)
{
    switch (size) {
    case 1: p[0] = uint8_t(v); break;
    case 2: Put16(p, uint16_t(v), be); break;
    default: Put32(p, v, be); break;
    }
}

// Small helpers that read the layout's byte order once per record.
struct In {
    const uint8_t* p;
    bool be;
    uint32_t operator()(FieldAt f) const { return GetField(p, f, be); }
    uint8_t U8(FieldAt f) const { return uint8_t(GetField(p, f, be)); }
    uint16_t U16(FieldAt f) const { return uint16_t(GetField(p, f, be)); }
    uint16_t Word(uint32_t at) const { return Get16(p + at, be); }
};

struct Out {
    uint8_t* p;
    bool be;
    void operator()(FieldAt f, uint32_t v) const { PutField(p, f, v, be); }
    void Word(uint32_t at, uint16_t v) const { Put16(p + at, v, be); }
};

void DecodeLnb(const uint8_t* p, const LnbLayout& l, bool be, LnbBlock& lnb)
{
    In in{p, be};
    lnb.lnbPower = in.U8(l.lnbPower);
    lnb.sw12V = in.U8(l.sw12V);
    lnb.diseqc10 = in.U8(l.diseqc10);
    lnb.lnbFlagA = in.U8(l.lnbFlagA);
    lnb.positionIdxB = in.U8(l.positionIdxB);
    lnb.dualLo = in.U8(l.dualLo);
    lnb.tone22k = in.U8(l.tone22k);
    lnb.loFreq = in.U16(l.loFreq);
    lnb.loFreq2 = in.U16(l.loFreq2);
    lnb.lnbFlagB = in.U8(l.lnbFlagB);
    lnb.positionIdx = in.U8(l.positionIdx);
    lnb.lnbByte7 = in.U8(l.lnbByte7);
    lnb.lnbByte8 = in.U8(l.lnbByte8);
    lnb.lnbBits9 = in.U8(l.lnbBits9);
    lnb.tunerMode = in.U8(l.tunerMode);
    lnb.diseqc11 = in.U8(l.diseqc11);
    for (size_t i = 0; i < lnb.lnbBytes.size(); ++i)
        lnb.lnbBytes[i] = p[l.lnbBytesAt[i]];
    lnb.lnbWord = in.U16(l.lnbWord);
}

void EncodeLnb(uint8_t* p, const LnbLayout& l, bool be, const LnbBlock& lnb)
{
    Out out{p, be};
    out(l.lnbPower, lnb.lnbPower);
    out(l.sw12V, lnb.sw12V);
    out(l.diseqc10, lnb.diseqc10);
    out(l.lnbFlagA, lnb.lnbFlagA);
    out(l.positionIdxB, lnb.positionIdxB);
    out(l.dualLo, lnb.dualLo);
    out(l.tone22k, lnb.tone22k);
    out(l.loFreq, lnb.loFreq);
    out(l.loFreq2, lnb.loFreq2);
    out(l.lnbFlagB, lnb.lnbFlagB);
    out(l.positionIdx, lnb.positionIdx);
    out(l.lnbByte7, lnb.lnbByte7);
    out(l.lnbByte8, lnb.lnbByte8);
    out(l.lnbBits9, lnb.lnbBits9);
    out(l.tunerMode, lnb.tunerMode);
    out(l.diseqc11, lnb.diseqc11);
    for (size_t i = 0; i < lnb.lnbBytes.size(); ++i)
        p[l.lnbBytesAt[i]] = lnb.lnbBytes[i];
    out(l.lnbWord, lnb.lnbWord);
}

// The TP part shared by the TP table and the TP inside a timer.
void DecodeTpFields(const uint8_t* p, const TpLayout& l, bool be, TpData& tp, DvbS2Params& s2)
{
    In in{p, be};
    tp.satIdx = in.U8(l.satIdx);
    tp.polar = in.U8(l.polar);
    tp.tpMode = in.U8(l.tpMode);
    tp.freq = in(l.freq);
    tp.sr = in.U16(l.sr);
    tp.tpWord1 = in.U16(l.tpWord1);
    tp.tpWord2 = in.U16(l.tpWord2);
    tp.tpWord3 = in.U16(l.tpWord3);
    s2 = {};
    if (l.modulationSystem.Present()) {
        s2.modulation_system = in(l.modulationSystem);
        s2.modulation_type = in(l.modulationType);
        s2.fec = in(l.fec);
        s2.filot = in(l.filot);
        s2.fifth = in(l.fifth);
    }
}

void EncodeTpFields(uint8_t* p, const TpLayout& l, bool be, const TpData& tp, const DvbS2Params& s2)
{
    Out out{p, be};
    out(l.satIdx, tp.satIdx);
    out(l.polar, tp.polar);
    out(l.tpMode, tp.tpMode);
    out(l.freq, tp.freq);
    out(l.sr, tp.sr);
    out(l.tpWord1, tp.tpWord1);
    out(l.tpWord2, tp.tpWord2);
    out(l.tpWord3, tp.tpWord3);
    if (l.modulationSystem.Present()) {
        out(l.modulationSystem, s2.modulation_system);
        out(l.modulationType, s2.modulation_type);
        out(l.fec, s2.fec);
        out(l.filot, s2.filot);
        out(l.fifth, s2.fifth);
    }
}

template <size_t N>
void CopyText(std::array<char, N>& to, const uint8_t* from)
{
    std::memcpy(to.data(), from, N);
}
template <size_t N>
void PutText(uint8_t* to, const std::array<char, N>& from)
{
    std::memcpy(to, from.data(), N);
}
}

uint32_t GetField(const uint8_t* record, FieldAt field, bool bigEndian)
{
    if (!field.Present())
        return 0;
    return GetUnit(record + field.at, field.size, bigEndian) >> field.shift & UnitMask(field);
}

void PutField(uint8_t* record, FieldAt field, uint32_t value, bool bigEndian)
{
    if (!field.Present())
        return;
    uint32_t mask = UnitMask(field) << field.shift;
    uint32_t unit = GetUnit(record + field.at, field.size, bigEndian);
    unit = (unit & ~mask) | (value << field.shift & mask);
    PutUnit(record + field.at, field.size, unit, bigEndian);
}

void DecodeSvc(const uint8_t* p, const ImageLayout& layout, SvcRecord& svc)
{
    const SvcLayout& l = layout.svc;
    In in{p, layout.bigEndian};
    svc.satIdx = in.U8(l.satIdx);
    svc.res1 = in.U8(l.res1);
    svc.tpIdx = in.U16(l.tpIdx);
    svc.tunerNum = in.U8(l.tunerNum);
    svc.skip = in.U8(l.skip);
    svc.lock = in.U8(l.lock);
    svc.scrambled = in.U8(l.scrambled);
    svc.deleteMark = in.U8(l.deleteMark);
    svc.svcId = in.U16(l.svcId);
    svc.pmtPid = in.U16(l.pmtPid);
    svc.pcrPid = in.U16(l.pcrPid);
    svc.videoPid = in.U16(l.videoPid);
    svc.audioPid = in.U16(l.audioPid) ^ 0x8000;
    svc.renameFlag = in.U8(l.renameFlag);
    svc.reserved = in.U8(l.reserved);
    svc.soundMode = in.U8(l.soundMode);
    svc.nvodIdx = in.U8(l.nvodIdx);
    svc.nameOffset = in(l.nameOffset);
    svc.providerIdx = in.U16(l.providerIdx);
    for (size_t i = 0; i < svc.extra.size(); ++i)
        svc.extra[i] = in.Word(l.extraAt + 2 * i);
}

void EncodeSvc(uint8_t* p, const ImageLayout& layout, const SvcRecord& svc)
{
    const SvcLayout& l = layout.svc;
    std::memset(p, 0, l.size);
    Out out{p, layout.bigEndian};
    out(l.satIdx, svc.satIdx);
    out(l.res1, svc.res1);
    out(l.tpIdx, svc.tpIdx);
    out(l.tunerNum, svc.tunerNum);
    out(l.skip, svc.skip);
    out(l.lock, svc.lock);
    out(l.scrambled, svc.scrambled);
    out(l.deleteMark, svc.deleteMark);
    out(l.svcId, svc.svcId);
    out(l.pmtPid, svc.pmtPid);
    out(l.pcrPid, svc.pcrPid);
    out(l.videoPid, svc.videoPid);
    out(l.audioPid, svc.audioPid ^ 0x8000u);
    out(l.renameFlag, svc.renameFlag);
    out(l.reserved, svc.reserved);
    out(l.soundMode, svc.soundMode);
    out(l.nvodIdx, svc.nvodIdx);
    out(l.nameOffset, svc.nameOffset);
    out(l.providerIdx, svc.providerIdx);
    for (size_t i = 0; i < svc.extra.size(); ++i)
        out.Word(l.extraAt + 2 * i, svc.extra[i]);
}

void DecodeSat(const uint8_t* p, const ImageLayout& layout, SatInfo& sat, SatExtension& ext)
{
    const SatLayout& l = layout.sat;
    In in{p, layout.bigEndian};
    sat.tpNum = in.U16(l.tpNum);
    sat.satWord = in.U16(l.satWord);
    CopyText(sat.name, p + l.nameAt);
    for (uint32_t t = 0; t < sat.lnb.size(); ++t) {
        sat.lnb[t] = {};
        if (t < l.lnbCount)
            DecodeLnb(p + l.lnbAt[t], layout.lnb, layout.bigEndian, sat.lnb[t]);
    }
    sat.firstTp = in(l.firstTp);
    sat.satIndexByte = in.U8(l.satIndexByte);
    sat.satByte = in.U8(l.satByte);
    for (size_t i = 0; i < sat.satWords.size(); ++i)
        sat.satWords[i] = in.Word(l.satWordsAt[i]);
    sat.satInvWord = in.U16(l.satInvWord) ^ l.satInvXor;
    for (size_t i = 0; i < sat.satTail.size(); ++i)
        sat.satTail[i] = in.Word(l.satTailAt + 2 * i);
    for (size_t i = 0; i < ext.size(); ++i)
        ext[i] = l.extensionAt[i] < 0 ? 0 : p[l.extensionAt[i]];
}

void EncodeSat(uint8_t* p, const ImageLayout& layout, const SatInfo& sat, const SatExtension& ext, uint32_t firstTpAddress)
{
    const SatLayout& l = layout.sat;
    std::memset(p, 0, l.size);
    Out out{p, layout.bigEndian};
    out(l.tpNum, sat.tpNum);
    out(l.satWord, sat.satWord);
    PutText(p + l.nameAt, sat.name);
    for (uint32_t t = 0; t < l.lnbCount; ++t)
        EncodeLnb(p + l.lnbAt[t], layout.lnb, layout.bigEndian, sat.lnb[t]);
    out(l.firstTp, firstTpAddress);
    out(l.satIndexByte, sat.satIndexByte);
    out(l.satByte, sat.satByte);
    for (size_t i = 0; i < sat.satWords.size(); ++i)
        out.Word(l.satWordsAt[i], sat.satWords[i]);
    out(l.satInvWord, sat.satInvWord ^ l.satInvXor);
    for (size_t i = 0; i < sat.satTail.size(); ++i)
        out.Word(l.satTailAt + 2 * i, sat.satTail[i]);
    for (size_t i = 0; i < ext.size(); ++i)
        if (l.extensionAt[i] >= 0)
            p[l.extensionAt[i]] = ext[i];
}

void DecodeTp(const uint8_t* p, const ImageLayout& layout, TpData& tp, DvbS2Params& s2, TpExtension& ext)
{
    DecodeTpFields(p, layout.tp, layout.bigEndian, tp, s2);
    ext = {};
    if (layout.tp.extensionAt >= 0)
        std::memcpy(ext.data(), p + layout.tp.extensionAt, ext.size());
}

void EncodeTp(uint8_t* p, const ImageLayout& layout, const TpData& tp, const DvbS2Params& s2, const TpExtension& ext)
{
    std::memset(p, 0, layout.tp.size);
    EncodeTpFields(p, layout.tp, layout.bigEndian, tp, s2);
    if (layout.tp.extensionAt >= 0)
        std::memcpy(p + layout.tp.extensionAt, ext.data(), ext.size());
}

void DecodeFav(const uint8_t* p, const ImageLayout& layout, FavCh& fav)
{
    const FavLayout& l = layout.fav;
    CopyText(fav.favName, p + l.nameAt);
    for (uint32_t i = 0; i < kMaxFavMember; ++i) {
        fav.chNum[i] = Get16(p + l.chNumAt + 2 * i, layout.bigEndian);
        fav.svcType[i] = p[l.svcTypeAt + i];
    }
    fav.numOfFavCh = std::min<uint8_t>(p[l.numAt], kMaxFavMember);
    fav.favByte = p[l.favByteAt];
}

void EncodeFav(uint8_t* p, const ImageLayout& layout, const FavCh& fav)
{
    const FavLayout& l = layout.fav;
    PutText(p + l.nameAt, fav.favName);
    for (uint32_t i = 0; i < kMaxFavMember; ++i) {
        Put16(p + l.chNumAt + 2 * i, fav.chNum[i], layout.bigEndian);
        p[l.svcTypeAt + i] = fav.svcType[i];
    }
    p[l.numAt] = fav.numOfFavCh;
    p[l.favByteAt] = fav.favByte;
}

void DecodeTimer(const uint8_t* p, const ImageLayout& layout, settings::Timer& timer, TimerCompanion& comp,
                 TimerExtension& ext)
{
    const TimerLayout& l = layout.timer;
    In in{p, layout.bigEndian};
    timer.timerByte0 = in.U8(l.timerByte0);
    timer.timerKind = in.U8(l.timerKind);
    timer.timerBits1 = in.U8(l.timerBits1);
    timer.timerBits2 = in.U8(l.timerBits2);
    timer.timerByte2 = in.U8(l.timerByte2);
    timer.timerSvcRadio = in.U8(l.timerSvcRadio);
    timer.timerBits3 = in.U8(l.timerBits3);
    timer.timerWord4 = in.U16(l.timerWord4);
    timer.timerSvcIdx = in.U16(l.timerSvcIdx);
    timer.timerLong8 = in(l.timerLong8);
    timer.timerLong12 = in(l.timerLong12);
    timer.timerByte16 = in.U8(l.timerByte16);
    timer.timerByte17 = in.U8(l.timerByte17);
    timer.timerWord18 = in.U16(l.timerWord18);
    timer.timerName = {};
    if (l.nameAt >= 0)
        CopyText(timer.timerName, p + l.nameAt);
    comp = {};
    DecodeTpFields(p + l.tpAt, layout.tp, layout.bigEndian, timer.timerTp, comp.tpS2);
    if (l.companionAt >= 0) {
        for (size_t i = 0; i < comp.values.size(); ++i)
            comp.values[i] = Get32(p + l.companionAt + 4 * i, layout.bigEndian);
        comp.byteValue = p[l.companionAt + 12];
    }
    ext = {};
    if (l.extensionAt >= 0)
        std::memcpy(ext.data(), p + l.extensionAt, ext.size());
}

void EncodeTimer(uint8_t* p, const ImageLayout& layout, const settings::Timer& timer, const TimerCompanion& comp,
                 const TimerExtension& ext)
{
    const TimerLayout& l = layout.timer;
    std::memset(p, 0, l.size);
    Out out{p, layout.bigEndian};
    out(l.timerByte0, timer.timerByte0);
    out(l.timerKind, timer.timerKind);
    out(l.timerBits1, timer.timerBits1);
    out(l.timerBits2, timer.timerBits2);
    out(l.timerByte2, timer.timerByte2);
    out(l.timerSvcRadio, timer.timerSvcRadio);
    out(l.timerBits3, timer.timerBits3);
    out(l.timerWord4, timer.timerWord4);
    out(l.timerSvcIdx, timer.timerSvcIdx);
    out(l.timerLong8, timer.timerLong8);
    out(l.timerLong12, timer.timerLong12);
    out(l.timerByte16, timer.timerByte16);
    out(l.timerByte17, timer.timerByte17);
    out(l.timerWord18, timer.timerWord18);
    if (l.nameAt >= 0)
        PutText(p + l.nameAt, timer.timerName);
    EncodeTpFields(p + l.tpAt, layout.tp, layout.bigEndian, timer.timerTp, comp.tpS2);
    if (l.companionAt >= 0) {
        for (size_t i = 0; i < comp.values.size(); ++i)
            Put32(p + l.companionAt + 4 * i, comp.values[i], layout.bigEndian);
        p[l.companionAt + 12] = uint8_t(comp.byteValue);
    }
    if (l.extensionAt >= 0)
        std::memcpy(p + l.extensionAt, ext.data(), ext.size());
}

void DecodeEpg(const uint8_t* p, const ImageLayout& layout, EpgReserve& epg)
{
    const EpgLayout& l = layout.epg;
    In in{p, layout.bigEndian};
    epg.epgKind = in.U8(l.epgKind);
    epg.epgRadio = in.U8(l.epgRadio);
    epg.epgSvcIdx = in.U16(l.epgSvcIdx);
    epg.epgWord = in.U16(l.epgWord);
    epg.epgLong = in(l.epgLong);
}

void EncodeEpg(uint8_t* p, const ImageLayout& layout, const EpgReserve& epg)
{
    const EpgLayout& l = layout.epg;
    std::memset(p, 0, l.size);
    Out out{p, layout.bigEndian};
    out(l.epgKind, epg.epgKind);
    out(l.epgRadio, epg.epgRadio);
    out(l.epgSvcIdx, epg.epgSvcIdx);
    out(l.epgWord, epg.epgWord);
    out(l.epgLong, epg.epgLong);
}

uint16_t StoredEtcCrc(const uint8_t* eeprom) { return GetBe16(eeprom); }

uint16_t ComputedEtcCrc(const uint8_t* eeprom, const ImageLayout& layout)
{
    return Crc16(eeprom + layout.etc.crcFrom, layout.etc.crcTo - layout.etc.crcFrom);
}

void DecodeEtc(const uint8_t* eeprom, const ImageLayout& layout, EtcInfo& etc)
{
    const EtcLayout& l = layout.etc;
    In in{eeprom, layout.bigEndian};
    etc.etcWord0 = in.U16(l.etcWord0);
    etc.lastTvSvc = in.U16(l.lastTvSvc);
    etc.lastRadioSvc = in.U16(l.lastRadioSvc);
    etc.altTvSvc = in.U16(l.altTvSvc);
    etc.altRadioSvc = in.U16(l.altRadioSvc);
    etc.etcByte10 = in.U8(l.etcByte10);
    etc.etcBits11 = in.U8(l.etcBits11);
    etc.etcBits12 = in.U8(l.etcBits12);
    etc.etcBits13 = in.U8(l.etcBits13) & ~l.unstoredBitMask;
    etc.etcByte14 = in.U8(l.etcByte14);
    etc.etcByte15 = in.U8(l.etcByte15);
    etc.curFavGroup = in.U8(l.curFavGroup);
    etc.etcBits17 = in.U8(l.etcBits17);
    etc.etcByte18 = in.U8(l.etcByte18);
    etc.etcBits19 = in.U8(l.etcBits19) & ~l.unstoredBitMask;
    etc.etcByte20 = in.U8(l.etcByte20);
    etc.etcByte21 = in.U8(l.etcByte21);
    etc.replaceIdx = in.U16(l.replaceIdx);
    etc.etcByte24 = in.U8(l.etcByte24);
    std::memcpy(etc.etcTail.data(), eeprom + l.etcTailAt, etc.etcTail.size());
    etc.etcNibble = in.U8(l.etcNibble) & 0x0F;
}

uint16_t EncodeEtc(uint8_t* eeprom, const ImageLayout& layout, const EtcInfo& etc)
{
    const EtcLayout& l = layout.etc;
    Out out{eeprom, layout.bigEndian};
    out(l.etcWord0, etc.etcWord0);
    out(l.lastTvSvc, etc.lastTvSvc);
    out(l.lastRadioSvc, etc.lastRadioSvc);
    out(l.altTvSvc, etc.altTvSvc);
    out(l.altRadioSvc, etc.altRadioSvc);
    out(l.etcByte10, etc.etcByte10);
    out(l.etcBits11, etc.etcBits11);
    out(l.etcBits12, etc.etcBits12);
    out(l.etcBits13, etc.etcBits13 & ~l.unstoredBitMask);
    out(l.etcByte14, etc.etcByte14);
    out(l.etcByte15, etc.etcByte15);
    out(l.curFavGroup, etc.curFavGroup);
    out(l.etcBits17, etc.etcBits17);
    out(l.etcByte18, etc.etcByte18);
    out(l.etcBits19, etc.etcBits19 & ~l.unstoredBitMask);
    out(l.etcByte20, etc.etcByte20);
    out(l.etcByte21, etc.etcByte21);
    out(l.replaceIdx, etc.replaceIdx);
    out(l.etcByte24, etc.etcByte24);
    std::memcpy(eeprom + l.etcTailAt, etc.etcTail.data(), etc.etcTail.size());
    out(l.etcNibble, etc.etcNibble & 0x0Fu);
    uint16_t crc = ComputedEtcCrc(eeprom, layout);
    PutBe16(eeprom, crc);
    return crc;
}
