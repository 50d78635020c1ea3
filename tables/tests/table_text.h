// Transponder tables written out for the tests, in the scan table form.
#pragma once
#include "tables/table_tp.h"

#include <string>
#include <vector>

namespace tables_testing {

inline std::string DvbV5Block(const tables::TableTp& tp)
{
    using namespace tables;
    static const char* const kPolar[] = {"HORIZONTAL", "VERTICAL", "LEFT", "RIGHT"};
    static const char* const kModulation[] = {"AUTO", "QPSK", "PSK/8", "QAM/16", "APSK/16", "APSK/32"};
    static const char* const kRollOff[] = {"AUTO", "35", "25", "20"};
    static const char* const kPilot[] = {"AUTO", "OFF", "ON"};
    std::string text = "[CHANNEL]\n\tDELIVERY_SYSTEM = " + std::string(tp.system == DeliverySystem::DvbS2 ? "DVBS2" : "DVBS") +
                       "\n\tFREQUENCY = " + std::to_string(tp.freqKHz) + "\n\tPOLARIZATION = " + kPolar[int(tp.polar)] +
                       "\n\tSYMBOL_RATE = " + std::to_string(tp.symbolRate) + "\n\tINNER_FEC = " +
                       (tp.fec == Fec::Auto ? "AUTO" : tp.fec == Fec::None ? "NONE" : FecText(tp.fec)) +
                       "\n\tMODULATION = " + kModulation[int(tp.modulation)] + "\n";
    if (tp.system == DeliverySystem::DvbS2)
        text += std::string("\tROLLOFF = ") + kRollOff[int(tp.rollOff)] + "\n\tPILOT = " + kPilot[int(tp.pilot)] + "\n";
    if (tp.streamId != kNoStreamId)
        text += "\tSTREAM_ID = " + std::to_string(tp.streamId) + "\n";
    return text + "\n";
}

inline std::string DvbV5Text(const std::vector<tables::TableTp>& tps)
{
    std::string text = "# written by the tests\n";
    for (const tables::TableTp& tp : tps)
        text += DvbV5Block(tp);
    return text;
}

inline tables::TableTp Tp(uint32_t freqKHz, tables::Polarization polar, uint32_t symbolRate,
                          tables::DeliverySystem system = tables::DeliverySystem::DvbS,
                          tables::Modulation modulation = tables::Modulation::Qpsk, tables::Fec fec = tables::Fec::R3_4)
{
    tables::TableTp tp;
    tp.freqKHz = freqKHz;
    tp.polar = polar;
    tp.symbolRate = symbolRate;
    tp.system = system;
    tp.modulation = modulation;
    tp.fec = fec;
    return tp;
}

}  // namespace tables_testing
