// One transponder as the public tables give it, before it meets the STB: the neutral record
// both readers fill, the names of its values, and the limits every reader holds to.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tables {

enum class Polarization : uint8_t { Horizontal, Vertical, Left, Right };
enum class DeliverySystem : uint8_t { DvbS, DvbS2 };
enum class Modulation : uint8_t { Auto, Qpsk, Psk8, Qam16, Apsk16, Apsk32 };
enum class RollOff : uint8_t { Auto, R35, R25, R20 };
enum class Pilot : uint8_t { Auto, Off, On };
// Code rates as the tables name them.
enum class Fec : uint8_t { Auto, None, R1_2, R2_3, R3_4, R4_5, R5_6, R6_7, R7_8, R8_9, R3_5, R9_10, R1_3, R1_4, R2_5 };

constexpr int32_t kNoStreamId = -1;

struct TableTp {
    uint32_t line = 0;            // where its entry starts in the table file
    uint32_t freqKHz = 0;
    Polarization polar = Polarization::Horizontal;
    uint32_t symbolRate = 0;      // symbols per second
    Fec fec = Fec::Auto;
    DeliverySystem system = DeliverySystem::DvbS;
    Modulation modulation = Modulation::Qpsk;
    RollOff rollOff = RollOff::Auto;
    Pilot pilot = Pilot::Auto;
    int32_t streamId = kNoStreamId;
    uint32_t plsCode = 0;         // physical layer scrambling (0: none, the root code's default)
};

// An entry left out of a table, or why a whole table was refused.
struct TableProblem {
    uint32_t line = 0;
    std::string text;
    // "line 12: FREQUENCY 0 is no satellite frequency"
    std::string Describe() const;
};

// One satellite's transponders as one table lists them.
struct TpTable {
    std::string name;              // the satellite's name in the table; the file's name for a scan table
    int32_t position = 0;          // tenths of a degree, east positive
    bool hasPosition = false;
    uint32_t line = 0;
    std::vector<TableTp> tps;
    std::vector<TableProblem> skipped;
    std::vector<TableProblem> mended;   // entries read with an evident slip put right
};

// A satellite has a few hundred carriers at most: a table that lists more is no table of one.
constexpr size_t kMaxTableTps = 1000;
constexpr uint32_t kMinTableFreqKHz = 950'000, kMaxTableFreqKHz = 60'000'000;
constexpr uint32_t kMinTableSymbolRate = 100'000, kMaxTableSymbolRate = 100'000'000;
constexpr size_t kMaxTableLine = 4096;
constexpr uint32_t kMaxPlsCode = 262143;   // 18 bits

const char* PolarizationText(Polarization polar);   // "H", "V", "L", "R"
const char* SystemText(DeliverySystem system);       // "DVB-S", "DVB-S2"
const char* ModulationText(Modulation modulation);   // "auto", "QPSK", "8PSK", ...
const char* FecText(Fec fec);                        // "auto", "none", "3/4", ...
const char* RollOffText(RollOff rollOff);            // "auto", "0.35", ...
const char* PilotText(Pilot pilot);                  // "auto", "off", "on"
// "11719.500 MHz H 27500 kS/s DVB-S2 8PSK 3/4"
std::string DescribeTableTp(const TableTp& tp);
// "1 transponder", "2 transponders"
std::string CountOf(size_t count, const char* thing);
// "19.2E", "5.0W"
std::string PositionText(int32_t position);

// Strict decimal digits, at most `max`.
bool ParseUnsigned(std::string_view text, uint64_t max, uint64_t& value);

}  // namespace tables

namespace tables {
// Why a read entry is out of reason (frequency or symbol rate beyond any satellite's); empty
// when it is not. A frequency written in MHz (950 to 60000, where kHz are due) is taken as
// MHz and noted in `mended`.
std::string CheckTableTp(TableTp& tp, const char* freqName, const char* rateName, std::vector<TableProblem>& mended);
}  // namespace tables
