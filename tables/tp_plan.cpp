#include "tables/tp_plan.h"

#include "common/latin1_utf8.h"
#include "editing/edit_common.h"
#include "editing/sat_edit.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace tables {
namespace {

constexpr uint32_t kMaxStreamId = 255;   // the STB keeps the low 8 bits

bool HeldS2(const TableTp& entry, uint32_t fifth, DvbS2Params& s2, std::string& why)
{
    DvbS2Choice choice;
    if (entry.system == DeliverySystem::DvbS2) {
        choice.modulation = entry.modulation == Modulation::Qpsk ? 1 : entry.modulation == Modulation::Psk8 ? 2 : 0;
        if (choice.modulation == 0) {
            why = std::string("modulation ") + ModulationText(entry.modulation) + ": this model stores QPSK or 8PSK";
            return false;
        }
        // The rates the model offers for the modulation, as the editor's dialog names them.
        const std::vector<std::string> rates = FecTexts(choice.modulation);
        const auto it = std::find(rates.begin(), rates.end(), FecText(entry.fec));
        if (it == rates.end()) {
            why = std::string("code rate ") + FecText(entry.fec) + " of " + ModulationText(entry.modulation) +
                  ": not one this model stores";
            return false;
        }
        choice.fecIdx = int(it - rates.begin());
        choice.pilot = entry.pilot == Pilot::On ? 1 : 0;
    }
    s2 = DvbS2FromChoice(choice, fifth);
    return true;
}

// The entry in the STB's terms; false with the reason when the STB cannot hold it.
bool ToStb(const TableTp& entry, bool dvbS2, TpData& tp, DvbS2Params& s2, std::string& why)
{
    tp = TpData{};
    tp.freq = (entry.freqKHz + 500) / 1000;
    const uint32_t sr = (entry.symbolRate + 500) / 1000;
    tp.polar = entry.polar == Polarization::Horizontal || entry.polar == Polarization::Left ? 1 : 0;
    tp.tpWord1 = uint16_t(entry.streamId == kNoStreamId ? 0 : std::clamp<int32_t>(entry.streamId, 0, 0xFFFF));
    if (tp.freq < kMinTpFreq || tp.freq > kMaxTpFreq)
        why = "frequency " + std::to_string(tp.freq) + " MHz: the STB keeps 2000 to 16383 MHz";
    else if (sr < kMinTpSr || sr > kMaxTpSr)
        why = "symbol rate " + std::to_string(sr) + " kS/s: the STB keeps 1000 to 45000 kS/s";
    else if (entry.streamId != kNoStreamId && uint32_t(entry.streamId) > kMaxStreamId)
        why = "stream id " + std::to_string(entry.streamId) + ": the STB keeps 0 to 255";
    if (!why.empty())
        return false;
    tp.sr = uint16_t(sr);
    if (entry.plsCode != 0) {
        why = "PLS code " + std::to_string(entry.plsCode) + ": the STB keeps no scrambling code";
        return false;
    }
    return !dvbS2 || HeldS2(entry, 0, s2, why);
}

uint32_t Tolerance(uint32_t srKs) { return srKs < kNarrowSymbolRate ? kNarrowTpTolerance : kWideTpTolerance; }

bool SameCarrier(const TpData& a, const TpData& b)
{
    const uint32_t gap = uint32_t(std::abs(int64_t(a.freq) - int64_t(b.freq)));
    return a.polar == b.polar && (a.tpWord1 & 0xFF) == (b.tpWord1 & 0xFF) && gap <= Tolerance(b.sr);
}

// An entry in the STB's terms, and whether the STB can hold it.
struct Mapped {
    TableTp source;
    TpData tp;
    DvbS2Params s2;
    std::string why;    // empty when held
    bool Held() const { return why.empty(); }
};

// The table's entries in order, each carrier once; the repeats go to plan.duplicates, those
// whose frequency the STB cannot hold at all straight to plan.notHeld.
std::vector<Mapped> MapEntries(const TpTable& table, TpPlan& plan)
{
    std::vector<Mapped> mapped;
    for (const TableTp& entry : table.tps) {
        Mapped m{entry, {}, {}, {}};
        ToStb(entry, plan.dvbS2, m.tp, m.s2, m.why);
        if (m.tp.sr == 0) {   // no frequency or symbol rate to match by
            plan.notHeld.push_back({entry, m.why});
            continue;
        }
        const auto twin = std::find_if(mapped.begin(), mapped.end(), [&](const Mapped& o) { return SameCarrier(o.tp, m.tp); });
        if (twin != mapped.end())
            plan.duplicates.push_back({entry, "the same transponder as line " + std::to_string(twin->source.line)});
        else
            mapped.push_back(m);
    }
    return mapped;
}

// For each STB transponder of the satellite, the entry that is the same carrier (-1 none):
// nearest frequency first, each entry once.
std::vector<int> MatchCarriers(const COrvanel1Doc& doc, uint32_t start, uint32_t tpNum, const std::vector<Mapped>& mapped)
{
    std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> pairs;   // gap, STB index, entry
    for (uint32_t i = 0; i < tpNum; ++i)
        for (uint32_t j = 0; j < mapped.size(); ++j)
            if (SameCarrier(doc.m_TpData[start + i], mapped[j].tp))
                pairs.emplace_back(uint32_t(std::abs(int64_t(doc.m_TpData[start + i].freq) - int64_t(mapped[j].tp.freq))), i, j);
    std::sort(pairs.begin(), pairs.end());
    std::vector<int> entryOf(tpNum, -1);
    std::vector<bool> taken(mapped.size(), false);
    for (const auto& [gap, i, j] : pairs)
        if (entryOf[i] < 0 && !taken[j])
            entryOf[i] = int(j), taken[j] = true;
    return entryOf;
}

void Plan(const COrvanel1Doc& doc, const std::vector<Mapped>& mapped, TpPlan& plan)
{
    const uint32_t start = Appl_SatTpStart(doc, uint32_t(plan.sat));
    const std::vector<int> entryOf = MatchCarriers(doc, start, plan.tpNum, mapped);
    std::vector<bool> matched(mapped.size(), false);
    for (uint32_t i = 0; i < plan.tpNum; ++i) {
        const TpData& now = doc.m_TpData[start + i];
        const DvbS2Params& s2Now = doc.m_TpS2[start + i];
        if (entryOf[i] < 0) {
            plan.unlisted.push_back({i, now, Appl_TpUserCount(doc, uint32_t(plan.sat), i), false});
            continue;
        }
        const Mapped& m = mapped[entryOf[i]];
        matched[entryOf[i]] = true;
        if (!m.Held()) {
            plan.notHeld.push_back({m.source, m.why + "; the STB's " + StbTpText(now, nullptr) + " stays as it is"});
            continue;
        }
        TpData after = now;
        after.freq = m.tp.freq;
        after.sr = m.tp.sr;
        DvbS2Params s2After = s2Now;
        if (plan.dvbS2) {
            s2After = m.s2;
            s2After.fifth = s2Now.fifth;
        }
        if (after == now && s2After == s2Now)
            ++plan.unchanged;
        else
            plan.changes.push_back({i, m.source, now, after, s2Now, s2After});
    }
    for (size_t j = 0; j < mapped.size(); ++j)
        if (!matched[j]) {
            if (mapped[j].Held())
                plan.adds.push_back({mapped[j].source, mapped[j].tp, mapped[j].s2});
            else
                plan.notHeld.push_back({mapped[j].source, mapped[j].why});
        }
}

// What the model keeps of no entry it holds, counted.
void NoteLosses(TpPlan& plan)
{
    std::array<uint32_t, 7> count{};
    auto note = [&](const TableTp& tp) {
        count[0] += tp.freqKHz % 1000 != 0;
        count[1] += tp.symbolRate % 1000 != 0;
        count[2] += tp.polar == Polarization::Left || tp.polar == Polarization::Right;
        count[3] += tp.rollOff != RollOff::Auto;
        count[4] += !plan.dvbS2 && tp.system == DeliverySystem::DvbS2;
        count[5] += tp.fec != Fec::Auto && (!plan.dvbS2 || tp.system == DeliverySystem::DvbS);
        count[6] += plan.dvbS2 && tp.system == DeliverySystem::DvbS2 && tp.pilot == Pilot::Auto;
    };
    for (const PlannedAdd& add : plan.adds)
        note(add.source);
    for (const PlannedChange& change : plan.changes)
        note(change.source);
    static const char* const kTexts[] = {
        "frequencies rounded to whole MHz (the STB keeps MHz)",
        "symbol rates rounded to whole kS/s (the STB keeps kS/s)",
        "circular polarizations stored as Horizontal (left) or Vertical (right)",
        "roll-offs not stored (no model keeps one)",
        "DVB-S2 system, modulation and pilot not stored (this model keeps DVB-S values only)",
        "code rates not stored (only the DVB-S2 model keeps one, for DVB-S2)",
        "pilots \"auto\" stored as off (the model keeps on or off)"};
    for (size_t i = 0; i < count.size(); ++i)
        if (count[i])
            plan.losses.push_back(std::to_string(count[i]) + " " + kTexts[i]);
}

std::string Lines(const std::string& title, const std::vector<std::string>& lines, size_t maxListed)
{
    if (lines.empty())
        return {};
    std::string text = title + ":\n";
    for (size_t i = 0; i < lines.size() && i < maxListed; ++i)
        text += "  " + lines[i] + "\n";
    if (lines.size() > maxListed)
        text += "  ... and " + std::to_string(lines.size() - maxListed) + " more\n";
    return text;
}

template <class T, class Fn>
std::vector<std::string> Each(const std::vector<T>& items, Fn fn)
{
    std::vector<std::string> lines;
    for (const T& item : items)
        lines.push_back(fn(item));
    return lines;
}

std::string LineOf(const TableTp& tp) { return "  (line " + std::to_string(tp.line) + ")"; }

}  // namespace

