#include "editing/sat_edit.h"

#include "editing/edit_common.h"
#include "settings/service_purge.h"
#include "settings/image_layout.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr uint8_t kDefaultPositionIdx = 127;

bool ValidSat(const COrvanel1Doc& doc, int sat) { return sat >= 0 && static_cast<uint32_t>(sat) < doc.m_SatCnt; }

// Slots of the services (of one list) that use the satellite, or one of its transponders.
std::vector<uint32_t> SvcUsing(const COrvanel1Doc& doc, SvcKind kind, uint32_t sat, int tpIdx)
{
    std::vector<uint32_t> slots;
    const SvcRecord* table = SvcTable(doc, kind);
    for (uint32_t i = 0; i < SvcCount(doc, kind); ++i)
        if (table[i].satIdx == sat && (tpIdx < 0 || table[i].tpIdx == tpIdx))
            slots.push_back(i);
    return slots;
}

// Removes the services of both lists that use the satellite (or one transponder of it),
// asking first when there are any. False when the user declines.
bool PurgeSvcUsing(COrvanel1Doc& doc, uint32_t sat, int tpIdx, const std::string& question)
{
    const std::vector<uint32_t> tv = SvcUsing(doc, kTvKind, sat, tpIdx);
    const std::vector<uint32_t> radio = SvcUsing(doc, kRadioKind, sat, tpIdx);
    if (tv.empty() && radio.empty())
        return true;
    if (!DocAskYes(doc, question, "Warnning"))
        return false;
    Appl_MarkSvc(doc, kTvKind, tv);
    Appl_MarkSvc(doc, kRadioKind, radio);
    Appl_PurgeMarkedSvc(doc);
    doc.m_Revision.Bump(DocTable::Tv | DocTable::Radio | DocTable::Favourites);
    return true;
}

template <class Fn>
void ForEachSvc(COrvanel1Doc& doc, Fn fn)
{
    for (SvcKind kind : {kTvKind, kRadioKind})
        for (uint32_t i = 0; i < SvcCount(doc, kind); ++i)
            fn(SvcTable(doc, kind)[i]);
}

// Removes table entry `at` with its extension and DVB-S2 record.
void CutTp(COrvanel1Doc& doc, uint32_t at)
{
    const uint32_t end = std::min(doc.m_TpCnt, kMaxTp);
    if (at >= end)
        return;
    std::move(doc.m_TpData.begin() + at + 1, doc.m_TpData.begin() + end, doc.m_TpData.begin() + at);
    std::move(doc.m_TpExt.begin() + at + 1, doc.m_TpExt.begin() + end, doc.m_TpExt.begin() + at);
    std::move(doc.m_TpS2.begin() + at + 1, doc.m_TpS2.begin() + end, doc.m_TpS2.begin() + at);
    doc.m_TpData[end - 1] = TpData{};
    doc.m_TpExt[end - 1] = TpExtension{};
    doc.m_TpS2[end - 1] = DvbS2Params{};
    doc.m_TpCnt = end - 1;
}

// Cuts transponder tpIdx of the satellite out; the services after it on that satellite follow.
void CutSatTp(COrvanel1Doc& doc, uint32_t sat, uint32_t tpIdx)
{
    CutTp(doc, Appl_SatTpStart(doc, sat) + tpIdx);
    --doc.m_SatInfo[sat].tpNum;
    Appl_RecomputeFirstTp(doc);
    ForEachSvc(doc, [&](SvcRecord& svc) {
        if (svc.satIdx == sat && svc.tpIdx > tpIdx)
            --svc.tpIdx;
    });
    doc.m_Revision.Bump(DocTable::Satellites | DocTable::Tps | DocTable::Tv | DocTable::Radio);
}

void SetPositionIdx(SatInfo& info, uint8_t positionIdx)
{
    for (LnbBlock& lnb : info.lnb) {
        lnb.positionIdx = positionIdx;
        lnb.positionIdxB = positionIdx;
    }
}

