#include "lists/sat_position.h"

#include "common/latin1_utf8.h"
#include "editing/edit_common.h"

#include <cctype>

namespace lists {

namespace {

constexpr OrbitalPosition kHalfCircle = 1800;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::optional<OrbitalPosition> ParsePosition(std::string_view text)
{
    size_t i = 0;
    int32_t whole = 0, tenths = 0;
    for (; i < text.size() && IsDigit(text[i]) && i < 3; ++i)
        whole = whole * 10 + (text[i] - '0');
    if (i == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        if (i + 1 >= text.size() || !IsDigit(text[i + 1]))
            return std::nullopt;
        tenths = text[i + 1] - '0';
        i += 2;
    }
    for (std::string_view degree : {"\xC2\xB0", "\xB0"})   // the sign in UTF-8 or Latin-1
        if (text.substr(i, degree.size()) == degree)
            i += degree.size();
    if (i + 1 != text.size())
        return std::nullopt;
    const char side = char(std::toupper(static_cast<unsigned char>(text[i])));
    const OrbitalPosition position = whole * 10 + tenths;
    if ((side != 'E' && side != 'W') || position > kHalfCircle)
        return std::nullopt;
    return side == 'E' ? position : -position;
}

std::optional<OrbitalPosition> PositionFromName(std::string_view name)
{
    std::optional<OrbitalPosition> found;
    size_t start = 0;
    while (start < name.size()) {
        size_t end = start;
        // Scan tables' file names join words with - and _ ("Astra-28.2E", "Eutelsat5_5.0W").
        while (end < name.size() && std::string_view(" ()/-_").find(name[end]) == std::string_view::npos)
            ++end;
        if (const auto position = ParsePosition(name.substr(start, end - start)))
            found = position;
        start = end + 1;
    }
    return found;
}

std::string PositionText(OrbitalPosition position)
{
    const int32_t magnitude = position < 0 ? -position : position;
    std::string text = std::to_string(magnitude / 10);
    if (magnitude % 10 != 0)
        text += "." + std::to_string(magnitude % 10);
    return text + (position < 0 ? "W" : "E");
}

CSatPlaces::CSatPlaces(const COrvanel1Doc& doc, std::map<std::string, OrbitalPosition> given,
                       PositionQuestion* question)
    : m_Doc(doc), m_pQuestion(question), m_Position(std::min(doc.m_SatCnt, kMaxSat)), m_Asked(m_Position.size())
{
    for (uint32_t s = 0; s < m_Position.size(); ++s) {
        const std::string name = SatName(doc, s);
        const auto it = given.find(name);
        m_Position[s] = it != given.end() ? std::optional(it->second) : PositionFromName(name);
    }
}

std::optional<uint32_t> CSatPlaces::SatAt(OrbitalPosition position)
{
    for (uint32_t s = 0; s < m_Position.size(); ++s)
        if (m_Position[s] == position)
            return s;
    const auto answered = m_Answered.find(position);
    if (answered != m_Answered.end())
        return answered->second;
    std::vector<uint32_t> unknown;
    std::vector<std::string> names;
    for (uint32_t s = 0; s < m_Position.size(); ++s)
        if (!m_Position[s]) {
            unknown.push_back(s);
            names.push_back(Latin1ToUtf8(SatName(m_Doc, s)));
        }
    std::optional<uint32_t> sat;
    if (m_pQuestion && !unknown.empty())
        if (const auto chosen = m_pQuestion->SatelliteAt(PositionText(position), names); chosen && *chosen < unknown.size())
            sat = unknown[*chosen];
    if (sat)
        m_Position[*sat] = position;
    m_Answered[position] = sat;
    return sat;
}

std::optional<OrbitalPosition> CSatPlaces::PositionOf(uint32_t sat)
{
    if (sat >= m_Position.size())
        return std::nullopt;
    if (!m_Position[sat] && !m_Asked[sat] && m_pQuestion) {
        m_Asked[sat] = true;
        const auto position = m_pQuestion->PositionOf(Latin1ToUtf8(SatName(m_Doc, sat)));
        if (position && *position >= -kHalfCircle && *position <= kHalfCircle)
            m_Position[sat] = position;
    }
    return m_Position[sat];
}

} // namespace lists
