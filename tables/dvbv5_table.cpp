#include "tables/dvbv5_table.h"

#include "tables/text_lines.h"

#include <array>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

namespace tables {
namespace {

template <class T>
using Names = std::initializer_list<std::pair<std::string_view, T>>;

template <class T>
bool Lookup(Names<T> names, std::string_view text, T& value)
{
    for (const auto& [name, named] : names)
        if (name == text) {
            value = named;
            return true;
        }
    return false;
}

// The keys of one block that we read; the rest (INVERSION, PLS_CODE, ...) is not kept.
enum Key { kSystem, kFreq, kPolar, kRate, kFec, kModulation, kRollOff, kPilot, kStream, kPls, kKeyCount };
constexpr std::array<std::string_view, kKeyCount> kKeyNames = {
    "DELIVERY_SYSTEM", "FREQUENCY", "POLARIZATION", "SYMBOL_RATE", "INNER_FEC",
    "MODULATION",      "ROLLOFF",   "PILOT",        "STREAM_ID",   "PLS_CODE"};

struct Block {
    uint32_t line = 0;
    std::array<std::optional<std::string>, kKeyCount> values;
    std::string twice;   // a key given twice
};

bool ParseValue(Key key, std::string_view value, TableTp& tp)
{
    uint64_t number = 0;
    switch (key) {
    case kSystem:
        return Lookup<DeliverySystem>({{"DVBS", DeliverySystem::DvbS}, {"DVBS2", DeliverySystem::DvbS2}}, value,
                                      tp.system);
    case kFreq:
        return ParseUnsigned(value, UINT32_MAX, number) && (tp.freqKHz = uint32_t(number), true);
    case kRate:
        return ParseUnsigned(value, UINT32_MAX, number) && (tp.symbolRate = uint32_t(number), true);
    case kPolar:
        return Lookup<Polarization>({{"HORIZONTAL", Polarization::Horizontal}, {"VERTICAL", Polarization::Vertical},
                                     {"LEFT", Polarization::Left}, {"RIGHT", Polarization::Right}},
                                    value, tp.polar);
    case kFec:
        return Lookup<Fec>({{"AUTO", Fec::Auto}, {"NONE", Fec::None}, {"1/2", Fec::R1_2}, {"2/3", Fec::R2_3},
                            {"3/4", Fec::R3_4}, {"4/5", Fec::R4_5}, {"5/6", Fec::R5_6}, {"6/7", Fec::R6_7},
                            {"7/8", Fec::R7_8}, {"8/9", Fec::R8_9}, {"3/5", Fec::R3_5}, {"9/10", Fec::R9_10},
                            {"1/3", Fec::R1_3}, {"1/4", Fec::R1_4}, {"2/5", Fec::R2_5}},
                           value, tp.fec);
    case kModulation:
        return Lookup<Modulation>({{"QPSK", Modulation::Qpsk}, {"PSK/8", Modulation::Psk8},
                                   {"APSK/16", Modulation::Apsk16}, {"APSK/32", Modulation::Apsk32},
                                   {"QAM/16", Modulation::Qam16}, {"QAM/AUTO", Modulation::Auto},
                                   {"AUTO", Modulation::Auto}},
                                  value, tp.modulation);
    case kRollOff:
        return Lookup<RollOff>({{"35", RollOff::R35}, {"25", RollOff::R25}, {"20", RollOff::R20}, {"AUTO", RollOff::Auto}},
                               value, tp.rollOff);
    case kPilot:
        return Lookup<Pilot>({{"ON", Pilot::On}, {"OFF", Pilot::Off}, {"AUTO", Pilot::Auto}}, value, tp.pilot);
    case kStream:
        // All ones means no stream; any other value a stream id can hold is read as it is.
        if (!ParseUnsigned(value, UINT32_MAX, number) || (number > INT32_MAX && number != UINT32_MAX))
            return false;
        tp.streamId = number == UINT32_MAX ? kNoStreamId : int32_t(number);
        return true;
    case kPls:
        return ParseUnsigned(value, kMaxPlsCode, number) && (tp.plsCode = uint32_t(number), true);
    case kKeyCount:
        break;
    }
    return false;
}

// The block as a transponder, or the reason it is left out.
std::optional<TableTp> TakeBlock(const Block& block, std::string& why, std::vector<TableProblem>& mended)
{
    if (!block.twice.empty()) {
        why = block.twice + " is given twice";
        return std::nullopt;
    }
    for (Key key : {kSystem, kFreq, kPolar, kRate})
        if (!block.values[key]) {
            why = "no " + std::string(kKeyNames[key]);
            return std::nullopt;
        }
    TableTp tp;
    tp.line = block.line;
    for (int key = 0; key < kKeyCount; ++key)
        if (block.values[key] && !ParseValue(Key(key), *block.values[key], tp)) {
            why = std::string(kKeyNames[key]) + " \"" + *block.values[key] + "\" is not understood";
            return std::nullopt;
        }
    why = CheckTableTp(tp, "FREQUENCY", "SYMBOL_RATE", mended);
    if (!why.empty())
        return std::nullopt;
    return tp;
}

bool Finish(Block& block, TpTable& table, TableProblem& error)
{
    if (block.line == 0)
        return true;
    std::string why;
    if (std::optional<TableTp> tp = TakeBlock(block, why, table.mended))
        table.tps.push_back(*tp);
    else
        table.skipped.push_back({block.line, why});
    if (table.tps.size() + table.skipped.size() > kMaxTableTps) {
        error = {block.line, "more than " + std::to_string(kMaxTableTps) +
                                 " transponders: no table of one satellite"};
        return false;
    }
    block = Block{};
    return true;
}

bool ReadLine(std::string_view line, uint32_t number, Block& block, TpTable& table, TableProblem& error)
{
    if (line.size() > kMaxTableLine || HasBinaryByte(line)) {
        error = {number, line.size() > kMaxTableLine ? "a line of more than 4096 bytes" : "binary data, no scan table"};
        return false;
    }
    line = TrimBlanks(line);
    if (line.empty() || line.front() == '#')
        return true;
    if (line.front() == '[' && line.back() == ']') {
        if (!Finish(block, table, error))
            return false;
        block.line = number;
        return true;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || block.line == 0) {
        error = {number, block.line == 0 ? "text before the first [CHANNEL]: no scan table"
                                         : "neither [CHANNEL] nor KEY = VALUE"};
        return false;
    }
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    for (int k = 0; k < kKeyCount; ++k)
        if (kKeyNames[k] == key) {
            if (block.values[k])
                block.twice = std::string(key);
            block.values[k] = std::string(TrimBlanks(line.substr(equals + 1)));
        }
    return true;
}

}  // namespace

bool ReadDvbV5Table(std::string_view text, TpTable& table, TableProblem& error)
{
    table.tps.clear();
    table.skipped.clear();
    table.mended.clear();
    CTextLines lines(text);
    Block block;
    std::string_view line;
    while (lines.Next(line))
        if (!ReadLine(line, lines.Number(), block, table, error))
            return false;
    if (!Finish(block, table, error))
        return false;
    if (table.tps.empty()) {
        error = {0, table.skipped.empty() ? "no [CHANNEL] entry: no scan table"
                                          : "no usable transponder (" + table.skipped.front().Describe() + ")"};
        return false;
    }
    return true;
}

}  // namespace tables