TpPlan PlanTpUpdate(const COrvanel1Doc& doc, int sat, const TpTable& table)
{
    TpPlan plan;
    if (sat < 0 || uint32_t(sat) >= doc.m_SatCnt)
        return plan;
    plan.sat = sat;
    plan.satName = SatName(doc, uint32_t(sat));
    plan.tableName = table.name;
    plan.dvbS2 = settings::TraitsOfModel(doc.m_ModelId).dvbS2;
    plan.tpNum = doc.m_SatInfo[sat].tpNum;
    plan.skipped = table.skipped;
    plan.mended = table.mended;
    Plan(doc, MapEntries(table, plan), plan);
    NoteLosses(plan);
    return plan;
}

bool SetRemove(TpPlan& plan, size_t unlisted, bool remove)
{
    if (unlisted >= plan.unlisted.size() || (remove && plan.unlisted[unlisted].users > 0))
        return false;
    plan.unlisted[unlisted].remove = remove;
    return true;
}

PlanRoom RoomFor(const COrvanel1Doc& doc, const TpPlan& plan)
{
    const uint32_t removed = uint32_t(std::count_if(plan.unlisted.begin(), plan.unlisted.end(),
                                                    [](const UnlistedTp& u) { return u.remove && u.users == 0; }));
    const size_t satRoom = kMaxTpPerSat - std::min(kMaxTpPerSat, plan.tpNum - removed);
    const size_t allRoom = kMaxEditTp - std::min(kMaxEditTp, doc.m_TpCnt - removed);
    PlanRoom room;
    room.fit = std::min({plan.adds.size(), satRoom, allRoom});
    if (room.fit < plan.adds.size())
        room.limit = CountOf(plan.adds.size() - room.fit, "transponder") + " cannot be added: " +
                     (satRoom <= allRoom ? "a satellite holds at most " + std::to_string(kMaxTpPerSat)
                                         : "the STB holds at most " + std::to_string(kMaxEditTp)) +
                     " transponders";
    return room;
}