bool NearIdentical(const TpData& tp, const TpValues& values)
{
    if (tp.tpWord1 != (values.streamId & 0xFF) || tp.polar != values.polar || tp.tpMode != values.tpMode)
        return false;
    const long dFreq = std::labs(static_cast<long>(tp.freq) - static_cast<long>(values.freq));
    const long dSr = std::labs(static_cast<long>(tp.sr) - static_cast<long>(values.sr));
    return values.sr < 5000 ? dFreq <= 1 && dSr <= 10 : dFreq <= 3 && dSr <= 100;
}

void WriteTpValues(TpData& tp, const TpValues& values)
{
    tp.freq = values.freq;
    tp.sr = static_cast<uint16_t>(values.sr);
    tp.tpWord1 = static_cast<uint16_t>(values.streamId & 0xFF);
}

bool InRange(uint32_t value, uint32_t lo, uint32_t hi) { return value >= lo && value <= hi; }

} // namespace

uint32_t Appl_SatTpStart(const COrvanel1Doc& doc, uint32_t sat)
{
    uint32_t start = 0;
    for (uint32_t s = 0; s < sat && s < kMaxSat; ++s)
        start += doc.m_SatInfo[s].tpNum;
    return start;
}

void Appl_RecomputeFirstTp(COrvanel1Doc& doc)
{
    uint32_t start = 0;
    bool changed = false;
    for (uint32_t s = 0; s < doc.m_SatCnt && s < kMaxSat; ++s) {
        changed |= doc.m_SatInfo[s].firstTp != start;
        doc.m_SatInfo[s].firstTp = start;
        start += doc.m_SatInfo[s].tpNum;
    }
    if (changed)
        doc.m_Revision.Bump(DocTable::Satellites);
}

uint32_t Appl_MaxSatCount(const COrvanel1Doc& doc)
{
    // More satellites than the image has room for would be lost at saving.
    return std::min(kMaxEditSat, LayoutFor(doc.m_ModelId, doc.m_FlashHeader.layoutVersion).satCapacity);
}

LnbBlock DefaultLnbBlock()
{
    LnbBlock lnb;
    lnb.lnbPower = 1;
    lnb.dualLo = 1;
    lnb.loFreq = 9750;
    lnb.loFreq2 = 10600;
    lnb.positionIdx = kDefaultPositionIdx;
    lnb.lnbByte7 = 127;
    lnb.lnbByte8 = 127;
    return lnb;
}

bool Appl_CanAddSat(COrvanel1Doc& doc)
{
    if (doc.m_SatCnt < Appl_MaxSatCount(doc) && doc.m_TpCnt <= kMaxEditTp - 1)
        return true;
    DocNotify(doc, "Cannot add more satellite!", "Error", PromptIcon::Error);
    return false;
}

int Appl_AddSat(COrvanel1Doc& doc, const std::string& name, uint8_t positionIdx)
{
    const uint32_t n = doc.m_SatCnt;
    if (n == 0) {
        DocNotify(doc, "Cannot add new satellite!", "Error", PromptIcon::Error);
        return -1;
    }
    if (n >= Appl_MaxSatCount(doc) || doc.m_TpCnt > kMaxEditTp - 1)
        return -1;
    SatInfo& sat = doc.m_SatInfo[n];
    sat = doc.m_SatInfo[n - 1];
    doc.m_SatExt[n] = doc.m_SatExt[n - 1];
    sat.lnb = {DefaultLnbBlock(), DefaultLnbBlock()};
    sat.tpNum = 0;
    sat.satIndexByte = static_cast<uint8_t>(n);
    sat.satTail[1] = 0;
    sat.satTail[2] = 0xFFFF;
    SetPositionIdx(sat, positionIdx);
    SetFieldText(sat.name, name);
    ++doc.m_SatCnt;
    if (doc.m_SatInfo[n - 1].tpNum > 0) {
        TpData tp = doc.m_TpData[Appl_SatTpStart(doc, n - 1)];
        tp.satIdx = static_cast<uint8_t>(n);
        Appl_InsertTp(doc, static_cast<int>(n), tp);
    }
    Appl_RecomputeFirstTp(doc);
    doc.m_Revision.Bump(DocTable::Satellites | DocTable::Tps);
    return static_cast<int>(n);
}

