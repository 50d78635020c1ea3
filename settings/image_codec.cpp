#include "settings/image_codec.h"

#include "settings/checksum.h"
#include "settings/image_layout.h"
#include "common/prompter.h"
#include "settings/record_codec.h"
#include "settings/service_purge.h"
#include "common/trace.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

namespace {
using S = SectionId;

const ImageLayout& LayoutOf(const COrvanel1Doc& doc) { return LayoutFor(doc.m_ModelId, LayoutVersionOf(doc)); }

bool AreaHolds(const COrvanel1Doc& doc, const SectionAt& section)
{
    return !section.Present() || size_t(section.frame) + kSectionFrameSize + section.length <= doc.m_SettingsArea.size();
}

bool BuffersHold(const COrvanel1Doc& doc, const ImageLayout& layout)
{
    if (doc.m_Eeprom.size() < kEepromSize)
        return false;
    return std::all_of(layout.sections.begin(), layout.sections.end(),
                       [&](const SectionAt& s) { return AreaHolds(doc, s); });
}

uint8_t* FrameOf(COrvanel1Doc& doc, const SectionAt& section) { return doc.m_SettingsArea.data() + section.frame; }

// A printable copy of a fixed-size text that need not end in NUL.
template <size_t N>
std::string Text(const std::array<char, N>& text)
{
    return std::string(text.data(), strnlen(text.data(), N));
}

const char* CrcFailText(SectionId id)
{
    switch (id) {
    case S::TvSvc: return "*** Tv SVC CRC Fail Ori_CRC(%04X) != Cal_CRC(%04X)";
    case S::RadioSvc: return "*** Radio SVC CRC Fail Ori_CRC(%04X) != Cal_CRC(%04X)";
    case S::TpData: return "*** TP CRC Fail Ori_CRC(%04X) != Cal_CRC(%04X)";
    case S::SatInfo: return "*** SAT CRC Fail Ori_CRC(%04X) != Cal_CRC(%04X)";
    case S::FavCh: return "*** Fav CRC Fail Ori_CRC(%04X) != Cal_CRC(%04X)";
    case S::Game: return "*** Game CRC Fail Ori_CRC(%04X) != Cal_CRC(%04X)";
    case S::Time: return "*** Time CRC Fail Ori_CRC(%04X) != Cal_CRC(%04X)";
    case S::Timer: return "*** Timer CRC Fail Ori_CRC(%04X) != Cal_CRC(%04X)";
    case S::SvcName: return "*** Service Name CRC Fail Ori_CRC(%04X) != Cal_CRC(%04X)";
    default: return "*** CRC Fail Ori_CRC(%04X) != Cal_CRC(%04X)";
    }
}

// ---- Section decoders: data points at the section's data, the layout says the rest.

void DecodeTvSection(COrvanel1Doc& doc, const ImageLayout& l, const uint8_t* data)
{
    Trace("TvSvc Size : %d", int(l.svc.size));
    for (uint32_t i = 0; i < kMaxTvSvc; ++i)
        DecodeSvc(data + i * l.svc.size, l, doc.m_TvSvc[i]);
}

void DecodeRadioSection(COrvanel1Doc& doc, const ImageLayout& l, const uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxRadioSvc; ++i)
        DecodeSvc(data + i * l.svc.size, l, doc.m_RadioSvc[i]);
}

void DecodeSatSection(COrvanel1Doc& doc, const ImageLayout& l, const uint8_t* data)
{
    uint32_t named = 0;
    for (uint32_t i = 0; i < kMaxSat; ++i) {
        SatInfo& sat = doc.m_SatInfo[i];
        if (i >= l.satCapacity) {
            sat = SatInfo{};
            doc.m_SatExt[i] = {};
            continue;
        }
        Trace("============== pos : %d start ", int(i));
        DecodeSat(data + i * l.sat.size, l, sat, doc.m_SatExt[i]);
        named += sat.name[0] != 0;
        Trace("============== pos : %d end ", int(i));
    }
    doc.m_SatCnt = l.satCountLessOne && named > 0 ? named - 1 : named;
}