bool ApplyTpPlan(COrvanel1Doc& doc, const TpPlan& plan, TpUpdateResult& result)
{
    result = {};
    const int sat = plan.sat;
    const bool same = sat >= 0 && uint32_t(sat) < doc.m_SatCnt && doc.m_SatInfo[sat].tpNum == plan.tpNum &&
                      std::all_of(plan.changes.begin(), plan.changes.end(), [&](const PlannedChange& c) {
                          return doc.m_TpData[Appl_SatTpStart(doc, uint32_t(sat)) + c.tpIdx] == c.before;
                      }) &&
                      std::all_of(plan.unlisted.begin(), plan.unlisted.end(), [&](const UnlistedTp& u) {
                          return doc.m_TpData[Appl_SatTpStart(doc, uint32_t(sat)) + u.tpIdx] == u.tp;
                      });
    std::vector<uint32_t> removals;
    for (const UnlistedTp& u : plan.unlisted)
        if (u.remove && u.users == 0)
            removals.push_back(u.tpIdx);
    const PlanRoom room = RoomFor(doc, plan);
    if (!same)
        result.error = "The satellite's transponders changed since the plan was made; nothing was changed.";
    else if (removals.size() == plan.tpNum && room.fit == 0)
        result.error = "Cannot delete all TP..";
    if (!result.error.empty())
        return false;
    // A satellite keeps one transponder at all times: when every one goes, the first goes
    // after the additions.
    const bool keepFirst = removals.size() == plan.tpNum;
    for (auto it = removals.rbegin(); it != removals.rend(); ++it)
        if (!(keepFirst && it + 1 == removals.rend()))
            result.removed += Appl_RemoveUnusedTp(doc, sat, *it);
    const uint32_t start = Appl_SatTpStart(doc, uint32_t(sat));
    for (const PlannedChange& change : plan.changes) {
        const uint32_t below = uint32_t(
            std::count_if(removals.begin(), removals.end(), [&](uint32_t r) { return r < change.tpIdx; }));
        doc.m_TpData[start + change.tpIdx - below] = change.after;
        doc.m_TpS2[start + change.tpIdx - below] = change.s2After;
        ++result.changed;
    }
    if (result.changed)
        doc.m_Revision.Bump(DocTable::Tps);
    for (size_t i = 0; i < plan.adds.size(); ++i) {
        const int at = i < room.fit ? Appl_InsertTp(doc, sat, plan.adds[i].tp) : -1;
        if (at < 0) {
            ++result.notAdded;
            continue;
        }
        doc.m_TpS2[uint32_t(at)] = plan.adds[i].s2;
        ++result.added;
    }
    if (keepFirst)
        result.removed += Appl_RemoveUnusedTp(doc, sat, removals.front());
    return true;
}

