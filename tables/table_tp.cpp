#include "tables/table_tp.h"

#include <cstdio>

namespace tables {

std::string TableProblem::Describe() const
{
    return line ? "line " + std::to_string(line) + ": " + text : text;
}

const char* PolarizationText(Polarization polar)
{
    static const char* const kTexts[] = {"H", "V", "L", "R"};
    return kTexts[int(polar)];
}

const char* SystemText(DeliverySystem system) { return system == DeliverySystem::DvbS2 ? "DVB-S2" : "DVB-S"; }

const char* ModulationText(Modulation modulation)
{
    static const char* const kTexts[] = {"auto", "QPSK", "8PSK", "16QAM", "16APSK", "32APSK"};
    return kTexts[int(modulation)];
}

const char* FecText(Fec fec)
{
    static const char* const kTexts[] = {"auto", "none", "1/2", "2/3", "3/4", "4/5", "5/6", "6/7",
                                         "7/8",  "8/9",  "3/5", "9/10", "1/3", "1/4", "2/5"};
    return kTexts[int(fec)];
}

const char* RollOffText(RollOff rollOff)
{
    static const char* const kTexts[] = {"auto", "0.35", "0.25", "0.20"};
    return kTexts[int(rollOff)];
}

const char* PilotText(Pilot pilot)
{
    static const char* const kTexts[] = {"auto", "off", "on"};
    return kTexts[int(pilot)];
}

std::string DescribeTableTp(const TableTp& tp)
{
    char text[128];
    std::snprintf(text, sizeof text, "%u.%03u MHz %s %u kS/s %s", tp.freqKHz / 1000, tp.freqKHz % 1000,
                  PolarizationText(tp.polar), (tp.symbolRate + 500) / 1000, SystemText(tp.system));
    std::string out = text;
    if (tp.system == DeliverySystem::DvbS2)
        out += std::string(" ") + ModulationText(tp.modulation);
    out += std::string(" ") + FecText(tp.fec);
    if (tp.streamId != kNoStreamId)
        out += " stream " + std::to_string(tp.streamId);
    return out;
}

std::string CountOf(size_t count, const char* thing)
{
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

std::string PositionText(int32_t position)
{
    const int32_t magnitude = position < 0 ? -position : position;
    return std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10) + (position < 0 ? "W" : "E");
}

bool ParseUnsigned(std::string_view text, uint64_t max, uint64_t& value)
{
    if (text.empty() || text.size() > 19)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + uint64_t(c - '0');
    }
    return value <= max;
}

}  // namespace tables

namespace tables {

std::string CheckTableTp(TableTp& tp, const char* freqName, const char* rateName, std::vector<TableProblem>& mended)
{
    if (tp.freqKHz >= kMinTableFreqKHz / 1000 && tp.freqKHz <= kMaxTableFreqKHz / 1000) {
        mended.push_back({tp.line, std::string(freqName) + " " + std::to_string(tp.freqKHz) + " taken as MHz"});
        tp.freqKHz *= 1000;
    }
    if (tp.freqKHz < kMinTableFreqKHz || tp.freqKHz > kMaxTableFreqKHz)
        return std::string(freqName) + " " + std::to_string(tp.freqKHz) +
               " is no satellite frequency (kHz, 950000 to 60000000)";
    if (tp.symbolRate < kMinTableSymbolRate || tp.symbolRate > kMaxTableSymbolRate)
        return std::string(rateName) + " " + std::to_string(tp.symbolRate) +
               " is no symbol rate (symbols a second, 100000 to 100000000)";
    return {};
}

}  // namespace tables