bool Appl_EditSat(COrvanel1Doc& doc, int sat, const std::string& name, uint8_t positionIdx)
{
    if (!ValidSat(doc, sat))
        return false;
    SetFieldText(doc.m_SatInfo[sat].name, name);
    SetPositionIdx(doc.m_SatInfo[sat], positionIdx);
    doc.m_Revision.Bump(DocTable::Satellites);
    return true;
}

bool Appl_DeleteSat(COrvanel1Doc& doc, int sat)
{
    if (doc.m_SatCnt < 2 || !ValidSat(doc, sat)) {
        DocNotify(doc, "Cannot delete the selected Satellite !", "Notice", PromptIcon::Information);
        return false;
    }
    if (!DocAskYes(doc, "Delete Satellite?", "Warnning"))
        return false;
    if (!PurgeSvcUsing(doc, sat, -1, "One or more TV/Radio services use this sat info.\nWant to continue?"))
        return false;
    Appl_DeleteTpInSat(doc, static_cast<uint32_t>(sat));
    return true;
}

void Appl_DeleteTpInSat(COrvanel1Doc& doc, uint32_t sat)
{
    if (sat >= doc.m_SatCnt)
        return;
    const uint32_t start = Appl_SatTpStart(doc, sat);
    for (uint32_t i = doc.m_SatInfo[sat].tpNum; i > 0 && start < doc.m_TpCnt; --i)
        CutTp(doc, start);
    for (uint32_t t = start; t < doc.m_TpCnt; ++t)
        if (doc.m_TpData[t].satIdx > sat)
            --doc.m_TpData[t].satIdx;
    for (uint32_t s = sat + 1; s < kMaxSat; ++s) {
        doc.m_SatInfo[s - 1] = doc.m_SatInfo[s];
        doc.m_SatExt[s - 1] = doc.m_SatExt[s];
        if (s < doc.m_SatCnt)
            --doc.m_SatInfo[s - 1].satIndexByte;
    }
    doc.m_SatInfo[kMaxSat - 1] = SatInfo{};
    doc.m_SatExt[kMaxSat - 1] = SatExtension{};
    --doc.m_SatCnt;
    Appl_RecomputeFirstTp(doc);
    ForEachSvc(doc, [&](SvcRecord& svc) {
        if (svc.satIdx > sat && svc.satIdx != 0xFF)
            --svc.satIdx;
    });
    doc.m_Revision.Bump(DocTable::Satellites | DocTable::Tps | DocTable::Tv | DocTable::Radio);
}

const std::vector<uint32_t>& FecNumbers(int modulation)
{
    static const std::vector<uint32_t> none;
    static const std::vector<uint32_t> qpsk = {1, 7, 2, 3, 8, 4, 6, 9};
    static const std::vector<uint32_t> psk8 = {7, 2, 3, 4, 6, 9};
    return modulation == 1 ? qpsk : modulation == 2 ? psk8 : none;
}

std::vector<std::string> FecTexts(int modulation)
{
    static const char* const kRateTexts[] = {"", "1/2", "2/3", "3/4", "5/6", "", "8/9", "3/5", "4/5", "9/10"};
    std::vector<std::string> texts;
    for (uint32_t number : FecNumbers(modulation))
        texts.push_back(kRateTexts[number]);
    return texts;
}