// The image holds STB addresses 16 bytes apart; an index past the table means "none".
void IndexSatFirstTps(COrvanel1Doc& doc, const ImageLayout& l, uint32_t base)
{
    doc.m_SatFirstTpBase = base;
    for (uint32_t i = 0; i < l.satCapacity; ++i)
        doc.m_SatInfo[i].firstTp = std::min((doc.m_SatInfo[i].firstTp - base) / 16, kMaxTp);
}

void DecodeTpSection(COrvanel1Doc& doc, const ImageLayout& l, const uint8_t* data)
{
    uint32_t count = Get32(data, l.bigEndian);
    Trace("************** Tp Num : %ld *************", long(count));
    doc.m_TpCnt = std::min(count, kMaxTp);
    for (uint32_t i = 0; i < kMaxTp; ++i)
        DecodeTp(data + 4 + i * l.tp.size, l, doc.m_TpData[i], doc.m_TpS2[i], doc.m_TpExt[i]);
}

void DecodeFavSection(COrvanel1Doc& doc, const ImageLayout& l, const uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxFavGroup; ++i) {
        FavCh& fav = doc.m_FavCh[i];
        DecodeFav(data + i * l.fav.size, l, fav);
        Trace("FavCh(%d)th :: favName(%s) chNum[0](%d) chNum[1](%d) svcType[0](%d) svcType[1](%d) numOfFavCh(%d)",
              int(i), Text(fav.favName).c_str(), fav.chNum[0], fav.chNum[1], fav.svcType[0], fav.svcType[1],
              fav.numOfFavCh);
    }
}

void DecodeTimerSection(COrvanel1Doc& doc, const ImageLayout& l, const uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxTimer; ++i)
        DecodeTimer(data + i * l.timer.size, l, doc.m_Timer[i], doc.m_TimerComp[i], doc.m_TimerExt[i]);
}

void DecodeEpgSection(COrvanel1Doc& doc, const ImageLayout& l, const uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxEpgReserve; ++i)
        DecodeEpg(data + i * l.epg.size, l, doc.m_EpgReserve[i]);
}

void DecodeNameSection(COrvanel1Doc& doc, const ImageLayout&, const uint8_t* data)
{
    std::memcpy(doc.m_SvcName.data(), data, kSvcNamePoolSize);
}

void DecodeProviderSection(COrvanel1Doc& doc, const ImageLayout&, const uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxProvider; ++i) {
        auto& provider = doc.m_Provider[i];
        std::memcpy(provider.data(), data + i * kProviderNameSize, kProviderNameSize);
        if (provider[0] != 0)
            Trace("(%d)th Provider: %s", int(i), Text(provider).c_str());
    }
}

struct DecodeStep {
    SectionId id;
    void (*decode)(COrvanel1Doc&, const ImageLayout&, const uint8_t*);
};
constexpr DecodeStep kDecodeSteps[] = {
    {S::TvSvc, DecodeTvSection},   {S::RadioSvc, DecodeRadioSection}, {S::SatInfo, DecodeSatSection},
    {S::TpData, DecodeTpSection},  {S::FavCh, DecodeFavSection},      {S::Timer, DecodeTimerSection},
    {S::EpgReserve, DecodeEpgSection}, {S::SvcName, DecodeNameSection}, {S::Provider, DecodeProviderSection},
};

bool VerifiedBefore(const ImageLayout& l, SectionId id)
{
    return std::find(l.verifyOrder.begin(), l.verifyOrder.begin() + l.verifyCount, id) !=
           l.verifyOrder.begin() + l.verifyCount;
}

