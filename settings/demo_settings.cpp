#include "settings/demo_settings.h"

#include "settings/checksum.h"
#include "settings/image_codec.h"
#include "settings/service_purge.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <cstring>
#include <string>

using settings::Variant;

namespace {

struct DemoSatellite {
    const char* name;
    uint8_t diseqc10;   // 1..4 "1 of 4".."4 of 4"
    uint32_t tpCount;
};

constexpr DemoSatellite kSatellites[] = {
    {"Astra 19.2E", 1, 14}, {"Hotbird 13E", 2, 12}, {"Astra 28.2E", 3, 10},
    {"Eutelsat 5W", 4, 6},  {"Turksat 42E", 1, 8},  {"Thor 1W", 2, 6},
};

constexpr const char* kProviders[] = {"ARD", "ZDF", "ORF", "BBC", "Sky", "RAI", "Canal+", "TRT", "Viasat", "SES"};

constexpr const char* kTvNames[] = {
    "Das Erste", "ZDF", "3sat", "arte", "ORF 1", "ORF 2", "BBC One", "BBC Two", "Sky News", "Sky Sport",
    "Rai 1", "Rai 2", "Rai 3", "Canal+ Cinema", "Canal+ Sport", "TRT 1", "TRT Haber", "Viasat Explore",
    "Euronews", "Eurosport", "KiKA", "Phoenix", "tagesschau24", "One", "ZDFneo", "ZDFinfo", "BR Fernsehen",
    "hr-fernsehen", "WDR", "NDR", "SWR", "MDR", "rbb", "Arirang", "France 24", "DW", "CNN Int.", "Al Jazeera",
};

constexpr const char* kRadioNames[] = {
    "Bayern 3", "hr3", "SWR3", "1LIVE", "NDR 2", "Antenne", "OE3", "FM4", "BBC Radio 1", "BBC Radio 2",
    "Radio Rai 1", "TRT FM", "Klassik", "Jazz FM", "Deutschlandfunk", "DLF Kultur", "WDR 2", "MDR Jump",
};

template <size_t N>
void SetText(std::array<char, N>& to, const std::string& text)
{
    to = {};
    std::memcpy(to.data(), text.data(), std::min(text.size(), N - 1));
}

LnbBlock UniversalLnb(uint8_t diseqc10)
{
    LnbBlock lnb;
    lnb.lnbPower = 1;
    lnb.diseqc10 = diseqc10;
    lnb.dualLo = 1;
    lnb.loFreq = 9750;
    lnb.loFreq2 = 10600;
    lnb.positionIdx = lnb.positionIdxB = 127;
    return lnb;
}

uint32_t SatelliteCount(Variant variant) { return variant == Variant::ST ? 5 : std::size(kSatellites); }

void FillSatellitesAndTps(COrvanel1Doc& doc, Variant variant, bool extendedLayout)
{
    uint32_t tp = 0;
    for (uint32_t s = 0; s < SatelliteCount(variant); ++s) {
        const DemoSatellite& demo = kSatellites[s];
        SatInfo& sat = doc.m_SatInfo[s];
        SetText(sat.name, demo.name);
        sat.tpNum = uint16_t(demo.tpCount);
        sat.firstTp = tp;
        sat.satIndexByte = uint8_t(s);
        sat.lnb[0] = UniversalLnb(demo.diseqc10);
        sat.lnb[1] = sat.lnb[0];
        sat.lnb[1].tunerMode = 1;   // tuner 2 loops through tuner 1
        for (uint32_t i = 0; i < demo.tpCount; ++i, ++tp) {
            TpData& t = doc.m_TpData[tp];
            t.satIdx = uint8_t(s);
            t.polar = uint8_t(i & 1);
            t.freq = 10714 + (i * 1979 + s * 97) % 2000;
            t.sr = (i % 3 == 0) ? 22000 : (i % 3 == 1 ? 27500 : 29900);
            if (variant == Variant::ST71xx && i % 4 == 3)
                doc.m_TpS2[tp] = DvbS2Params{1, 2, 5, 1, 0};
        }
    }
    doc.m_SatCnt = SatelliteCount(variant);
    doc.m_TpCnt = tp;
    // The extended layout counts one named satellite fewer than it holds.
    if (extendedLayout)
        SetText(doc.m_SatInfo[doc.m_SatCnt].name, "Reserved");
    doc.m_SatFirstTpBase = 0x80A2C000;
}

void FillServices(COrvanel1Doc& doc, SvcKind kind, uint32_t count)
{
    SvcRecord* table = SvcTable(doc, kind);
    const uint32_t baseNames = kind == kTvKind ? std::size(kTvNames) : std::size(kRadioNames);
    for (uint32_t slot = 0; slot < count; ++slot) {
        SvcRecord& svc = table[slot];
        const uint32_t sat = slot % doc.m_SatCnt;
        svc.satIdx = uint8_t(sat);
        svc.tpIdx = uint16_t(slot / doc.m_SatCnt % doc.m_SatInfo[sat].tpNum);
        svc.tunerNum = 3;
        svc.svcId = uint16_t(1000 + slot);
        svc.pmtPid = uint16_t(0x100 + slot % 0x1E00);
        svc.videoPid = kind == kTvKind ? uint16_t(0x200 + slot % 0x1E00) : 0;
        svc.pcrPid = kind == kTvKind ? svc.videoPid : uint16_t(0x300 + slot % 0x1C00);
        svc.audioPid = uint16_t(0x280 + slot % 0x1D00);
        svc.providerIdx = uint16_t(slot % std::size(kProviders));
        svc.scrambled = svc.providerIdx == 4 || svc.providerIdx == 6;
        std::string name = kind == kTvKind ? kTvNames[slot % baseNames] : kRadioNames[slot % baseNames];
        if (slot >= baseNames)
            name.append(" ").append(std::to_string(slot / baseNames + 1));
        svc.nameOffset = Appl_AddSvcName(doc, name);
    }
    SvcCount(doc, kind) = count;
}

void FillFavourites(COrvanel1Doc& doc)
{
    const char* names[] = {"News", "Sports", "Movie", "Music"};
    for (uint32_t g = 0; g < std::size(names); ++g) {
        FavCh& fav = doc.m_FavCh[g];
        SetText(fav.favName, names[g]);
        const bool radio = g == 3;
        for (uint32_t m = 0; m < 8; ++m) {
            fav.chNum[m] = uint16_t(g + m * 7);
            fav.svcType[m] = radio ? kRadioKind : kTvKind;
        }
        fav.numOfFavCh = 8;
    }
    doc.m_FavCnt = std::size(names);
}

void FillTimerAndEpg(COrvanel1Doc& doc, Variant variant)
{
    settings::Timer& timer = doc.m_Timer[0];
    timer.timerKind = kTimerKindService;
    timer.timerSvcIdx = 6;
    timer.timerLong8 = 0xE4A21300;   // start
    timer.timerLong12 = 3600;        // duration in seconds
    if (variant != Variant::ST71xx)
        SetText(timer.timerName, "BBC One evening news");
    const SvcRecord& svc = doc.m_TvSvc[timer.timerSvcIdx];
    timer.timerTp = doc.m_TpData[doc.m_SatInfo[svc.satIdx].firstTp + svc.tpIdx];
    if (variant == Variant::ST71xx)
        return;   // no EPG reservations on this model
    EpgReserve& epg = doc.m_EpgReserve[0];
    epg.epgKind = 1;
    epg.epgSvcIdx = 9;
    epg.epgLong = 0xE4A23F00;
}

void FillEtcInfo(COrvanel1Doc& doc)
{
    EtcInfo& etc = doc.m_EtcInfo;
    etc = EtcInfo{};
    etc.altTvSvc = 0xFFFF;
    etc.altRadioSvc = 0xFFFF;
    etc.curFavGroup = 0;
    etc.replaceIdx = 0xFFFF;
}

}  // namespace

