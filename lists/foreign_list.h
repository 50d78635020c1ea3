// A channel list as other receivers' files hold it, between their readers and writers and
// our document: services with their transponder by orbital position, frequency and
// polarization, and named groups of services. Texts are UTF-8.
#pragma once
#include "lists/sat_position.h"
#include "settings/document.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lists {

struct ForeignTp {
    OrbitalPosition position = 0;
    uint32_t freq = 0;                  // MHz
    uint8_t polar = 0;                  // as ours: 0 vertical, 1 horizontal
    uint32_t sr = 0;                    // kS/s
    uint8_t streamId = 0;
    std::optional<DvbS2Params> s2;      // our numbering (modulation type, code rate, pilot)
};

struct ForeignSvc {
    std::string where;                  // "line 12", for the report
    std::string name;
    std::string provider;
    SvcKind kind = kTvKind;
    ForeignTp tp;
    uint16_t svcId = 0;
    uint16_t pmtPid = 0;                // 0: the file does not say
    uint16_t pcrPid = 0;
    uint16_t videoPid = 0;
    uint16_t audioPid = 0;
    std::optional<bool> scrambled;      // nothing: the file does not say
};

struct ForeignGroup {
    std::string name;
    std::vector<uint32_t> members;      // indexes into the services
};

struct ForeignList {
    std::vector<ForeignSvc> services;   // in list order: TV first on export
    std::vector<ForeignGroup> groups;
    std::vector<std::string> notes;     // what the reader skipped, or the writer could not carry
};

// Our lists as another receiver's file would hold them. With `places`, each service needs
// its satellite's position: services of a satellite without one are left out, with a note.
ForeignList ListOfDocument(const COrvanel1Doc& doc, CSatPlaces* places);

// What a format keeps of a service and a list, for the export's report.
struct FormatKeeps {
    bool tp = true;
    bool pids = true;
    bool pmtPid = true;
    bool scrambled = true;
    bool groups = true;
};
// The export's notes on what the format cannot carry: flags we keep and it does not, ids
// we do not keep and it wants.
void NoteWhatIsLost(const COrvanel1Doc& doc, const FormatKeeps& keeps, std::vector<std::string>& notes);

// UTF-8 text as the STB's 8-bit names hold it: what has no Latin-1 form becomes '?'.
// False when anything was replaced (malformed bytes included).
bool ToStbText(std::string_view utf8, std::string& latin1);

// One line of a line-based file: line ends and the characters in `forbidden` become
// `replacement`; true when the text had none.
bool OneLine(std::string& text, std::string_view forbidden = {}, char replacement = ' ');

// The notes one a line, at most `maxNotes` of them and then how many more there are.
std::string NoteLines(const std::vector<std::string>& notes, size_t maxNotes = SIZE_MAX);

// A value of a file in a note: quoted and cut.
std::string Quoted(std::string_view utf8);

// The lines of a text: LF, CRLF or CR alone; a UTF-8 byte order mark is skipped.
std::vector<std::string_view> SplitLines(std::string_view text);

// The parts of a text between the separators (one part more than separators).
std::vector<std::string_view> Split(std::string_view text, char separator);

// An unsigned decimal or hexadecimal number that is all of the text, at most `max`.
std::optional<uint32_t> ReadUnsigned(std::string_view text, uint32_t max, int base = 10);

} // namespace lists
