#include "tables/sat_xml_table.h"

#include <cctype>
#include <map>
#include <string>

namespace tables {
namespace {

constexpr size_t kMaxDepth = 16;

using Attributes = std::map<std::string, std::string, std::less<>>;

struct Tag {
    std::string name;
    Attributes attributes;
    bool end = false;        // </name>
    bool empty = false;      // <name/>
    uint32_t line = 0;
};

// A cursor over the text that counts lines.
class CXmlCursor {
public:
    explicit CXmlCursor(std::string_view text) : m_Text(text)
    {
        if (m_Text.substr(0, 3) == "\xEF\xBB\xBF")
            m_Text.remove_prefix(3);
    }
    bool AtEnd() const { return m_Pos >= m_Text.size(); }
    char Peek(size_t ahead = 0) const { return m_Pos + ahead < m_Text.size() ? m_Text[m_Pos + ahead] : '\0'; }
    bool StartsWith(std::string_view what) const { return m_Text.substr(m_Pos, what.size()) == what; }
    uint32_t Line() const { return m_Line; }
    void Advance(size_t count = 1)
    {
        for (; count > 0 && m_Pos < m_Text.size(); --count)
            m_Line += m_Text[m_Pos++] == '\n';
    }
    // Past the next `what`; false at the end of the text.
    bool SkipPast(std::string_view what)
    {
        const size_t at = m_Text.find(what, m_Pos);
        if (at == std::string_view::npos)
            return false;
        Advance(at + what.size() - m_Pos);
        return true;
    }
    void SkipSpace()
    {
        while (!AtEnd() && IsSpace(Peek()))
            Advance();
    }
    std::string_view Name()
    {
        const size_t start = m_Pos;
        while (!AtEnd() && (std::isalnum(static_cast<unsigned char>(Peek())) || Peek() == '_' || Peek() == '-' ||
                            Peek() == ':' || Peek() == '.'))
            Advance();
        return m_Text.substr(start, m_Pos - start);
    }
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

private:
    std::string_view m_Text;
    size_t m_Pos = 0;
    uint32_t m_Line = 1;
};

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

bool DecodeEntity(std::string_view entity, std::string& out)
{
    static const std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [name, c] : kNamed)
        if (entity == name)
            return out += c, true;
    if (entity.size() < 2 || entity[0] != '#')
        return false;
    const bool hex = entity[1] == 'x';
    uint32_t code = 0;
    const std::string_view digits = entity.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 6)
        return false;
    for (char c : digits) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : hex && std::isxdigit(static_cast<unsigned char>(c)) ? std::tolower(c) - 'a' + 10
                                                                               : -1;
        if (digit < 0)
            return false;
        code = code * (hex ? 16 : 10) + uint32_t(digit);
    }
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return false;
    AppendUtf8(out, code);
    return true;
}

bool DecodeValue(std::string_view raw, std::string& value)
{
    value.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '<')
            return false;
        if (raw[i] != '&') {
            value += raw[i];
            continue;
        }
        const size_t semi = raw.find(';', i);
        if (semi == std::string_view::npos || !DecodeEntity(raw.substr(i + 1, semi - i - 1), value))
            return false;
        i = semi;
    }
    return true;
}

bool ReadAttributes(CXmlCursor& cursor, Tag& tag, TableProblem& error)
{
    for (;;) {
        cursor.SkipSpace();
        if (cursor.StartsWith("/>") || cursor.Peek() == '>') {
            tag.empty = cursor.Peek() == '/';
            cursor.Advance(tag.empty ? 2 : 1);
            return true;
        }
        const uint32_t line = cursor.Line();
        const std::string name(cursor.Name());
        cursor.SkipSpace();
        const char quote = cursor.Peek(1);
        if (name.empty() || cursor.Peek() != '=' || (quote != '"' && quote != '\'')) {
            error = {line, "<" + tag.name + "> is not well-formed"};
            return false;
        }
        cursor.Advance(2);
        std::string raw;
        for (; !cursor.AtEnd() && cursor.Peek() != quote; cursor.Advance())
            raw += cursor.Peek();
        cursor.Advance();
        std::string value;
        if (cursor.AtEnd() || !DecodeValue(raw, value) || !tag.attributes.emplace(name, value).second) {
            error = {line, "attribute " + name + " of <" + tag.name + "> is not well-formed"};
            return false;
        }
    }
}

