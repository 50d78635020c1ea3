#include "lists/list_vdr.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace lists {

namespace {

constexpr size_t kFields = 13;
constexpr uint32_t kMaxPidValue = 0x2000;
constexpr uint32_t kEncryptedCaMin = 0x100;   // below: device numbers and the user's own marks
constexpr size_t kNotedLines = 200;

// Code rates: ours (1 = 1/2, 2 = 2/3, 3 = 3/4, 4 = 5/6, 6 = 8/9, 7 = 3/5, 8 = 4/5, 9 = 9/10) and VDR's.
constexpr std::pair<uint32_t, uint32_t> kCodeRates[] = {{1, 12}, {2, 23}, {3, 34}, {4, 56}, {6, 89}, {7, 35}, {8, 45}, {9, 910}};
constexpr uint32_t kVdrQpsk = 2, kVdr8psk = 5;

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The number at the start of the text, up to the first of `stops`.
std::optional<uint32_t> Leading(std::string_view text, std::string_view stops, uint32_t max)
{
    return ReadUnsigned(text.substr(0, std::min(text.find_first_of(stops), text.size())), max);
}

struct Params {
    std::optional<uint8_t> polar;
    bool circular = false;
    std::map<char, uint32_t> values;
};

bool ReadParams(std::string_view text, Params& params)
{
    for (size_t i = 0; i < text.size();) {
        const char key = char(std::toupper(static_cast<unsigned char>(text[i++])));
        size_t end = i;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        if (key == 'H' || key == 'V' || key == 'L' || key == 'R') {
            params.polar = key == 'H' || key == 'L';
            params.circular = key == 'L' || key == 'R';
        } else if (const auto value = ReadUnsigned(text.substr(i, end - i), 0xFFFFFF)) {
            params.values[key] = *value;
        } else {
            return false;
        }
        i = end;
    }
    return params.polar.has_value();
}

std::optional<DvbS2Params> S2Of(const Params& params)
{
    const auto value = [&](char key, uint32_t fallback) {
        const auto it = params.values.find(key);
        return it == params.values.end() ? fallback : it->second;
    };
    if (value('S', 0) != 1)
        return std::nullopt;
    DvbS2Params s2{1, value('M', kVdrQpsk) == kVdr8psk ? 2u : 1u, 0, value('N', 0) == 1 ? 1u : 0u, 0};
    for (const auto& [ours, vdr] : kCodeRates)
        if (vdr == value('C', 0))
            s2.fec = ours;
    return s2;
}

// "Name,Short;Provider" with '|' for ':'.
void ReadNames(std::string_view field, ForeignSvc& svc)
{
    const size_t semicolon = field.find(';');
    std::string_view name = field.substr(0, semicolon);
    if (semicolon != std::string_view::npos)
        svc.provider = std::string(field.substr(semicolon + 1));
    if (const size_t comma = name.rfind(','); comma != std::string_view::npos)
        name = name.substr(0, comma);
    svc.name = std::string(name);
    std::replace(svc.name.begin(), svc.name.end(), '|', ':');
    std::replace(svc.provider.begin(), svc.provider.end(), '|', ':');
}

// A channel line; empty when it is one, else why not.
std::string ReadChannel(const std::vector<std::string_view>& fields, ForeignSvc& svc, bool& circular)
{
    if (fields.size() < kFields)
        return "not a channel line (" + std::to_string(fields.size()) + " fields, " + std::to_string(kFields) + " needed)";
    if (fields[3].empty() || fields[3][0] != 'S')
        return "not a satellite channel (source " + Quoted(fields[3]) + ")";
    const auto position = ParsePosition(fields[3].substr(1));
    const auto freq = ReadUnsigned(fields[1], 0xFFFFFF);
    const auto sr = ReadUnsigned(fields[4], 0xFFFFFF);
    Params params;
    if (!position || !freq || !sr || !ReadParams(fields[2], params))
        return "the source, frequency, parameters or symbol rate cannot be read";
    const auto video = Leading(fields[5], "+=", kMaxPidValue);
    const size_t plus = fields[5].find('+');
    const auto pcr = plus == std::string_view::npos ? video : Leading(fields[5].substr(plus + 1), "=", kMaxPidValue);
    const std::vector<std::string_view> audio = Split(fields[6], ';');
    auto audioPid = Leading(audio[0], ",=@", kMaxPidValue);
    if (audioPid == 0u && audio.size() > 1)
        audioPid = Leading(audio[1], ",=@", kMaxPidValue);
    const auto sid = ReadUnsigned(fields[9], 0xFFFF);
    if (!video || !pcr || !audioPid || !sid)
        return "a PID or the SID cannot be read (PIDs go to 8192)";
    svc.scrambled = false;
    for (std::string_view ca : Split(fields[8], ',')) {
        const auto value = ReadUnsigned(Trim(ca), 0xFFFF, 16);
        if (!value)
            return "the CA field " + Quoted(fields[8]) + " cannot be read";
        svc.scrambled = *svc.scrambled || *value >= kEncryptedCaMin;
    }
    if (*video == 0 && *audioPid == 0)
        return "neither a video nor an audio PID (a data service)";
    ReadNames(fields[0], svc);
    svc.kind = *video == 0 ? kRadioKind : kTvKind;
    svc.tp = {*position, *freq, *params.polar, *sr, static_cast<uint8_t>(params.values['P']), S2Of(params)};
    svc.svcId = static_cast<uint16_t>(*sid);
    svc.videoPid = static_cast<uint16_t>(*video);
    svc.pcrPid = static_cast<uint16_t>(*pcr);
    svc.audioPid = static_cast<uint16_t>(*audioPid);
    circular = params.circular;
    return {};
}

std::string Identity(const ForeignSvc& svc)
{
    return std::to_string(svc.tp.position) + ':' + std::to_string(svc.tp.freq) + ':' + char('0' + svc.tp.polar) + ':' +
           std::to_string(svc.svcId) + ':' + svc.name;
}

// ":@201 Text" numbers the next channel; the text alone names the group.
std::string GroupName(std::string_view line)
{
    line.remove_prefix(1);
    if (line.size() > 1 && line[0] == '@' && std::isdigit(static_cast<unsigned char>(line[1]))) {
        line.remove_prefix(1);
        while (!line.empty() && std::isdigit(static_cast<unsigned char>(line.front())))
            line.remove_prefix(1);
    }
    return std::string(Trim(line));
}

std::string ParamsText(const ForeignTp& tp)
{
    std::string text = tp.polar ? "H" : "V";
    if (!tp.s2 || tp.s2->modulation_system != 1)
        return text + "S0";
    for (const auto& [ours, vdr] : kCodeRates)
        if (ours == tp.s2->fec)
            text += "C" + std::to_string(vdr);
    return text + "M" + std::to_string(tp.s2->modulation_type == 2 ? kVdr8psk : kVdrQpsk) + "N" +
           std::to_string(tp.s2->filot ? 1 : 0) + "P" + std::to_string(tp.streamId) + "S1";
}

std::string NameField(const ForeignSvc& svc, std::vector<std::string>& notes)
{
    std::string name = svc.name.empty() ? "No Name" : svc.name;
    std::string provider = svc.provider;
    if (svc.name.empty())
        notes.push_back(svc.where + ": has no name, written as \"No Name\"");
    if (name.find('|') != std::string::npos)
        notes.push_back(svc.where + ": " + Quoted(svc.name) + " holds '|', which reads back as ':'");
    if (!OneLine(name, ";"))
        notes.push_back(svc.where + ": " + Quoted(svc.name) + " holds a line end or ';', written as a space");
    OneLine(provider);
    std::replace(name.begin(), name.end(), ':', '|');
    std::replace(provider.begin(), provider.end(), ':', '|');
    // The rightmost comma ends the name: a trailing one keeps a name's own commas.
    if (name.find(',') != std::string::npos)
        name += ',';
    return provider.empty() ? name : name + ";" + provider;
}

std::string Line(const ForeignSvc& svc, std::vector<std::string>& notes)
{
    std::string video = std::to_string(svc.kind == kTvKind ? svc.videoPid : 0);
    if (svc.pcrPid != (svc.kind == kTvKind ? svc.videoPid : 0))
        video += "+" + std::to_string(svc.pcrPid);
    return NameField(svc, notes) + ":" + std::to_string(svc.tp.freq) + ":" + ParamsText(svc.tp) + ":S" +
           PositionText(svc.tp.position) + ":" + std::to_string(svc.tp.sr) + ":" + video + ":" +
           std::to_string(svc.audioPid) + ":0:" + (svc.scrambled.value_or(false) ? "FFFF" : "0") + ":" +
           std::to_string(svc.svcId) + ":0:0:0\n";
}

} // namespace

