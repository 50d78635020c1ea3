#include "editing/testing/random_document.h"

#include "settings/service_purge.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

const char* const kWords[] = {"BBC", "One", "Two", "News", "Sport", "Movie", "Cinema", "Kids", "Music", "Discovery",
                              "World", "HD", "24", "Channel", "Arte", "TV5", "Rai", "Uno", "Euro", "sport",
                              "CNN", "Info", "Plus", "Family", "Docu", "Nature", "Action", "Comedy", "Radio", "FM"};
const char* const kSatNames[] = {"Astra 19.2E", "Hotbird 13E", "Astra 28.2E", "Eutelsat 5W", "Turksat 42E",
                                 "Thor 0.8W",   "Amos 4W",     "Hispasat 30W", "Badr 26E",   "Nilesat 7W"};
const char* const kProviders[] = {"ARD", "ZDF", "BSkyB", "Canal+", "RAI", "", "ORF", "SRG", "TVP", "Digiturk"};
const char* const kGroups[] = {"News", "Sports", "Movie", "Music", "Kids", "Docs", "sports", "Mine", "Film", "HD"};

template <size_t N>
void Put(std::array<char, N>& field, const std::string& text)
{
    field.fill('\0');
    text.copy(field.data(), N - 1);
}

uint32_t Pick(std::mt19937& rng, uint32_t below) { return below == 0 ? 0 : std::uniform_int_distribution<uint32_t>(0, below - 1)(rng); }

std::string RandomName(std::mt19937& rng)
{
    std::string name = kWords[Pick(rng, std::size(kWords))];
    for (uint32_t words = Pick(rng, 3); words > 0; --words)
        name += std::string(" ") + kWords[Pick(rng, std::size(kWords))];
    return name.substr(0, 23);
}

uint32_t AddName(COrvanel1Doc& doc, const std::string& name)
{
    const uint32_t offset = doc.m_SvcNamePos;
    std::memcpy(doc.m_SvcName.data() + offset, name.c_str(), name.size() + 1);
    doc.m_SvcNamePos += static_cast<uint32_t>(name.size()) + 1;
    return offset;
}

void FillSatellites(COrvanel1Doc& doc, std::mt19937& rng, const RandomDocOptions& options)
{
    doc.m_SatCnt = std::min<uint32_t>(options.satCount, 254);
    for (uint32_t s = 0; s < doc.m_SatCnt; ++s) {
        SatInfo& sat = doc.m_SatInfo[s];
        Put(sat.name, s < std::size(kSatNames) ? std::string(kSatNames[s]) : "Sat " + std::to_string(s));
        sat.tpNum = static_cast<uint16_t>(1 + Pick(rng, std::max<uint32_t>(options.maxTpPerSat, 1)));
        sat.satIndexByte = static_cast<uint8_t>(s);
        sat.firstTp = doc.m_TpCnt;
        for (uint32_t t = 0; t < sat.tpNum; ++t) {
            TpData& tp = doc.m_TpData[doc.m_TpCnt++];
            tp.satIdx = static_cast<uint8_t>(s);
            tp.polar = static_cast<uint8_t>(Pick(rng, 2));
            tp.freq = 10700 + Pick(rng, 2050);
            tp.sr = static_cast<uint16_t>(Pick(rng, 4) == 0 ? 2000 + Pick(rng, 2999) : 22000 + Pick(rng, 8000));
        }
    }
}

void FillServices(COrvanel1Doc& doc, std::mt19937& rng, SvcKind kind, uint32_t count, uint32_t& uid)
{
    SvcRecord* table = kind == kTvKind ? doc.m_TvSvc.data() : doc.m_RadioSvc.data();
    (kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt) = count;
    for (uint32_t i = 0; i < count; ++i) {
        SvcRecord& svc = table[i];
        svc.satIdx = static_cast<uint8_t>(Pick(rng, doc.m_SatCnt));
        svc.tpIdx = static_cast<uint16_t>(Pick(rng, doc.m_SatInfo[svc.satIdx].tpNum));
        svc.tunerNum = static_cast<uint8_t>(1 + Pick(rng, 3));
        svc.scrambled = static_cast<uint8_t>(Pick(rng, 3) == 0);
        svc.lock = static_cast<uint8_t>(Pick(rng, 10) == 0);
        svc.svcId = static_cast<uint16_t>(1 + Pick(rng, 60000));
        svc.pmtPid = static_cast<uint16_t>(32 + Pick(rng, 8000));
        svc.pcrPid = static_cast<uint16_t>(32 + Pick(rng, 8000));
        svc.videoPid = kind == kTvKind ? static_cast<uint16_t>(1 + Pick(rng, 0x2000)) : 0;
        svc.audioPid = static_cast<uint16_t>(1 + Pick(rng, 0x1FFE));
        // Now and then the STB's data shares one name between services.
        svc.nameOffset = i > 0 && Pick(rng, 20) == 0 ? table[i - 1].nameOffset : AddName(doc, RandomName(rng));
        svc.providerIdx = Pick(rng, 5) == 0 ? kNoProvider : static_cast<uint16_t>(Pick(rng, std::size(kProviders)));
        SetSvcUid(svc, ++uid);
    }
}