DvbS2Params DvbS2FromChoice(const DvbS2Choice& choice, uint32_t fifth)
{
    DvbS2Params params;
    params.fifth = fifth;
    const std::vector<uint32_t>& numbers = FecNumbers(choice.modulation);
    if (numbers.empty()) {
        params.modulation_type = 1;
        return params;
    }
    params.modulation_system = 1;
    params.modulation_type = static_cast<uint32_t>(choice.modulation);
    const bool known = choice.fecIdx >= 0 && static_cast<size_t>(choice.fecIdx) < numbers.size();
    params.fec = numbers[known ? choice.fecIdx : 0];
    params.filot = choice.pilot ? 1 : 0;
    return params;
}

DvbS2Choice ChoiceFromDvbS2(const DvbS2Params& params)
{
    DvbS2Choice choice;
    const uint32_t sum = params.modulation_system + params.modulation_type;
    choice.modulation = sum == 1 ? 0 : sum == 2 ? 1 : 2;
    const std::vector<uint32_t>& numbers = FecNumbers(choice.modulation);
    const auto it = std::find(numbers.begin(), numbers.end(), params.fec);
    choice.fecIdx = it == numbers.end() ? 0 : static_cast<int>(it - numbers.begin());
    choice.pilot = params.filot ? 1 : 0;
    return choice;
}

FindTpResult Appl_FindTp(const COrvanel1Doc& doc, int sat, const TpValues& values, uint32_t* match)
{
    if (!ValidSat(doc, sat) || !InRange(values.freq, kMinTpFreq, kMaxTpFreq) ||
        !InRange(values.sr, kMinTpSr, kMaxTpSr))
        return FindTpResult::Invalid;
    const uint32_t start = Appl_SatTpStart(doc, sat);
    const uint32_t num = doc.m_SatInfo[sat].tpNum;
    for (uint32_t t = start; t < start + num && t < kMaxTp; ++t)
        if (NearIdentical(doc.m_TpData[t], values)) {
            if (match)
                *match = t;
            return FindTpResult::NearIdentical;
        }
    return num >= kMaxTpPerSat ? FindTpResult::Invalid : FindTpResult::None;
}

int Appl_InsertTp(COrvanel1Doc& doc, int sat, const TpData& tp)
{
    if (!ValidSat(doc, sat) || !InRange(tp.sr, kMinTpSr, kMaxTpSr) ||
        (tp.tpMode != 1 && !InRange(tp.freq, kMinTpFreq, kMaxTpFreq)))
        return -1;
    if (doc.m_TpCnt >= kMaxEditTp || doc.m_SatInfo[sat].tpNum >= kMaxTpPerSat)
        return -1;
    const uint32_t at = Appl_SatTpStart(doc, sat) + doc.m_SatInfo[sat].tpNum;
    if (at > doc.m_TpCnt)
        return -1;
    const uint32_t end = doc.m_TpCnt;
    std::move_backward(doc.m_TpData.begin() + at, doc.m_TpData.begin() + end, doc.m_TpData.begin() + end + 1);
    std::move_backward(doc.m_TpExt.begin() + at, doc.m_TpExt.begin() + end, doc.m_TpExt.begin() + end + 1);
    std::move_backward(doc.m_TpS2.begin() + at, doc.m_TpS2.begin() + end, doc.m_TpS2.begin() + end + 1);
    doc.m_TpData[at] = tp;
    doc.m_TpData[at].satIdx = static_cast<uint8_t>(sat);
    doc.m_TpExt[at] = TpExtension{};
    doc.m_TpS2[at] = DvbS2Params{};
    ++doc.m_TpCnt;
    ++doc.m_SatInfo[sat].tpNum;
    Appl_RecomputeFirstTp(doc);
    doc.m_Revision.Bump(DocTable::Satellites | DocTable::Tps);
    return static_cast<int>(at);
}

