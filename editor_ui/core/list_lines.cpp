#include "editor_ui/core/list_lines.h"


#include <cstdio>
#include <cstring>

namespace {
constexpr size_t kCleanScan = 80;
constexpr size_t kCleanKeep = 30;
}

std::string CleanListText(const char* text, size_t length)
{
    std::string kept;
    for (size_t i = 0; i < length && i < kCleanScan && kept.size() < kCleanKeep; ++i) {
        auto byte = static_cast<uint8_t>(text[i]);
        if (byte < 32 || (byte >= 128 && byte < 160))
            continue;
        kept.push_back(static_cast<char>(byte));
    }
    return kept;
}

std::string SvcListName(const COrvanel1Doc& doc, SvcKind kind, uint32_t pos)
{
    const SvcRecord& svc = kind == kTvKind ? doc.m_TvSvc[pos] : doc.m_RadioSvc[pos];
    if (svc.nameOffset >= kSvcNamePoolSize)
        return {};
    const auto* start = reinterpret_cast<const char*>(doc.m_SvcName.data() + svc.nameOffset);
    size_t room = kSvcNamePoolSize - svc.nameOffset;
    const void* nul = std::memchr(start, 0, room);
    size_t length = nul ? size_t(static_cast<const char*>(nul) - start) : room;
    return CleanListText(start, length);
}

std::string NumberedLine(uint32_t position1, const std::string& name)
{
    char number[16];
    std::snprintf(number, sizeof number, "%4u. ", position1);
    return number + name;
}

const char* PolarText(uint8_t polar)
{
    return polar ? "Horizontal" : "Vertical";
}

std::string TpLine(const TpData& tp)
{
    char line[64];
    std::snprintf(line, sizeof line, "%6u Mhz   %6u KS/s  %11s", tp.freq, unsigned(tp.sr), PolarText(tp.polar));
    return line;
}

const TpData* SvcTp(const COrvanel1Doc& doc, const SvcRecord& svc)
{
    if (svc.satIdx >= doc.m_SatCnt || svc.tpIdx >= doc.m_SatInfo[svc.satIdx].tpNum)
        return nullptr;
    uint32_t index = doc.m_SatInfo[svc.satIdx].firstTp + svc.tpIdx;
    return index < doc.m_TpCnt ? &doc.m_TpData[index] : nullptr;
}

SvcPanelText SvcPanel(const COrvanel1Doc& doc, SvcKind kind, uint32_t pos)
{
    const SvcRecord& svc = kind == kTvKind ? doc.m_TvSvc[pos] : doc.m_RadioSvc[pos];
    SvcPanelText panel;
    panel.satName = SatName(doc, svc.satIdx);
    if (const TpData* tp = SvcTp(doc, svc)) {
        char text[80];
        std::snprintf(text, sizeof text, "TP : %5uMhz     %5uKS/s     %s", tp->freq, unsigned(tp->sr),
                      PolarText(tp->polar));
        panel.tpText = text;
    }
    panel.svcId = svc.svcId;
    panel.pmtPid = svc.pmtPid;
    panel.pcrPid = svc.pcrPid;
    panel.audioPid = svc.audioPid;
    panel.videoPid = svc.videoPid;
    panel.cas = svc.scrambled != 0;
    panel.lock = svc.lock != 0;
    panel.tunerButton = svc.tunerNum == 1 ? 0 : svc.tunerNum == 2 ? 1 : 2;
    return panel;
}

MemberColour FavMemberColour(const SvcRecord& svc)
{
    if (svc.lock)
        return MemberColour::Grey;
    return svc.scrambled ? MemberColour::Red : MemberColour::Black;
}