void PrepareBlankFlashImage(COrvanel1Doc& doc, uint16_t systemId, uint8_t modelId, uint8_t layoutVersion)
{
    const settings::PackedImageTraits& traits = settings::PackedTraitsOfModel(modelId);
    doc.m_PackedFlash.assign(kPackedFlashSize, 0xFF);
    uint8_t* header = doc.m_PackedFlash.data();
    std::fill_n(header, traits.headerLength, 0);
    Put16(header + 5, systemId, traits.bigEndian);
    header[7] = modelId;
    header[12] = layoutVersion;
    header[3] = HeaderSum(header, traits.headerLength);
    Put16(header + traits.blockCountAt, 48, traits.bigEndian);

    doc.m_HeaderCopy.fill(0);
    std::copy_n(header, traits.headerLength, doc.m_HeaderCopy.begin());
    // An unpacksize other than 0x2000 makes PackFlash compress and place every block anew.
    doc.m_FlashDir = {};
    doc.m_ExpectedSystemId = systemId;
    SetImageIdentity(doc, modelId, layoutVersion);
    DecodeFlashHeader(doc);
}

void BuildDemoSettings(COrvanel1Doc& doc, const DemoOptions& options)
{
    const Variant variant = settings::VariantOfModel(options.modelId);
    doc.ClearSettings();
    doc.m_TvSvc = {};
    doc.m_RadioSvc = {};
    doc.m_SatInfo = {};
    doc.m_TpData = {};
    doc.m_TpS2 = {};
    doc.m_FavCh = {};
    doc.m_Timer = {};
    doc.m_EpgReserve = {};
    doc.m_SvcName = {};
    doc.m_SvcNamePos = 0;
    std::fill(doc.m_Eeprom.begin(), doc.m_Eeprom.begin() + kEepromSize, 0xFF);
    PrepareBlankFlashImage(doc, options.systemId, options.modelId, options.layoutVersion);

    FillSatellitesAndTps(doc, variant,
                         variant == Variant::Default && options.layoutVersion == kExtendedLayoutVersion);
    FillServices(doc, kTvKind, std::min(options.tvServices, kCheckedTvSlots));
    FillServices(doc, kRadioKind, std::min(options.radioServices, kMaxRadioSvc));
    for (uint32_t p = 0; p < std::size(kProviders); ++p)
        SetText(doc.m_Provider[p], kProviders[p]);
    FillFavourites(doc);
    FillTimerAndEpg(doc, variant);
    FillEtcInfo(doc);
    doc.m_bLoaded = true;
    doc.m_Revision.Bump(DocTables::All());
}