// Decodes the sections in order; a section whose checksum differs ends the decoding there
// (false). The first-TP addresses count from `firstTpBase`, or else from satellite 0's.
bool DecodeSections(COrvanel1Doc& doc, const ImageLayout& l, SectionChecks checks,
                    std::optional<uint32_t> firstTpBase = std::nullopt)
{
    if (!l.Section(S::EpgReserve).Present())
        doc.m_EpgReserve = {};
    for (const DecodeStep& step : kDecodeSteps) {
        const SectionAt& section = l.Section(step.id);
        if (!section.Present())
            continue;
        const uint8_t* frame = FrameOf(doc, section);
        const bool checked = checks == SectionChecks::LeftAfterVerify && VerifiedBefore(l, step.id);
        if (!checked && !VerifySectionFrame(frame, section.length))
            return false;
        step.decode(doc, l, frame + kSectionFrameSize);
        if (step.id == S::SatInfo)
            IndexSatFirstTps(doc, l, firstTpBase.value_or(doc.m_SatInfo[0].firstTp));
    }
    DecodeFlashHeader(doc);
    const uint8_t* eeprom = doc.m_Eeprom.data();
    uint16_t stored = StoredEtcCrc(eeprom);
    uint16_t computed = ComputedEtcCrc(eeprom, l);
    Trace("crcEtc %X==%X CRC)", stored, computed);
    if (stored != computed)
        return false;
    DecodeEtc(eeprom, l, doc.m_EtcInfo);
    Trace("Etc Info Size : %d", int(l.etc.recordBytes));
    return true;
}

// ---- Post-decode steps

// The TPs of satellite s start after those of every satellite before it; groups that
// reach past the TP count are cut so that no service can point past it.
void ClampTpGroups(COrvanel1Doc& doc)
{
    uint32_t total = 0;
    for (SatInfo& sat : doc.m_SatInfo) {
        sat.tpNum = uint16_t(std::min<uint32_t>(sat.tpNum, doc.m_TpCnt - total));
        total += sat.tpNum;
    }
}

void EnsureFavGroups(COrvanel1Doc& doc)
{
    doc.m_FavCnt = uint32_t(std::count_if(doc.m_FavCh.begin(), doc.m_FavCh.end(),
                                          [](const FavCh& f) { return f.favName[0] != 0; }));
    if (doc.m_FavCnt != 0)
        return;
    doc.m_FavCh = {};
    const char* names[] = {"News", "Sports", "Movie", "Music"};
    for (uint32_t i = 0; i < 4; ++i)
        std::strncpy(doc.m_FavCh[i].favName.data(), names[i], kFavNameSize);
    doc.m_FavCnt = 4;
}

bool SvcCommonValid(const COrvanel1Doc& doc, const SvcRecord& s)
{
    return s.satIdx < doc.m_SatCnt && s.tpIdx < 255 && s.tpIdx < doc.m_SatInfo[s.satIdx].tpNum && s.pmtPid != 0 &&
           s.tunerNum != 0 && s.nameOffset < kSvcNamePoolSize;
}

void MarkInvalid(SvcRecord& s)
{
    s.deleteMark = 1;
    s.scrambled = 0;
    s.lock = 0;
    s.skip = 0;
}

void CheckSvcCnt(COrvanel1Doc& doc)
{
    uint32_t tvCnt = 0;
    for (uint32_t i = 0; i < kCheckedTvSlots; ++i) {
        SvcRecord& s = doc.m_TvSvc[i];
        if (!SvcCommonValid(doc, s) || s.videoPid < 1 || s.videoPid > 0x2000) {
            MarkInvalid(s);
            continue;
        }
        tvCnt = i + 1;
        Trace("CheckSvcCnt (%d)th m_iTvSvc(%d):: satIdx(%d) res1(%d) tpIdx(%d) tunerNum(%d) skip(%d) svcId(%d) "
              "pmtPid(%d) pcrPid(%d) videoPid(%d) audioPid(%d) renameFlag(%d) reserved(%d) soundMode(%d)  nvodIdx(%d) "
              "nameOffset(%ld) providerIdx(%d)",
              int(i), int(tvCnt), s.satIdx, s.res1, s.tpIdx, s.tunerNum, s.skip, s.svcId, s.pmtPid, s.pcrPid,
              s.videoPid, s.audioPid, s.renameFlag, s.reserved, s.soundMode, s.nvodIdx, long(s.nameOffset),
              s.providerIdx);
    }
    uint32_t radioCnt = 0;
    for (uint32_t i = 0; i < kMaxRadioSvc; ++i) {
        SvcRecord& s = doc.m_RadioSvc[i];
        if (!SvcCommonValid(doc, s) || s.audioPid < 1 || s.audioPid > 0x1FFF)
            MarkInvalid(s);
        else
            radioCnt = i + 1;
    }
    doc.m_TvSvcCnt = tvCnt;
    doc.m_RadioSvcCnt = radioCnt;
    Trace("TvSvc Cnt %d RadioSvc Cnt %d", int(tvCnt), int(radioCnt));
}

