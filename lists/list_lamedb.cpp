#include "lists/list_lamedb.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <set>
#include <tuple>

namespace lists {

namespace {

const std::string kLamedb = "lamedb";
const std::string kHeader = "eDVB services /4/";
constexpr size_t kNotedEntries = 200;
constexpr uint32_t kFullCircle = 3600;
constexpr uint32_t kTvType = 1, kRadioType = 2;
constexpr uint32_t kNoType = 0x10000;
// Service types that are TV (MPEG-2, H.264 and HEVC, SD and HD) or radio (MPEG and advanced codec).
constexpr uint32_t kTvTypes[] = {1, 17, 22, 25, 31, 134};
constexpr uint32_t kRadioTypes[] = {2, 10};
// Entries of the cache of PIDs after "c:": two decimal digits of index, four hex digits of PID.
constexpr uint32_t kCacheVideo = 0, kCacheAudio = 1, kCachePcr = 3, kCacheAc3 = 4, kCachePmt = 14;
constexpr uint32_t kMarkerFlag = 64;

// (namespace, TSID, ONID)
using TpKey = std::tuple<uint32_t, uint32_t, uint32_t>;
using SvcKey = std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>;   // SID, then the TP's key

std::optional<SvcKind> KindOfType(uint32_t type)
{
    if (std::find(std::begin(kRadioTypes), std::end(kRadioTypes), type) != std::end(kRadioTypes))
        return kRadioKind;
    if (std::find(std::begin(kTvTypes), std::end(kTvTypes), type) != std::end(kTvTypes))
        return kTvKind;
    return std::nullopt;
}

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

std::string Hex(uint32_t value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

std::string UpperHex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

class CNotes {
public:
    explicit CNotes(std::vector<std::string>& notes) : m_Notes(notes) {}
    ~CNotes()
    {
        if (m_Count > kNotedEntries)
            m_Notes.push_back("... and " + std::to_string(m_Count - kNotedEntries) + " more entries skipped");
    }
    void Add(const std::string& note)
    {
        if (++m_Count <= kNotedEntries)
            m_Notes.push_back(note);
    }

private:
    std::vector<std::string>& m_Notes;
    size_t m_Count = 0;
};

std::optional<TpKey> ReadTpKey(std::string_view text, size_t fields)
{
    const std::vector<std::string_view> parts = Split(text, ':');
    if (parts.size() < fields)
        return std::nullopt;
    std::array<uint32_t, 4> values{};
    for (size_t i = 0; i < fields; ++i) {
        const auto value = ReadUnsigned(parts[i], 0xFFFFFFFF, 16);
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    return TpKey{values[fields - 3], values[fields - 2], values[fields - 1]};
}

// "s FREQ:SR:POL:FEC:ORBPOS:INV:FLAGS[:SYSTEM:MODULATION:ROLLOFF:PILOT...]"
std::optional<ForeignTp> ReadSatTp(std::string_view data)
{
    const std::vector<std::string_view> f = Split(data.substr(2), ':');
    std::vector<uint32_t> v;
    for (size_t i = 0; i < std::min<size_t>(f.size(), 11); ++i) {
        const auto value = ReadUnsigned(f[i], 0xFFFFFFFF);
        if (!value)
            return std::nullopt;
        v.push_back(*value);
    }
    if (v.size() < 7 || v[4] >= kFullCircle || v[2] > 3)
        return std::nullopt;
    ForeignTp tp;
    tp.freq = (v[0] + 500) / 1000;
    tp.sr = (v[1] + 500) / 1000;
    tp.polar = v[2] == 0 || v[2] == 2;   // horizontal or circular left
    tp.position = v[4] <= kFullCircle / 2 ? OrbitalPosition(v[4]) : OrbitalPosition(v[4]) - OrbitalPosition(kFullCircle);
    if (v.size() >= 11 && v[7] == 1)
        tp.s2 = DvbS2Params{1, v[8] == 2 ? 2u : 1u, v[3] == 5 || v[3] > 9 ? 0u : v[3], v[10] == 1 ? 1u : 0u, 0};
    return tp;
}

struct Reader {
    explicit Reader(ForeignList& out) : list(out), notes(out.notes) {}

    ForeignList& list;
    CNotes notes;
    std::map<TpKey, std::optional<ForeignTp>> tps;
    // Our two lists may give a TV and a radio service one SID on one TP: the kind keeps them apart.
    std::map<std::pair<SvcKey, SvcKind>, uint32_t> services;

    // From line n on, up to "end"; returns the line after it.
    size_t Transponders(const std::vector<std::string_view>& lines, size_t n)
    {
        while (n < lines.size() && lines[n] != "end") {
            const auto key = ReadTpKey(lines[n], 3);
            const size_t header = n++;
            std::optional<ForeignTp> tp;
            bool satellite = false;
            for (; n < lines.size() && lines[n] != "/" && lines[n] != "end"; ++n) {
                const std::string_view data = TrimLeft(lines[n]);
                if (data.substr(0, 2) == "s ")
                    satellite = true, tp = ReadSatTp(data);
            }
            if (n < lines.size() && lines[n] == "/")
                ++n;
            if (!key || (satellite && !tp))
                notes.Add("lamedb line " + std::to_string(header + 1) + ": a transponder that cannot be read");
            else
                tps[*key] = tp;
        }
        return n + 1;
    }

    void Cache(std::string_view entry, ForeignSvc& svc)
    {
        if (entry.substr(0, 2) == "C:") {
            svc.scrambled = true;
            return;
        }
        if (entry.substr(0, 2) != "c:" || entry.size() < 4)
            return;
        const auto index = ReadUnsigned(entry.substr(2, 2), 99);
        const auto pid = ReadUnsigned(entry.substr(4), 0x2000, 16);
        if (!index || !pid)
            return;
        if (*index == kCacheVideo)
            svc.videoPid = uint16_t(*pid);
        else if (*index == kCacheAudio || (*index == kCacheAc3 && svc.audioPid == 0))
            svc.audioPid = uint16_t(*pid);
        else if (*index == kCachePcr)
            svc.pcrPid = uint16_t(*pid);
        else if (*index == kCachePmt)
            svc.pmtPid = uint16_t(*pid);
    }

    // Why the service cannot be taken; empty when it can.
    std::string Service(std::string_view ref, std::string_view name, std::string_view data, ForeignSvc& svc, SvcKey& key)
    {
        const std::vector<std::string_view> f = Split(ref, ':');
        const auto sid = f.size() >= 6 ? ReadUnsigned(f[0], 0xFFFF, 16) : std::nullopt;
        const auto tpKey = f.size() >= 6 ? ReadTpKey(ref.substr(f[0].size() + 1), 3) : std::nullopt;
        const uint32_t type = f.size() >= 6 ? ReadUnsigned(f[4], 0xFFFF).value_or(kNoType) : kNoType;
        if (!sid || !tpKey || type == kNoType)
            return "a service that cannot be read";
        svc.name = std::string(name);
        svc.svcId = uint16_t(*sid);
        key = {*sid, std::get<0>(*tpKey), std::get<1>(*tpKey), std::get<2>(*tpKey)};
        const auto tp = tps.find(*tpKey);
        if (tp == tps.end())
            return Quoted(name) + ": its transponder is not in the transponders section";
        if (!tp->second)
            return Quoted(name) + ": not a satellite service";
        const std::optional<SvcKind> kind = KindOfType(type);
        if (!kind)
            return Quoted(name) + ": not a TV or radio service (type " + std::to_string(type) + ")";
        svc.kind = *kind;
        svc.tp = *tp->second;
        for (std::string_view entry : Split(data, ',')) {
            if (entry.substr(0, 2) == "p:")
                svc.provider = std::string(entry.substr(2));
            else
                Cache(entry, svc);
        }
        return {};
    }

    size_t Services(const std::vector<std::string_view>& lines, size_t n)
    {
        for (; n + 2 < lines.size() && lines[n] != "end"; n += 3) {
            ForeignSvc svc;
            svc.where = "lamedb line " + std::to_string(n + 1);
            SvcKey key;
            if (const std::string why = Service(lines[n], lines[n + 1], lines[n + 2], svc, key); !why.empty()) {
                notes.Add(svc.where + ": " + why);
                continue;
            }
            services.emplace(std::pair{key, svc.kind}, uint32_t(list.services.size()));
            list.services.push_back(std::move(svc));
        }
        return n;
    }

    void Bouquet(const std::string& file, const std::string& text, std::vector<ForeignGroup>& groups)
    {
        ForeignGroup group;
        group.name = file.substr(file.find('.') + 1, file.rfind('.') - file.find('.') - 1);
        const std::vector<std::string_view> lines = SplitLines(text);
        for (size_t n = 0; n < lines.size(); ++n) {
            const std::string_view line = lines[n];
            const std::string where = file + " line " + std::to_string(n + 1);
            if (line.substr(0, 6) == "#NAME ") {
                group.name = std::string(line.substr(6));
                continue;
            }
            if (line.substr(0, 9) != "#SERVICE ")
                continue;
            const std::vector<std::string_view> f = Split(line.substr(9), ':');
            const auto flags = f.size() >= 10 ? ReadUnsigned(f[1], 0xFFFFFFFF, 16) : std::nullopt;
            if (flags && (*flags & kMarkerFlag))
                continue;   // a label between services
            // 1:FLAGS:TYPE:SID:TSID:ONID:NAMESPACE:0:0:0:[URL]
            std::array<std::optional<uint32_t>, 4> id{};
            for (size_t i = 0; flags && i < id.size(); ++i)
                id[i] = ReadUnsigned(f[3 + i], 0xFFFFFFFF, 16);
            if (!id[0] || !id[1] || !id[2] || !id[3] || f[0] != "1" || (f.size() > 10 && !f[10].empty())) {
                notes.Add(where + ": not a service of the lamedb (a stream, a nested bouquet or unreadable)");
                continue;
            }
            const SvcKey key{*id[0], *id[3], *id[1], *id[2]};
            const auto type = ReadUnsigned(f[2], 0xFFFF, 16);
            const std::optional<SvcKind> kind = type ? KindOfType(*type) : std::nullopt;
            auto it = services.find({key, kind.value_or(kTvKind)});
            if (it == services.end() && !kind)
                it = services.find({key, kRadioKind});
            if (it == services.end())
                notes.Add(where + ": a service the lamedb does not hold, or could not take");
            else
                group.members.push_back(it->second);
        }
        groups.push_back(std::move(group));
    }

    void Bouquets(const FolderFiles& files)
    {
        std::set<std::string> read;   // a bouquet named twice is one group: it is read once
        for (const char* index : {"bouquets.tv", "bouquets.radio"}) {
            const auto it = files.find(index);
            if (it == files.end())
                continue;
            for (std::string_view line : SplitLines(it->second)) {
                const size_t open = line.find("FROM BOUQUET \"");
                const size_t close = open == std::string_view::npos ? open : line.find('"', open + 14);
                if (close == std::string_view::npos)
                    continue;
                const std::string file(line.substr(open + 14, close - open - 14));
                const auto bouquet = IsLamedbFolderFile(file) && file.rfind("userbouquet.", 0) == 0 ? files.find(file)
                                                                                                      : files.end();
                if (bouquet == files.end())
                    notes.Add(std::string(index) + ": the bouquet " + Quoted(file) + " is not in the folder");
                else if (read.insert(file).second)
                    Bouquet(file, bouquet->second, list.groups);
            }
        }
    }
};

std::string Slug(const std::string& name, std::set<std::string>& taken)
{
    std::string slug;
    for (unsigned char c : name)
        slug += std::isalnum(c) && c < 0x80 ? char(std::tolower(c)) : '_';
    if (slug.empty())
        slug = "group";
    std::string unique = slug;
    for (int n = 2; !taken.insert(unique).second; ++n)
        unique = slug + "_" + std::to_string(n);
    return unique;
}

struct TpRef {
    uint32_t ns = 0;
    uint32_t tsid = 0;
};

class CWriter {
public:
    CWriter(const ForeignList& list, std::vector<std::string>& notes) : m_List(list), m_Notes(notes) {}

    FolderFiles Write()
    {
        std::string transponders = "transponders\n", services = "services\n";
        std::set<std::tuple<uint32_t, uint32_t, uint32_t, SvcKind>> sids;   // a service's type is part of its key
        for (const ForeignSvc& svc : m_List.services) {
            const TpRef tp = Transponder(svc.tp, transponders);
            m_Refs.push_back(tp);
            if (!sids.insert({svc.svcId, tp.ns, tp.tsid, svc.kind}).second)
                m_Notes.push_back(svc.where + ": another service of its list and TP has service id " +
                                  std::to_string(svc.svcId) + "; a receiver takes the two as one");
            services += Hex(svc.svcId, 4) + ":" + Hex(tp.ns, 8) + ":" + Hex(tp.tsid, 4) + ":0000:" +
                        std::to_string(svc.kind == kTvKind ? kTvType : kRadioType) + ":0\n" + Name(svc) + "\n" +
                        Data(svc) + "\n";
        }
        FolderFiles files;
        files[kLamedb] = kHeader + "\n" + transponders + "end\n" + services + "end\n";
        WriteBouquets(files);
        return files;
    }

private:
    TpRef Transponder(const ForeignTp& tp, std::string& text)
    {
        const uint32_t orbital = tp.position >= 0 ? uint32_t(tp.position) : uint32_t(OrbitalPosition(kFullCircle) + tp.position);
        const uint32_t ns = (orbital << 16) | (tp.freq & 0x7FFF) | (tp.polar ? 0 : 0x8000);
        const auto same = [&](const auto& known) {
            const ForeignTp& k = known.first;
            return k.position == tp.position && k.freq == tp.freq && k.polar == tp.polar && k.sr == tp.sr &&
                   k.s2 == tp.s2 && k.streamId == tp.streamId;
        };
        const auto it = std::find_if(m_Tps.begin(), m_Tps.end(), same);
        if (it != m_Tps.end())
            return it->second;
        TpRef ref{ns, 0};
        for (const auto& known : m_Tps)
            if (known.second.ns == ns)
                ref.tsid = std::max(ref.tsid, known.second.tsid + 1);
        if (ref.tsid > 0)
            m_Notes.push_back("two TPs at " + PositionText(tp.position) + " " + std::to_string(tp.freq) +
                              (tp.polar ? " H" : " V") + " are told apart by TSID " + std::to_string(ref.tsid));
        if (tp.streamId != 0)
            ++m_StreamIds;
        m_Tps.emplace_back(tp, ref);
        const bool s2 = tp.s2 && tp.s2->modulation_system == 1;
        text += Hex(ref.ns, 8) + ":" + Hex(ref.tsid, 4) + ":0000\n\ts " + std::to_string(tp.freq * 1000) + ":" +
                std::to_string(tp.sr * 1000) + ":" + (tp.polar ? "0" : "1") + ":" + std::to_string(s2 ? tp.s2->fec : 0) +
                ":" + std::to_string(orbital) + ":2:0" +
                (s2 ? ":1:" + std::to_string(tp.s2->modulation_type) + ":0:" + std::to_string(tp.s2->filot) : "") + "\n/\n";
        return ref;
    }

    std::string Name(const ForeignSvc& svc)
    {
        std::string name = svc.name;
        if (!OneLine(name))
            m_Notes.push_back(svc.where + ": " + Quoted(svc.name) + " holds a line end, written as a space");
        return name;
    }

    std::string Data(const ForeignSvc& svc)
    {
        std::string provider = svc.provider;
        if (!OneLine(provider, ","))
            m_Notes.push_back(svc.where + ": the provider " + Quoted(svc.provider) + " holds ',', written as a space");
        std::string data = "p:" + provider;
        const std::pair<uint32_t, uint16_t> cache[] = {{kCacheVideo, svc.kind == kTvKind ? svc.videoPid : uint16_t(0)},
                                                       {kCacheAudio, svc.audioPid},
                                                       {kCachePcr, svc.pcrPid},
                                                       {kCachePmt, svc.pmtPid}};
        for (const auto& [index, pid] : cache)
            if (pid != 0)
                data += ",c:" + std::string(index < 10 ? "0" : "") + std::to_string(index) + Hex(pid, 4);
        return data + (svc.scrambled.value_or(false) ? ",C:ffff" : "");
    }

    std::string Reference(uint32_t member) const
    {
        const ForeignSvc& svc = m_List.services[member];
        return "#SERVICE 1:0:" + UpperHex(svc.kind == kTvKind ? kTvType : kRadioType) + ":" + UpperHex(svc.svcId) + ":" +
               UpperHex(m_Refs[member].tsid) + ":0:" + UpperHex(m_Refs[member].ns) + ":0:0:0:\n";
    }

    void WriteBouquets(FolderFiles& files)
    {
        std::array<std::string, 2> index{"#NAME User - Bouquets (TV)\n", "#NAME User - Bouquets (Radio)\n"};
        std::set<std::string> taken;
        for (const ForeignGroup& group : m_List.groups) {
            const std::string slug = Slug(group.name, taken);
            std::string name = group.name;
            OneLine(name);
            for (SvcKind kind : {kTvKind, kRadioKind}) {
                std::string text = "#NAME " + name + "\n";
                bool any = false;
                for (uint32_t member : group.members)
                    if (m_List.services[member].kind == kind)
                        text += Reference(member), any = true;
                if (!any && (kind == kRadioKind || !group.members.empty()))
                    continue;   // an empty group stays one TV bouquet
                const std::string file = "userbouquet." + slug + (kind == kTvKind ? ".tv" : ".radio");
                files[file] = text;
                index[kind] += "#SERVICE 1:7:" + UpperHex(kind == kTvKind ? kTvType : kRadioType) +
                               ":0:0:0:0:0:0:0:FROM BOUQUET \"" + file + "\" ORDER BY bouquet\n";
            }
        }
        files["bouquets.tv"] = index[kTvKind];
        files["bouquets.radio"] = index[kRadioKind];
        if (m_StreamIds > 0)
            m_Notes.push_back("not carried: the stream ids of " + std::to_string(m_StreamIds) + " TPs");
    }

    const ForeignList& m_List;
    std::vector<std::string>& m_Notes;
    std::vector<std::pair<ForeignTp, TpRef>> m_Tps;
    std::vector<TpRef> m_Refs;   // per service
    uint32_t m_StreamIds = 0;
};

} // namespace

bool IsLamedbFolderFile(std::string_view name)
{
    if (name.find_first_of("/\\") != std::string_view::npos)
        return false;
    return name == kLamedb || name == "bouquets.tv" || name == "bouquets.radio" ||
           (name.rfind("userbouquet.", 0) == 0 && (name.ends_with(".tv") || name.ends_with(".radio")));
}

bool ReadLamedb(const FolderFiles& files, ForeignList& list, std::string& error)
{
    const auto lamedb = files.find(kLamedb);
    if (lamedb == files.end()) {
        error = "the folder holds no lamedb";
        return false;
    }
    const std::vector<std::string_view> lines = SplitLines(lamedb->second);
    if (lines.empty() || lines[0] != kHeader) {
        error = "the lamedb is not of format 4 (its first line is not \"" + kHeader + "\")";
        return false;
    }
    {
        Reader reader(list);
        size_t n = 1;
        while (n < lines.size()) {
            if (lines[n] == "transponders")
                n = reader.Transponders(lines, n + 1);
            else if (lines[n] == "services")
                n = reader.Services(lines, n + 1) + 1;
            else
                ++n;
        }
        reader.Bouquets(files);
    }
    if (list.services.empty())
        error = "the lamedb holds no satellite TV or radio service";
    return error.empty();
}

FolderFiles WriteLamedb(const ForeignList& list, std::vector<std::string>& notes)
{
    return CWriter(list, notes).Write();
}

} // namespace lists
