#include "lists/foreign_list.h"

#include "common/latin1_utf8.h"
#include "common/terminal_text.h"
#include "editing/edit_common.h"
#include "lists/svc_match.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace lists {

namespace {

ForeignSvc ServiceOf(const COrvanel1Doc& doc, SvcKind kind, uint32_t slot, const TpData& tp, bool dvbS2)
{
    const SvcRecord& svc = ListOf(doc, kind)[slot];
    ForeignSvc out;
    out.where = std::string(kind == kTvKind ? "TV " : "Radio ") + std::to_string(slot + 1);
    out.name = Latin1ToUtf8(SvcNameOf(doc, svc));
    if (svc.providerIdx < kMaxProvider)
        out.provider = Latin1ToUtf8(FieldText(doc.m_Provider[svc.providerIdx]));
    out.kind = kind;
    out.tp.freq = tp.freq;
    out.tp.polar = tp.polar;
    out.tp.sr = tp.sr;
    out.tp.streamId = static_cast<uint8_t>(tp.tpWord1);
    if (dvbS2)
        out.tp.s2 = doc.m_TpS2[&tp - doc.m_TpData.data()];
    out.svcId = svc.svcId;
    out.pmtPid = svc.pmtPid;
    out.pcrPid = svc.pcrPid;
    out.videoPid = svc.videoPid;
    out.audioPid = svc.audioPid;
    out.scrambled = svc.scrambled != 0;
    return out;
}

uint32_t CountWhere(const COrvanel1Doc& doc, bool (*test)(const SvcRecord&))
{
    uint32_t count = 0;
    for (SvcKind kind : {kTvKind, kRadioKind})
        count += static_cast<uint32_t>(std::count_if(ListOf(doc, kind), ListOf(doc, kind) + CountOf(doc, kind), test));
    return count;
}

} // namespace

ForeignList ListOfDocument(const COrvanel1Doc& doc, CSatPlaces* places)
{
    ForeignList list;
    const bool dvbS2 = settings::TraitsOfModel(doc.m_ModelId).dvbS2;
    std::map<uint32_t, uint32_t> leftOut;   // satellite -> services left out
    std::array<std::vector<int32_t>, 2> indexOf;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        indexOf[kind].assign(CountOf(doc, kind), -1);
        for (uint32_t slot = 0; slot < CountOf(doc, kind); ++slot) {
            const SvcRecord& svc = ListOf(doc, kind)[slot];
            const TpData* tp = TpOf(doc, svc);
            std::optional<OrbitalPosition> position = 0;
            if (places && tp)
                position = places->PositionOf(svc.satIdx);
            if (!tp || !position) {
                ++leftOut[tp ? svc.satIdx : kMaxSat];
                continue;
            }
            indexOf[kind][slot] = int32_t(list.services.size());
            list.services.push_back(ServiceOf(doc, kind, slot, *tp, dvbS2));
            list.services.back().tp.position = *position;
        }
    }
    for (const auto& [sat, count] : leftOut)
        list.notes.push_back(std::to_string(count) + " services left out: " +
                             (sat == kMaxSat ? std::string("their TP is not in the TP table")
                                             : "the satellite " + Quoted(Latin1ToUtf8(SatName(doc, sat))) +
                                                   " has no orbital position (name it with one, as in \"Astra 19.2E\")"));
    for (uint32_t g = 0; g < std::min(doc.m_FavCnt, kMaxFavGroup); ++g) {
        const FavCh& fav = doc.m_FavCh[g];
        ForeignGroup group{Latin1ToUtf8(FieldText(fav.favName)), {}};
        for (uint32_t m = 0; m < std::min<uint32_t>(fav.numOfFavCh, kMaxFavMember); ++m) {
            const uint8_t kind = fav.svcType[m];
            if (kind <= kRadioKind && fav.chNum[m] < indexOf[kind].size() && indexOf[kind][fav.chNum[m]] >= 0)
                group.members.push_back(uint32_t(indexOf[kind][fav.chNum[m]]));
        }
        list.groups.push_back(std::move(group));
    }
    return list;
}

void NoteWhatIsLost(const COrvanel1Doc& doc, const FormatKeeps& keeps, std::vector<std::string>& notes)
{
    const uint32_t locked = CountWhere(doc, [](const SvcRecord& s) { return s.lock != 0; });
    const uint32_t skipped = CountWhere(doc, [](const SvcRecord& s) { return s.skip != 0; });
    const uint32_t scrambled = CountWhere(doc, [](const SvcRecord& s) { return s.scrambled != 0; });
    std::string flags = "not carried: the tuner assignment";
    if (locked > 0)
        flags += ", the lock flag (set on " + std::to_string(locked) + ")";
    if (skipped > 0)
        flags += ", the skip flag (set on " + std::to_string(skipped) + ")";
    notes.push_back(flags);
    if (keeps.tp)
        notes.push_back("TSID and ONID: we keep none, written as 0");
    else
        notes.push_back("not carried: satellites, TPs, service ids and PIDs");
    if (keeps.pids && !keeps.pmtPid)
        notes.push_back("not carried: the PMT PID");
    if (keeps.scrambled && scrambled > 0)
        notes.push_back("CA system ids: we keep none, the " + std::to_string(scrambled) +
                        " scrambled services carry FFFF");
    if (!keeps.scrambled && scrambled > 0)
        notes.push_back("not carried: the scrambled flag (set on " + std::to_string(scrambled) + ")");
    if (!keeps.groups && doc.m_FavCnt > 0)
        notes.push_back("not carried: the " + std::to_string(std::min(doc.m_FavCnt, kMaxFavGroup)) + " favourite groups");
}

bool ToStbText(std::string_view utf8, std::string& latin1)
{
    latin1.clear();
    bool whole = true;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const size_t length = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
                            : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        std::string latin;
        if (length == 0 || i + length > utf8.size() || Utf8ToLatin1(utf8.substr(i, length), latin) == Utf8Result::Malformed) {
            latin1 += '?', whole = false, ++i;   // a stray byte
            continue;
        }
        if (latin.empty() || latin[0] == '\0')
            latin = "?", whole = false;
        latin1 += latin;
        i += length;
    }
    return whole;
}

bool OneLine(std::string& text, std::string_view forbidden, char replacement)
{
    bool clean = true;
    for (char& c : text)
        if (c == '\r' || c == '\n' || forbidden.find(c) != std::string_view::npos)
            c = replacement, clean = false;
    return clean;
}

std::string NoteLines(const std::vector<std::string>& notes, size_t maxNotes)
{
    std::string text;
    for (size_t n = 0; n < std::min(maxNotes, notes.size()); ++n)
        text += notes[n] + "\n";
    if (notes.size() > maxNotes)
        text += "... and " + std::to_string(notes.size() - maxNotes) + " more\n";
    return text;
}

std::string Quoted(std::string_view utf8) { return "\"" + CutForEcho(utf8) + "\""; }

std::vector<std::string_view> SplitLines(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = std::min(text.find_first_of("\r\n"), text.size());
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end);
        text.remove_prefix(text.substr(0, 2) == "\r\n" ? 2 : std::min<size_t>(text.size(), 1));
    }
    return lines;
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

std::optional<uint32_t> ReadUnsigned(std::string_view text, uint32_t max, int base)
{
    uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

} // namespace lists
