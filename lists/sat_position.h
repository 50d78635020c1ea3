// Orbital positions of satellites, which other receivers' lists name their satellites by.
// Our satellite records keep no position, so a satellite's position is read from its name
// ("Astra 19.2E", "Thor 1W"), given by the user, or asked for once.
#pragma once
#include "settings/document.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lists {

// Tenths of a degree, east positive, west negative (-1800 .. 1800).
using OrbitalPosition = int32_t;

// "19.2E", "13E", "0.8W" with an optional degree sign; nothing unless the whole text is one.
std::optional<OrbitalPosition> ParsePosition(std::string_view text);
// The last word of a satellite name that is a position: "Astra 19.2E" is at 19.2E.
std::optional<OrbitalPosition> PositionFromName(std::string_view name);
// "19.2E", "13E", "0.8W".
std::string PositionText(OrbitalPosition position);

// The user's answers when a name does not tell. Both may answer nothing.
class PositionQuestion {
public:
    virtual ~PositionQuestion() = default;
    // Which of these satellites (UTF-8 names) is at the position: an index into `names`.
    virtual std::optional<size_t> SatelliteAt(const std::string& position, const std::vector<std::string>& names) = 0;
    // Where our satellite is (its name in UTF-8).
    virtual std::optional<OrbitalPosition> PositionOf(const std::string& name) = 0;
};

// The satellites of one document by position: names first, then what the user gave
// (Latin-1 satellite name -> position), then one question per position or satellite.
class CSatPlaces {
public:
    CSatPlaces(const COrvanel1Doc& doc, std::map<std::string, OrbitalPosition> given, PositionQuestion* question);
    // The satellite at the position; asks among the satellites whose position is unknown.
    std::optional<uint32_t> SatAt(OrbitalPosition position);
    std::optional<OrbitalPosition> PositionOf(uint32_t sat);

private:
    const COrvanel1Doc& m_Doc;
    PositionQuestion* m_pQuestion;
    std::vector<std::optional<OrbitalPosition>> m_Position;   // per satellite
    std::vector<bool> m_Asked;                                 // per satellite
    std::map<OrbitalPosition, std::optional<uint32_t>> m_Answered;
};

} // namespace lists