// The STB parks a service it is replacing in the last TV slot; some models keep it there.
void ApplyScratchService(COrvanel1Doc& doc)
{
    uint16_t& replaceIdx = doc.m_EtcInfo.replaceIdx;
    if (replaceIdx == 0xFFFF || !settings::TraitsOfModel(doc.m_ModelId).copiesScratchService)
        return;
    if (replaceIdx < kLastTvSlot) {
        SvcRecord& target = doc.m_TvSvc[replaceIdx];
        uint32_t ownName = target.nameOffset;
        target = doc.m_TvSvc[kLastTvSlot];
        target.nameOffset = ownName;
    }
    replaceIdx = 0xFFFF;
}

void LinkSatFirstTps(COrvanel1Doc& doc, const ImageLayout& l)
{
    uint32_t previous = 0;
    for (uint32_t i = 0; i < doc.m_TpCnt; ++i) {
        uint32_t sat = doc.m_TpData[i].satIdx;
        if ((i == 0 || sat != previous) && sat < l.satCapacity)
            doc.m_SatInfo[sat].firstTp = i;
        previous = sat;
    }
}

void RunPostDecodeSteps(COrvanel1Doc& doc, const ImageLayout& l)
{
    ClampTpGroups(doc);
    EnsureFavGroups(doc);
    CheckSvcCnt(doc);
    ApplyScratchService(doc);
    Appl_RecomputeSvcNamePos(doc);
    LinkSatFirstTps(doc, l);
    Appl_PurgeMarkedSvc(doc);
    Appl_DropDanglingSvcRefs(doc);
    Appl_RecomputeSvcNamePos(doc);
}

// ---- Section encoders: data points at the section's data in the image.

void EncodeTvSection(COrvanel1Doc& doc, const ImageLayout& l, uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxTvSvc; ++i)
        EncodeSvc(data + i * l.svc.size, l, doc.m_TvSvc[i]);
    Trace("InverseParsingTvSvc size(i=%d)==(%d)", int(kMaxTvSvc), int(kMaxTvSvc * l.svc.size));
}

void EncodeRadioSection(COrvanel1Doc& doc, const ImageLayout& l, uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxRadioSvc; ++i)
        EncodeSvc(data + i * l.svc.size, l, doc.m_RadioSvc[i]);
}

void EncodeSatSection(COrvanel1Doc& doc, const ImageLayout& l, uint8_t* data)
{
    for (uint32_t i = 0; i < l.satCapacity; ++i) {
        const SatInfo& sat = doc.m_SatInfo[i];
        EncodeSat(data + i * l.sat.size, l, sat, doc.m_SatExt[i], doc.m_SatFirstTpBase + 16 * sat.firstTp);
    }
}

void EncodeTpSection(COrvanel1Doc& doc, const ImageLayout& l, uint8_t* data)
{
    Put32(data, doc.m_TpCnt, l.bigEndian);
    for (uint32_t i = 0; i < kMaxTp; ++i)
        EncodeTp(data + 4 + i * l.tp.size, l, doc.m_TpData[i], doc.m_TpS2[i], doc.m_TpExt[i]);
}

void EncodeFavSection(COrvanel1Doc& doc, const ImageLayout& l, uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxFavGroup; ++i)
        EncodeFav(data + i * l.fav.size, l, doc.m_FavCh[i]);
}

