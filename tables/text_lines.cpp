#include "tables/text_lines.h"

namespace tables {

CTextLines::CTextLines(std::string_view text) : m_Rest(text)
{
    if (m_Rest.substr(0, 3) == "\xEF\xBB\xBF")
        m_Rest.remove_prefix(3);
    m_bDone = m_Rest.empty();
}

bool CTextLines::Next(std::string_view& line)
{
    if (m_bDone)
        return false;
    ++m_Number;
    const size_t end = m_Rest.find_first_of("\r\n");
    if (end == std::string_view::npos) {
        line = m_Rest;
        m_bDone = true;
        return true;
    }
    line = m_Rest.substr(0, end);
    const size_t next = m_Rest[end] == '\r' && end + 1 < m_Rest.size() && m_Rest[end + 1] == '\n' ? end + 2 : end + 1;
    m_Rest.remove_prefix(next);
    m_bDone = m_Rest.empty();
    return true;
}

std::string_view TrimBlanks(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool HasBinaryByte(std::string_view text)
{
    for (char c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)
            return true;
    return false;
}

}  // namespace tables
