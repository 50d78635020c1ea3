// Satellites and transponders: adding, editing and deleting them, the near-identical
// transponder rule, the DVB-S2 records, and the cascades that remove the services whose
// satellite or transponder goes. Messages and questions go through doc.m_pPrompter.
#pragma once
#include "settings/document.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kMaxEditSat = 254;
constexpr uint32_t kMaxEditTp = 2999;
constexpr uint32_t kMaxTpPerSat = 255;
constexpr uint32_t kMinTpFreq = 2000, kMaxTpFreq = 16383;
constexpr uint32_t kMinTpSr = 1000, kMaxTpSr = 45000;

// Index of the satellite's first transponder: the transponders of the satellites before it.
uint32_t Appl_SatTpStart(const COrvanel1Doc& doc, uint32_t sat);
// Sets every satellite's first-TP reference from the transponder counts.
void Appl_RecomputeFirstTp(COrvanel1Doc& doc);
// Satellites the loaded image variant can hold for editing.
uint32_t Appl_MaxSatCount(const COrvanel1Doc& doc);

// A new satellite's LNB block: LNB power on, universal 9750/10600 MHz, position index 127.
LnbBlock DefaultLnbBlock();

// "Cannot add more satellite!" when the satellite or transponder table is full.
[[nodiscard]] bool Appl_CanAddSat(COrvanel1Doc& doc);
// Appends a satellite made from the last one, with default LNB settings and a copy of the
// last satellite's first transponder. Returns its index, or -1 ("Cannot add new satellite!").
int Appl_AddSat(COrvanel1Doc& doc, const std::string& name, uint8_t positionIdx);
// Writes the name and the position index (both LNB blocks, both copies).
bool Appl_EditSat(COrvanel1Doc& doc, int sat, const std::string& name, uint8_t positionIdx);
// Asks, removes the satellite's services on consent, then its transponders and the satellite.
bool Appl_DeleteSat(COrvanel1Doc& doc, int sat);
// Removes the satellite with its transponders and renumbers satellites, transponders and
// services. The satellite's own services must be gone already (Appl_DeleteSat removes them).
void Appl_DeleteTpInSat(COrvanel1Doc& doc, uint32_t sat);

// The values of the transponder dialog that the document keeps.
struct TpValues {
    uint8_t polar = 1;        // 0 Vertical, 1 Horizontal
    uint8_t tpMode = 0;
    uint32_t freq = kMinTpFreq;
    uint32_t sr = kMinTpSr;
    uint32_t streamId = 0;    // the low 8 bits are kept
};

// The dialog's DVB-S2 choice: modulation 0 DVB-S, 1 DVB-S2 / QPSK, 2 DVB-S2 / 8PSK; the
// code rate as an index into that modulation's list; pilot 0 off, 1 on.
struct DvbS2Choice {
    int modulation = 0;
    int fecIdx = 0;
    int pilot = 0;
};
// Code rate numbers offered for a modulation, in the dialog's order (empty for DVB-S).
const std::vector<uint32_t>& FecNumbers(int modulation);
// Their texts ("1/2", "3/5", ...).
std::vector<std::string> FecTexts(int modulation);
// The first four DVB-S2 values of a choice; `fifth` is carried.
DvbS2Params DvbS2FromChoice(const DvbS2Choice& choice, uint32_t fifth);
// The dialog's starting choice for a transponder's DVB-S2 values.
DvbS2Choice ChoiceFromDvbS2(const DvbS2Params& params);

enum class FindTpResult { Invalid, NearIdentical, None };
// Looks for a near-identical transponder of the satellite; on NearIdentical, *match is its
// table index. Invalid: values out of range, or no room for another transponder.
[[nodiscard]] FindTpResult Appl_FindTp(const COrvanel1Doc& doc, int sat, const TpValues& values, uint32_t* match);
// Appends a transponder to the satellite's block; its table index, or -1 when refused.
int Appl_InsertTp(COrvanel1Doc& doc, int sat, const TpData& tp);
// Adds a transponder or updates its near-identical twin ("Error Tp new Add" when the
// table refuses it, which returns Invalid). Returns the find result; *at gets the table
// index of the transponder added or updated.
FindTpResult Appl_AddTp(COrvanel1Doc& doc, int sat, const TpValues& values, const DvbS2Choice& choice,
                        uint32_t* at = nullptr);
// Writes the values into transponder tpIdx of the satellite ("First, Select TP !" without one).
bool Appl_EditTp(COrvanel1Doc& doc, int sat, int tpIdx, const TpValues& values, const DvbS2Choice& choice);
// Deletes the selected transponders (indexes within the satellite), asking first and again
// for each one that services use. False when refused or stopped.
bool Appl_DeleteTps(COrvanel1Doc& doc, int sat, const std::vector<uint32_t>& tpIdxs);
// TV and radio services on transponder tpIdx of the satellite.
uint32_t Appl_TpUserCount(const COrvanel1Doc& doc, uint32_t sat, uint32_t tpIdx);
// Removes transponder tpIdx of the satellite without asking, only while no service uses it
// and it is not the satellite's last. False when refused.
bool Appl_RemoveUnusedTp(COrvanel1Doc& doc, int sat, uint32_t tpIdx);