void EncodeTimerSection(COrvanel1Doc& doc, const ImageLayout& l, uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxTimer; ++i)
        EncodeTimer(data + i * l.timer.size, l, doc.m_Timer[i], doc.m_TimerComp[i], doc.m_TimerExt[i]);
}

void EncodeEpgSection(COrvanel1Doc& doc, const ImageLayout& l, uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxEpgReserve; ++i)
        EncodeEpg(data + i * l.epg.size, l, doc.m_EpgReserve[i]);
}

void EncodeNameSection(COrvanel1Doc& doc, const ImageLayout&, uint8_t* data)
{
    std::memcpy(data, doc.m_SvcName.data(), kSvcNamePoolSize);
}

void EncodeProviderSection(COrvanel1Doc& doc, const ImageLayout&, uint8_t* data)
{
    for (uint32_t i = 0; i < kMaxProvider; ++i) {
        const auto& provider = doc.m_Provider[i];
        std::memcpy(data + i * kProviderNameSize, provider.data(), kProviderNameSize);
        if (provider[0] != 0)
            Trace("Inverse (%d)th Provider: %s", int(i), Text(provider).c_str());
    }
}

struct EncodeStep {
    SectionId id;
    void (*encode)(COrvanel1Doc&, const ImageLayout&, uint8_t*);
    const char* traceName;
    const char* failText;
};
constexpr EncodeStep kEncodeSteps[] = {
    {S::TvSvc, EncodeTvSection, "InverseParsingTvSvc", "Tv Svc Inverse Parsing Error"},
    {S::RadioSvc, EncodeRadioSection, "InverseParsingRadioSvc", "Radio Svc Inverse Parsing Error"},
    {S::SatInfo, EncodeSatSection, "InverseParsingSatInfo", "Sat Information Inverse Parsing Error"},
    {S::TpData, EncodeTpSection, "InverseParsingTpData", "Sat Information Inverse Parsing Error"},
    {S::FavCh, EncodeFavSection, "InverseParsingFavCh", "FavCh Information Inverse Parsing Error"},
    {S::Timer, EncodeTimerSection, "InverseParsingTimer", "FavCh Information Inverse Parsing Error"},
    {S::EpgReserve, EncodeEpgSection, "InverseParsingEpgReserve", "FavCh Information Inverse Parsing Error"},
    {S::SvcName, EncodeNameSection, "InverseParsingSvcName", "SvcName Information Inverse Parsing Error"},
    {S::Provider, EncodeProviderSection, "InverseParsingProvider", "Provider Information Inverse Parsing Error"},
};

void Notice(COrvanel1Doc& doc, const char* text)
{
    if (doc.m_pPrompter)
        doc.m_pPrompter->Notify(text, "Notice", PromptIcon::Information);
}

// A step fails when the buffer it writes into cannot hold it (a caller resized it).
bool EncodeSections(COrvanel1Doc& doc, const ImageLayout& l)
{
    for (const EncodeStep& step : kEncodeSteps) {
        const SectionAt& section = l.Section(step.id);
        if (!section.Present())
            continue;
        if (!AreaHolds(doc, section)) {
            Notice(doc, step.failText);
            return false;
        }
        uint8_t* frame = FrameOf(doc, section);
        step.encode(doc, l, frame + kSectionFrameSize);
        Trace("%s() Success : %08X", step.traceName, unsigned(WriteSectionFrame(frame, section.length)));
    }
    if (doc.m_Eeprom.size() < kEepromSize) {
        Notice(doc, "Eeprom Inverse Parsing Error");
        return false;
    }
    EncodeEtc(doc.m_Eeprom.data(), l, doc.m_EtcInfo);
    return true;
}

void RefreshSnapshot(COrvanel1Doc& doc)
{
    doc.m_Snapshot.assign(kSnapshotSize, 0);
    std::copy_n(doc.m_SettingsArea.begin(), std::min<size_t>(doc.m_SettingsArea.size(), kSettingsAreaSize),
                doc.m_Snapshot.begin());
    std::copy_n(doc.m_Eeprom.begin(), kEepromSize, doc.m_Snapshot.begin() + kSettingsAreaSize);
}
}

