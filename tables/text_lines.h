// Lines of a table file, numbered from 1: LF, CRLF or CR alone end them; a UTF-8 byte order
// mark before the first is skipped.
#pragma once
#include <cstdint>
#include <string_view>

namespace tables {

class CTextLines {
public:
    explicit CTextLines(std::string_view text);
    // The next line without its ending; false at the end.
    bool Next(std::string_view& line);
    uint32_t Number() const { return m_Number; }

private:
    std::string_view m_Rest;
    uint32_t m_Number = 0;
    bool m_bDone = false;
};

// Without leading and trailing blanks (spaces and tabs).
std::string_view TrimBlanks(std::string_view text);
// A byte that has no place in a text table: control bytes other than the tab.
bool HasBinaryByte(std::string_view text);

}  // namespace tables