std::string StbTpText(const TpData& tp, const DvbS2Params* s2)
{
    char text[96];
    std::snprintf(text, sizeof text, "%u MHz %s %u kS/s", tp.freq, tp.polar ? "H" : "V", unsigned(tp.sr));
    std::string out = text;
    if ((tp.tpWord1 & 0xFF) != 0)
        out += " stream " + std::to_string(tp.tpWord1 & 0xFF);
    if (!s2)
        return out;
    if (s2->modulation_system == 0)
        return out + " DVB-S";
    const DvbS2Choice choice = ChoiceFromDvbS2(*s2);
    const std::vector<std::string> rates = FecTexts(choice.modulation);
    out += choice.modulation == 2 ? " DVB-S2 8PSK " : " DVB-S2 QPSK ";
    out += size_t(choice.fecIdx) < rates.size() ? rates[choice.fecIdx] : "?";
    return out + (s2->filot ? " pilot on" : " pilot off");
}

std::string PlanSummary(const TpPlan& plan)
{
    return std::to_string(plan.adds.size()) + " to add, " + std::to_string(plan.changes.size()) + " to change, " +
           std::to_string(plan.unchanged) + " unchanged, " + std::to_string(plan.unlisted.size()) +
           " not in the table, " + std::to_string(plan.notHeld.size()) + " the STB cannot hold";
}

