#include "editing/edit_common.h"

#include <algorithm>
#include <cstring>

std::vector<uint32_t> NormalizeSelection(std::vector<uint32_t> positions, uint32_t count)
{
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    positions.erase(std::lower_bound(positions.begin(), positions.end(), count), positions.end());
    return positions;
}

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}

std::string TrimTrailing(const std::string& text)
{
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    return text.substr(0, end);
}

std::string TrimBoth(const std::string& text)
{
    std::string trimmed = TrimTrailing(text);
    size_t start = 0;
    while (start < trimmed.size() && IsBlank(trimmed[start]))
        ++start;
    return trimmed.substr(start);
}

void DocNotify(COrvanel1Doc& doc, const std::string& text, const std::string& title, PromptIcon icon)
{
    if (doc.m_pPrompter)
        doc.m_pPrompter->Notify(text, title, icon);
}

bool DocAskYes(COrvanel1Doc& doc, const std::string& text, const std::string& title)
{
    return doc.m_pPrompter &&
           doc.m_pPrompter->Ask(text, title, PromptButtons::YesNo, PromptIcon::Warning) == PromptAnswer::Yes;
}

std::string SatName(const COrvanel1Doc& doc, uint32_t sat)
{
    return sat < kMaxSat ? FieldText(doc.m_SatInfo[sat].name) : std::string();
}

std::string SvcNameOf(const COrvanel1Doc& doc, const SvcRecord& svc)
{
    const uint32_t end = std::min(doc.m_SvcNamePos, kSvcNamePoolSize);
    if (svc.nameOffset == kNoName || svc.nameOffset >= end)
        return {};
    const char* start = reinterpret_cast<const char*>(doc.m_SvcName.data()) + svc.nameOffset;
    return std::string(start, strnlen(start, kSvcNamePoolSize - svc.nameOffset));
}
