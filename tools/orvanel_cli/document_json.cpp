#include "tools/orvanel_cli/document_json.h"

#include "common/latin1_utf8.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <cstring>

using nlohmann::json;

std::string Latin1ToUtf8(const char* bytes, size_t maxLength)
{
    size_t length = 0;
    while (length < maxLength && bytes[length] != '\0')
        ++length;
    return Latin1ToUtf8(std::string_view(bytes, length));
}

namespace {

template <size_t N>
std::string FixedName(const std::array<char, N>& name) { return Latin1ToUtf8(name.data(), N); }

json LnbToJson(const LnbBlock& lnb)
{
    return {{"lnbPower", lnb.lnbPower}, {"sw12V", lnb.sw12V},       {"diseqc10", lnb.diseqc10},
            {"dualLo", lnb.dualLo},     {"tone22k", lnb.tone22k},   {"loFreq", lnb.loFreq},
            {"loFreq2", lnb.loFreq2},   {"positionIdx", lnb.positionIdx}, {"tunerMode", lnb.tunerMode},
            {"diseqc11", lnb.diseqc11}};
}

json SvcName(const COrvanel1Doc& doc, const SvcRecord& svc)
{
    if (svc.nameOffset >= kSvcNamePoolSize)
        return nullptr;
    const char* pool = reinterpret_cast<const char*>(doc.m_SvcName.data());
    return Latin1ToUtf8(pool + svc.nameOffset, kSvcNamePoolSize - svc.nameOffset);
}

json ServicesToJson(const COrvanel1Doc& doc, const SvcRecord* table, uint32_t count)
{
    json list = json::array();
    for (uint32_t slot = 0; slot < count; ++slot) {
        const SvcRecord& s = table[slot];
        list.push_back({{"slot", slot},         {"name", SvcName(doc, s)}, {"satIdx", s.satIdx},
                        {"tpIdx", s.tpIdx},     {"tunerNum", s.tunerNum},  {"skip", s.skip},
                        {"lock", s.lock},       {"scrambled", s.scrambled}, {"svcId", s.svcId},
                        {"pmtPid", s.pmtPid},   {"pcrPid", s.pcrPid},      {"videoPid", s.videoPid},
                        {"audioPid", s.audioPid}, {"providerIdx", s.providerIdx},
                        {"renameFlag", s.renameFlag}, {"soundMode", s.soundMode}});
    }
    return list;
}

json SatellitesToJson(const COrvanel1Doc& doc)
{
    json list = json::array();
    for (uint32_t slot = 0; slot < kMaxSat; ++slot) {
        const SatInfo& sat = doc.m_SatInfo[slot];
        if (sat.name[0] == '\0')
            continue;
        list.push_back({{"slot", slot}, {"name", FixedName(sat.name)}, {"tpNum", sat.tpNum},
                        {"firstTp", sat.firstTp}, {"lnb", {LnbToJson(sat.lnb[0]), LnbToJson(sat.lnb[1])}}});
    }
    return list;
}

json TranspondersToJson(const COrvanel1Doc& doc)
{
    const bool dvbS2 = settings::TraitsOfModel(doc.m_ModelId).dvbS2;
    json list = json::array();
    for (uint32_t index = 0; index < std::min(doc.m_TpCnt, kMaxTp); ++index) {
        const TpData& tp = doc.m_TpData[index];
        json entry = {{"index", index}, {"satIdx", tp.satIdx}, {"polar", tp.polar}, {"tpMode", tp.tpMode},
                      {"freq", tp.freq},   {"sr", tp.sr},         {"tpWord1", tp.tpWord1}};
        if (dvbS2) {
            const DvbS2Params& s2 = doc.m_TpS2[index];
            entry["modulation_system"] = s2.modulation_system;
            entry["modulation_type"] = s2.modulation_type;
            entry["fec"] = s2.fec;
            entry["filot"] = s2.filot;
        }
        list.push_back(entry);
    }
    return list;
}

json FavouritesToJson(const COrvanel1Doc& doc)
{
    json list = json::array();
    for (uint32_t slot = 0; slot < kMaxFavGroup; ++slot) {
        const FavCh& fav = doc.m_FavCh[slot];
        if (fav.favName[0] == '\0')
            continue;
        json members = json::array();
        for (uint32_t i = 0; i < std::min<uint32_t>(fav.numOfFavCh, kMaxFavMember); ++i)
            members.push_back({fav.svcType[i], fav.chNum[i]});
        list.push_back({{"slot", slot}, {"name", FixedName(fav.favName)}, {"members", members}});
    }
    return list;
}

json TimersToJson(const COrvanel1Doc& doc)
{
    json list = json::array();
    for (uint32_t slot = 0; slot < kMaxTimer; ++slot) {
        const settings::Timer& t = doc.m_Timer[slot];
        if (t == settings::Timer{})
            continue;
        list.push_back({{"slot", slot}, {"timerKind", t.timerKind}, {"timerSvcRadio", t.timerSvcRadio},
                        {"timerSvcIdx", t.timerSvcIdx}});
    }
    return list;
}

json EpgToJson(const COrvanel1Doc& doc)
{
    json list = json::array();
    for (uint32_t slot = 0; slot < kMaxEpgReserve; ++slot) {
        const EpgReserve& e = doc.m_EpgReserve[slot];
        if (e.epgKind != 0)
            list.push_back({{"slot", slot}, {"epgKind", e.epgKind}, {"epgRadio", e.epgRadio},
                            {"epgSvcIdx", e.epgSvcIdx}});
    }
    return list;
}

json ProvidersToJson(const COrvanel1Doc& doc)
{
    json list = json::array();
    for (uint32_t index = 0; index < kMaxProvider; ++index)
        if (doc.m_Provider[index][0] != '\0')
            list.push_back({{"index", index}, {"name", FixedName(doc.m_Provider[index])}});
    return list;
}

}  // namespace

json DocumentToJson(const COrvanel1Doc& doc)
{
    const EtcInfo& etc = doc.m_EtcInfo;
    return {{"modelId", doc.m_ModelId},
            {"systemId", doc.m_FlashHeader.systemId},
            {"layoutVersion", doc.m_FlashHeader.layoutVersion},
            {"counts",
             {{"tv", doc.m_TvSvcCnt}, {"radio", doc.m_RadioSvcCnt}, {"satellites", doc.m_SatCnt},
              {"transponders", doc.m_TpCnt}, {"favourites", doc.m_FavCnt}}},
            {"satellites", SatellitesToJson(doc)},
            {"transponders", TranspondersToJson(doc)},
            {"tv", ServicesToJson(doc, doc.m_TvSvc.data(), std::min(doc.m_TvSvcCnt, kMaxTvSvc))},
            {"radio", ServicesToJson(doc, doc.m_RadioSvc.data(), std::min(doc.m_RadioSvcCnt, kMaxRadioSvc))},
            {"favourites", FavouritesToJson(doc)},
            {"timers", TimersToJson(doc)},
            {"epg", EpgToJson(doc)},
            {"providers", ProvidersToJson(doc)},
            {"etc",
             {{"lastTvSvc", etc.lastTvSvc}, {"lastRadioSvc", etc.lastRadioSvc}, {"altTvSvc", etc.altTvSvc},
              {"altRadioSvc", etc.altRadioSvc}, {"curFavGroup", etc.curFavGroup}, {"replaceIdx", etc.replaceIdx}}}};
}