const char* PlanPartTitle(PlanPart part)
{
    static const char* const kTitles[] = {"To add", "To change",
                                          "Not in the table (kept unless ticked; never while services use them)",
                                          "The STB cannot hold", "Listed twice", "Left out of the table",
                                          "Read with a correction", "Not kept"};
    return kTitles[int(part)];
}

std::vector<std::string> PlanLines(const TpPlan& plan, PlanPart part)
{
    const bool s2 = plan.dvbS2;
    auto heldNot = [](const HeldNot& h) { return DescribeTableTp(h.source) + LineOf(h.source) + ": " + h.why; };
    switch (part) {
    case PlanPart::Add:
        return Each(plan.adds, [&](const PlannedAdd& a) { return StbTpText(a.tp, s2 ? &a.s2 : nullptr) + LineOf(a.source); });
    case PlanPart::Change:
        return Each(plan.changes, [&](const PlannedChange& c) {
            return StbTpText(c.before, s2 ? &c.s2Before : nullptr) + "  ->  " + StbTpText(c.after, s2 ? &c.s2After : nullptr);
        });
    case PlanPart::Unlisted:
        return Each(plan.unlisted, [](const UnlistedTp& u) {
            return StbTpText(u.tp, nullptr) + (u.users ? "  (" + CountOf(u.users, "service") + ": stays)" : "  (no service)");
        });
    case PlanPart::NotHeld: return Each(plan.notHeld, heldNot);
    case PlanPart::Duplicate: return Each(plan.duplicates, heldNot);
    case PlanPart::Skipped: return Each(plan.skipped, [](const TableProblem& p) { return p.Describe(); });
    case PlanPart::Mended: return Each(plan.mended, [](const TableProblem& p) { return p.Describe(); });
    case PlanPart::Loss: return plan.losses;
    case PlanPart::Count: break;
    }
    return {};
}

std::string DescribeTpPlan(const COrvanel1Doc& doc, const TpPlan& plan, size_t maxListed)
{
    std::string text = "Satellite " + std::to_string(plan.sat + 1) + " \"" + Latin1ToUtf8(plan.satName) + "\" from \"" +
                       plan.tableName + "\": " + PlanSummary(plan) + "\n";
    for (int part = 0; part < int(PlanPart::Count); ++part) {
        std::vector<std::string> lines = PlanLines(plan, PlanPart(part));
        for (size_t i = 0; PlanPart(part) == PlanPart::Unlisted && i < lines.size(); ++i)
            lines[i] += plan.unlisted[i].remove ? ", to remove" : "";
        text += Lines(PlanPartTitle(PlanPart(part)), lines, maxListed);
    }
    const PlanRoom room = RoomFor(doc, plan);
    if (!room.limit.empty())
        text += room.limit + "\n";
    return text;
}

std::string DescribeTpUpdate(const TpPlan& plan, const TpUpdateResult& result)
{
    std::string text = "Satellite \"" + Latin1ToUtf8(plan.satName) + "\": " + CountOf(result.added, "transponder") + " added, " +
                       std::to_string(result.changed) + " changed, " + std::to_string(result.removed) + " removed";
    if (result.notAdded)
        text += ", " + std::to_string(result.notAdded) + " not added for want of room";
    return text;
}

}  // namespace tables