bool VerifySections(COrvanel1Doc& doc)
{
    const ImageLayout& l = LayoutOf(doc);
    if (!BuffersHold(doc, l))
        return false;
    bool ok = true;
    for (uint32_t i = 0; i < l.verifyCount; ++i) {
        SectionId id = l.verifyOrder[i];
        const SectionAt& section = l.Section(id);
        if (id == S::SatInfo)
            Trace("SatData Start : %08X Size_SatData : %ld", unsigned(section.frame + kSectionFrameSize),
                  long(section.length));
        const uint8_t* frame = FrameOf(doc, section);
        uint16_t stored = SectionStoredCrc(frame);
        uint16_t computed = SectionDataCrc(frame, section.length);
        if (stored != computed) {
            Trace(CrcFailText(id), stored, computed);
            ok = false;
        }
    }
    return ok;
}

bool ParseImage(COrvanel1Doc& doc, SectionChecks checks)
{
    const ImageLayout& l = LayoutOf(doc);
    if (!BuffersHold(doc, l))
        return false;
    DecodeSections(doc, l, checks);
    RunPostDecodeSteps(doc, l);
    doc.m_Revision.Bump(DocTables::All());
    return true;
}

bool VerifyAndParseImage(COrvanel1Doc& doc)
{
    return VerifySections(doc) && ParseImage(doc, SectionChecks::LeftAfterVerify);
}

ImageCounts CountsOf(const COrvanel1Doc& doc)
{
    return {doc.m_TvSvcCnt, doc.m_RadioSvcCnt, doc.m_SatCnt, doc.m_FavCnt, doc.m_SvcNamePos, doc.m_SatFirstTpBase};
}

bool ParseOwnImage(COrvanel1Doc& doc, const ImageCounts& counts)
{
    const ImageLayout& l = LayoutOf(doc);
    if (!BuffersHold(doc, l) || !DecodeSections(doc, l, SectionChecks::All, counts.satFirstTpBase))
        return false;
    doc.m_TvSvcCnt = counts.tvSvc;
    doc.m_RadioSvcCnt = counts.radioSvc;
    doc.m_SatCnt = counts.sat;
    doc.m_FavCnt = counts.fav;
    doc.m_SvcNamePos = counts.svcNamePos;
    doc.m_Revision.Bump(DocTables::All());
    return true;
}

bool InverseParseImage(COrvanel1Doc& doc)
{
    const ImageLayout& l = LayoutOf(doc);
    if (!EncodeSections(doc, l))
        return false;
    RefreshSnapshot(doc);
    return true;
}

void DecodeFlashHeader(COrvanel1Doc& doc)
{
    const settings::PackedImageTraits& traits = settings::PackedTraitsOfModel(doc.m_ModelId);
    const uint8_t* h = doc.m_HeaderCopy.data();
    FlashHeader& header = doc.m_FlashHeader;
    header = FlashHeader{};
    header.hdrWord0 = Get16(h, traits.bigEndian);
    header.hdrByte2 = h[2];
    header.headerSum = h[3];
    header.hdrByte4 = h[4];
    header.systemId = Get16(h + 5, traits.bigEndian);
    header.modelId = h[7];
    std::copy_n(h + 8, header.hdrBytes8.size(), header.hdrBytes8.begin());
    header.layoutVersion = h[12];
    std::copy(h + 13, h + traits.headerLength, header.hdrTail.begin());
}

void SetImageIdentity(COrvanel1Doc& doc, uint8_t modelId, uint8_t layoutVersion)
{
    doc.m_ModelId = modelId;
    doc.m_HeaderCopy[7] = modelId;
    doc.m_HeaderCopy[12] = layoutVersion;
    doc.m_FlashHeader.modelId = modelId;
    doc.m_FlashHeader.layoutVersion = layoutVersion;
}