bool ReadVdr(std::string_view text, ForeignList& list, std::string& error)
{
    std::map<std::string, uint32_t> seen;
    std::set<std::pair<int32_t, uint32_t>> inGroup;   // a group lists a service once
    int32_t group = -1;
    size_t bad = 0, circular = 0;
    const std::vector<std::string_view> lines = SplitLines(text);
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string_view line = lines[n];
        if (Trim(line).empty())
            continue;
        if (line[0] == ':') {
            if (std::string name = GroupName(line); !name.empty()) {
                list.groups.push_back({std::move(name), {}});
                group = int32_t(list.groups.size() - 1);
            }
            continue;
        }
        ForeignSvc svc;
        svc.where = "line " + std::to_string(n + 1);
        bool isCircular = false;
        if (const std::string why = ReadChannel(Split(line, ':'), svc, isCircular); !why.empty()) {
            if (++bad <= kNotedLines)
                list.notes.push_back(svc.where + " skipped: " + why);
            continue;
        }
        circular += isCircular ? 1 : 0;
        const auto [it, added] = seen.emplace(Identity(svc), uint32_t(list.services.size()));
        if (added)
            list.services.push_back(std::move(svc));
        if (group >= 0 && inGroup.emplace(group, it->second).second)
            list.groups[group].members.push_back(it->second);
    }
    if (bad > kNotedLines)
        list.notes.push_back("... and " + std::to_string(bad - kNotedLines) + " more lines skipped");
    if (circular > 0)
        list.notes.push_back(std::to_string(circular) + " lines of circular polarization: left taken as horizontal, "
                             "right as vertical");
    if (list.services.empty())
        error = bad > 0 ? "no line is a satellite channel the list can take" : "the file holds no channel";
    return error.empty();
}

std::string WriteVdr(const ForeignList& list, std::vector<std::string>& notes)
{
    std::string text;
    for (const ForeignSvc& svc : list.services)
        text += Line(svc, notes);
    std::vector<std::string> ignored;   // members were noted as services already
    for (const ForeignGroup& group : list.groups) {
        std::string name = group.name;
        OneLine(name);
        text += ":" + name + "\n";
        for (uint32_t member : group.members)
            text += Line(list.services[member], ignored);
    }
    if (!list.groups.empty())
        notes.push_back("favourite groups follow the list as groups that repeat their members");
    return text;
}

} // namespace lists