// The next tag, past declarations, comments and blank text; false at the end or on an error
// (error.text set).
bool NextTag(CXmlCursor& cursor, Tag& tag, TableProblem& error)
{
    for (;;) {
        cursor.SkipSpace();
        if (cursor.AtEnd())
            return false;
        const uint32_t line = cursor.Line();
        if (cursor.Peek() != '<') {
            error = {line, "text outside the elements: no satellites.xml"};
            return false;
        }
        const char* close = cursor.StartsWith("<?") ? "?>" : cursor.StartsWith("<!--") ? "-->" : nullptr;
        if (!close && cursor.StartsWith("<!"))
            close = ">";
        if (close) {
            if (!cursor.SkipPast(close)) {
                error = {line, "a declaration or comment that does not end"};
                return false;
            }
            continue;
        }
        cursor.Advance();
        tag = Tag{};
        tag.line = line;
        tag.end = cursor.Peek() == '/';
        cursor.Advance(tag.end ? 1 : 0);
        tag.name = std::string(cursor.Name());
        if (tag.name.empty()) {
            error = {line, "a tag without a name"};
            return false;
        }
        if (tag.end) {
            cursor.SkipSpace();
            if (cursor.Peek() != '>') {
                error = {line, "</" + tag.name + " is not well-formed"};
                return false;
            }
            cursor.Advance();
            return true;
        }
        return ReadAttributes(cursor, tag, error);
    }
}

bool Integer(const Attributes& attributes, const char* name, int64_t low, int64_t high, int64_t& value)
{
    const auto it = attributes.find(name);
    if (it == attributes.end())
        return false;
    std::string_view text = it->second;
    const bool negative = !text.empty() && text.front() == '-';
    uint64_t magnitude = 0;
    if (!ParseUnsigned(negative ? text.substr(1) : text, uint64_t(INT64_MAX), magnitude))
        return false;
    value = negative ? -int64_t(magnitude) : int64_t(magnitude);
    return value >= low && value <= high;
}

// The attribute's value mapped through `values` (its index), or `fallback` when absent.
template <class T>
bool Coded(const Attributes& attributes, const char* name, std::initializer_list<std::pair<int, T>> values,
           T& out, std::string& why)
{
    if (!attributes.count(name))
        return true;
    int64_t code = 0;
    if (Integer(attributes, name, 0, 255, code))
        for (const auto& [number, value] : values)
            if (number == code)
                return out = value, true;
    why = std::string(name) + " \"" + attributes.find(name)->second + "\" is not understood";
    return false;
}

bool ReadTransponder(const Tag& tag, TableTp& tp, std::string& why, std::vector<TableProblem>& mended)
{
    tp.line = tag.line;
    for (const char* required : {"frequency", "symbol_rate", "polarization"})
        if (!tag.attributes.count(required)) {
            why = std::string("no ") + required;
            return false;
        }
    int64_t freq = 0, rate = 0, number = 0;
    if (!Integer(tag.attributes, "frequency", 0, UINT32_MAX, freq) ||
        !Integer(tag.attributes, "symbol_rate", 0, UINT32_MAX, rate)) {
        why = "frequency or symbol_rate is no number";
        return false;
    }
    tp.freqKHz = uint32_t(freq);
    tp.symbolRate = uint32_t(rate);
    using P = Polarization;
    using M = Modulation;
    if (!Coded<P>(tag.attributes, "polarization", {{0, P::Horizontal}, {1, P::Vertical}, {2, P::Left}, {3, P::Right}},
                  tp.polar, why) ||
        !Coded<Fec>(tag.attributes, "fec_inner",
                    {{0, Fec::Auto}, {1, Fec::R1_2}, {2, Fec::R2_3}, {3, Fec::R3_4}, {4, Fec::R5_6}, {5, Fec::R7_8},
                     {6, Fec::R8_9}, {7, Fec::R3_5}, {8, Fec::R4_5}, {9, Fec::R9_10}, {10, Fec::R6_7}, {15, Fec::None}},
                    tp.fec, why) ||
        !Coded<DeliverySystem>(tag.attributes, "system", {{0, DeliverySystem::DvbS}, {1, DeliverySystem::DvbS2}},
                               tp.system, why) ||
        !Coded<M>(tag.attributes, "modulation",
                  {{0, M::Auto}, {1, M::Qpsk}, {2, M::Psk8}, {3, M::Qam16}, {4, M::Apsk16}, {5, M::Apsk32}},
                  tp.modulation, why) ||
        !Coded<RollOff>(tag.attributes, "rolloff",
                        {{0, RollOff::R35}, {1, RollOff::R25}, {2, RollOff::R20}, {3, RollOff::Auto}}, tp.rollOff,
                        why) ||
        !Coded<Pilot>(tag.attributes, "pilot", {{0, Pilot::Off}, {1, Pilot::On}, {2, Pilot::Auto}}, tp.pilot, why))
        return false;
    if (tag.attributes.count("is_id")) {
        if (!Integer(tag.attributes, "is_id", -1, INT32_MAX, number)) {
            why = "is_id \"" + tag.attributes.find("is_id")->second + "\" is not understood";
            return false;
        }
        tp.streamId = int32_t(number);
    }
    if (tag.attributes.count("pls_code")) {
        if (!Integer(tag.attributes, "pls_code", 0, kMaxPlsCode, number)) {
            why = "pls_code \"" + tag.attributes.find("pls_code")->second + "\" is not understood";
            return false;
        }
        tp.plsCode = uint32_t(number);
    }
    why = CheckTableTp(tp, "frequency", "symbol_rate", mended);
    return why.empty();
}