FindTpResult Appl_AddTp(COrvanel1Doc& doc, int sat, const TpValues& values, const DvbS2Choice& choice, uint32_t* at)
{
    TpValues wanted = values;
    wanted.tpMode = 0;
    uint32_t match = 0;
    const FindTpResult found = Appl_FindTp(doc, sat, wanted, &match);
    if (found == FindTpResult::NearIdentical) {
        WriteTpValues(doc.m_TpData[match], wanted);
        doc.m_TpS2[match] = DvbS2FromChoice(choice, doc.m_TpS2[match].fifth);
    } else if (found == FindTpResult::None) {
        TpData tp;
        tp.polar = wanted.polar ? 1 : 0;
        WriteTpValues(tp, wanted);
        const int inserted = Appl_InsertTp(doc, sat, tp);
        if (inserted < 0) {
            DocNotify(doc, "Error Tp new Add", "Notice", PromptIcon::Information);
            return FindTpResult::Invalid;   // nothing changed: the list stays unedited
        }
        match = uint32_t(inserted);
        doc.m_TpS2[match] = DvbS2FromChoice(choice, 0);
    }
    if (found == FindTpResult::Invalid)
        return found;
    doc.m_Revision.Bump(DocTable::Tps);
    if (at)
        *at = match;
    return found;
}

bool Appl_EditTp(COrvanel1Doc& doc, int sat, int tpIdx, const TpValues& values, const DvbS2Choice& choice)
{
    if (!ValidSat(doc, sat) || tpIdx < 0 || static_cast<uint32_t>(tpIdx) >= doc.m_SatInfo[sat].tpNum) {
        DocNotify(doc, "First, Select TP !", "Error", PromptIcon::Error);
        return false;
    }
    const uint32_t at = Appl_SatTpStart(doc, sat) + static_cast<uint32_t>(tpIdx);
    if (at >= kMaxTp || !InRange(values.freq, kMinTpFreq, kMaxTpFreq) || !InRange(values.sr, kMinTpSr, kMaxTpSr))
        return false;
    WriteTpValues(doc.m_TpData[at], values);
    doc.m_TpData[at].polar = values.polar ? 1 : 0;
    doc.m_TpS2[at] = DvbS2FromChoice(choice, doc.m_TpS2[at].fifth);
    doc.m_Revision.Bump(DocTable::Tps);
    return true;
}

bool Appl_DeleteTps(COrvanel1Doc& doc, int sat, const std::vector<uint32_t>& tpIdxs)
{
    const uint32_t tpNum = ValidSat(doc, sat) ? doc.m_SatInfo[sat].tpNum : 0;
    const std::vector<uint32_t> sel = NormalizeSelection(tpIdxs, tpNum);
    if (!sel.empty() && sel.size() == tpNum) {
        DocNotify(doc, "Cannot delete all TP..", kProgramTitle, PromptIcon::None);
        return false;
    }
    if (sel.empty()) {
        DocNotify(doc, "First, Select TP !", "Error", PromptIcon::Error);
        return false;
    }
    if (!DocAskYes(doc, "Delete TP information?", "Warnning"))
        return false;
    for (auto it = sel.rbegin(); it != sel.rend(); ++it) {
        const uint32_t tpIdx = *it;
        if (!PurgeSvcUsing(doc, sat, static_cast<int>(tpIdx),
                           "One or more TV/Radio services use this TP info.\nDo you want to continue?"))
            return false;
        CutSatTp(doc, uint32_t(sat), tpIdx);
    }
    return true;
}

uint32_t Appl_TpUserCount(const COrvanel1Doc& doc, uint32_t sat, uint32_t tpIdx)
{
    return uint32_t(SvcUsing(doc, kTvKind, sat, int(tpIdx)).size() + SvcUsing(doc, kRadioKind, sat, int(tpIdx)).size());
}

bool Appl_RemoveUnusedTp(COrvanel1Doc& doc, int sat, uint32_t tpIdx)
{
    if (!ValidSat(doc, sat) || tpIdx >= doc.m_SatInfo[sat].tpNum || doc.m_SatInfo[sat].tpNum < 2 ||
        Appl_TpUserCount(doc, uint32_t(sat), tpIdx) > 0)
        return false;
    CutSatTp(doc, uint32_t(sat), tpIdx);
    return true;
}