void FillFavourites(COrvanel1Doc& doc, std::mt19937& rng, const RandomDocOptions& options)
{
    doc.m_FavCnt = std::min<uint32_t>(options.favGroups, std::size(kGroups));
    for (uint32_t g = 0; g < doc.m_FavCnt; ++g) {
        FavCh& group = doc.m_FavCh[g];
        Put(group.favName, kGroups[g]);
        const SvcKind kind = Pick(rng, 3) == 0 ? kRadioKind : kTvKind;
        const uint32_t count = kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt;
        std::vector<uint32_t> slots(count);
        std::iota(slots.begin(), slots.end(), 0u);
        std::shuffle(slots.begin(), slots.end(), rng);
        const uint32_t members = std::min<uint32_t>({Pick(rng, options.maxFavMembers + 1), count, kMaxFavMember});
        for (uint32_t m = 0; m < members; ++m) {
            group.chNum[m] = static_cast<uint16_t>(slots[m]);
            group.svcType[m] = kind;
        }
        group.numOfFavCh = static_cast<uint8_t>(members);
    }
    doc.m_EtcInfo.curFavGroup = doc.m_FavCnt > 0 ? static_cast<uint8_t>(Pick(rng, doc.m_FavCnt)) : 0xFF;
}

void FillReferences(COrvanel1Doc& doc, std::mt19937& rng, const RandomDocOptions& options)
{
    for (uint32_t t = 0; t < std::min<uint32_t>(options.timers, kMaxTimer); ++t) {
        settings::Timer& timer = doc.m_Timer[t];
        timer.timerKind = Pick(rng, 4) == 0 ? 1 : kTimerKindService;
        timer.timerSvcRadio = static_cast<uint8_t>(Pick(rng, 3) == 0 && doc.m_RadioSvcCnt > 0);
        timer.timerSvcIdx = static_cast<uint16_t>(Pick(rng, timer.timerSvcRadio ? doc.m_RadioSvcCnt : doc.m_TvSvcCnt));
        Put(timer.timerName, "Timer " + std::to_string(t));
    }
    for (uint32_t e = 0; e < std::min<uint32_t>(options.epgReserves, kMaxEpgReserve); ++e) {
        EpgReserve& epg = doc.m_EpgReserve[e];
        epg.epgKind = static_cast<uint8_t>(1 + Pick(rng, 3));
        epg.epgRadio = static_cast<uint8_t>(Pick(rng, 3) == 0 && doc.m_RadioSvcCnt > 0);
        epg.epgSvcIdx = static_cast<uint16_t>(Pick(rng, epg.epgRadio ? doc.m_RadioSvcCnt : doc.m_TvSvcCnt));
        epg.epgLong = e;
    }
    doc.m_EtcInfo.lastTvSvc = static_cast<uint16_t>(Pick(rng, doc.m_TvSvcCnt));
    doc.m_EtcInfo.lastRadioSvc = static_cast<uint16_t>(Pick(rng, doc.m_RadioSvcCnt));
}

} // namespace

uint32_t SvcUid(const SvcRecord& svc) { return (uint32_t(svc.extra[0]) << 16) | svc.extra[1]; }

void SetSvcUid(SvcRecord& svc, uint32_t uid)
{
    svc.extra[0] = static_cast<uint16_t>(uid >> 16);
    svc.extra[1] = static_cast<uint16_t>(uid);
}

RandomDocOptions FullListOptions(uint32_t radioCount)
{
    RandomDocOptions options;
    options.tvCount = kCheckedTvSlots;
    options.radioCount = radioCount;
    options.satCount = 12;
    options.maxTpPerSat = 40;
    options.favGroups = 10;
    options.maxFavMembers = 100;
    options.timers = 70;
    options.epgReserves = 70;
    return options;
}

std::unique_ptr<COrvanel1Doc> MakeRandomDocument(std::mt19937& rng, const RandomDocOptions& options)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    FillSatellites(*doc, rng, options);
    for (uint32_t p = 0; p < std::size(kProviders); ++p)
        Put(doc->m_Provider[p], kProviders[p]);
    uint32_t uid = 0;
    FillServices(*doc, rng, kTvKind, std::min<uint32_t>(options.tvCount, kCheckedTvSlots), uid);
    FillServices(*doc, rng, kRadioKind, std::min<uint32_t>(options.radioCount, kMaxRadioSvc), uid);
    FillFavourites(*doc, rng, options);
    FillReferences(*doc, rng, options);
    return doc;
}

void RemoveSatServices(COrvanel1Doc& doc, uint32_t sat)
{
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        std::vector<uint32_t> on;
        for (uint32_t i = 0; i < SvcCount(doc, kind); ++i)
            if (SvcTable(doc, kind)[i].satIdx == sat)
                on.push_back(i);
        Appl_MarkSvc(doc, kind, on);
    }
    Appl_PurgeMarkedSvc(doc);
}