TpTable SatOf(const Tag& tag)
{
    TpTable sat;
    sat.line = tag.line;
    const auto name = tag.attributes.find("name");
    sat.name = name == tag.attributes.end() ? std::string() : name->second;
    int64_t position = 0;
    sat.hasPosition = Integer(tag.attributes, "position", -1800, 1800, position);
    sat.position = int32_t(position);
    return sat;
}

class CSatellitesReader {
public:
    CSatellitesReader(std::vector<TpTable>& sats, TableProblem& error) : m_Sats(sats), m_Error(error) {}

    bool Take(const Tag& tag)
    {
        if (tag.end)
            return Close(tag);
        if (m_Open.empty() && tag.name != "satellites")
            return Fail(tag.line, "<" + tag.name + "> where <satellites> should start: no satellites.xml");
        if (m_Open.size() == 1 && tag.name == "sat" && !OpenSat(tag))
            return false;
        if (m_Open.size() == 2 && m_Open.back() == "sat" && tag.name == "transponder" && !AddTransponder(tag))
            return false;
        if (!tag.empty)
            m_Open.push_back(tag.name);
        return m_Open.size() <= kMaxDepth || Fail(tag.line, "elements nested too deep");
    }

    bool Finish(uint32_t line)
    {
        if (!m_Open.empty())
            return Fail(line, "<" + m_Open.back() + "> does not end");
        return m_bRoot || Fail(line, "no <satellites>: no satellites.xml");
    }

private:
    bool Fail(uint32_t line, std::string text)
    {
        m_Error = {line, std::move(text)};
        return false;
    }

    bool Close(const Tag& tag)
    {
        if (m_Open.empty() || m_Open.back() != tag.name)
            return Fail(tag.line, "</" + tag.name + "> closes no open <" + tag.name + ">");
        m_Open.pop_back();
        m_bRoot |= m_Open.empty();
        return true;
    }

    bool OpenSat(const Tag& tag)
    {
        if (m_Sats.size() >= kMaxXmlSatellites)
            return Fail(tag.line, "more than " + std::to_string(kMaxXmlSatellites) + " satellites");
        m_Sats.push_back(SatOf(tag));
        return true;
    }

    bool AddTransponder(const Tag& tag)
    {
        TpTable& sat = m_Sats.back();
        if (sat.tps.size() + sat.skipped.size() >= kMaxTableTps)
            return Fail(tag.line, "satellite \"" + sat.name + "\" lists more than " + std::to_string(kMaxTableTps) +
                                      " transponders");
        TableTp tp;
        std::string why;
        if (ReadTransponder(tag, tp, why, sat.mended))
            sat.tps.push_back(tp);
        else
            sat.skipped.push_back({tag.line, why});
        return true;
    }

    std::vector<TpTable>& m_Sats;
    TableProblem& m_Error;
    std::vector<std::string> m_Open;
    bool m_bRoot = false;
};

bool HasControlByte(std::string_view text, uint32_t& line)
{
    line = 1;
    for (char c : text) {
        line += c == '\n';
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F)
            return true;
    }
    return false;
}

}  // namespace

bool ReadSatellitesXml(std::string_view text, std::vector<TpTable>& sats, TableProblem& error)
{
    sats.clear();
    uint32_t line = 0;
    if (HasControlByte(text, line)) {
        error = {line, "binary data, no satellites.xml"};
        return false;
    }
    CXmlCursor cursor(text);
    CSatellitesReader reader(sats, error);
    Tag tag;
    error = {};
    while (NextTag(cursor, tag, error))
        if (!reader.Take(tag))
            return false;
    return error.text.empty() && reader.Finish(cursor.Line());
}

}  // namespace tables
