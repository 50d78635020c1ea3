#include "editing/svc_clipboard.h"

#include "editing/edit_common.h"

std::string CSvcClipboard::Name(uint32_t idx) const
{
    return idx < kClipboardSize ? FieldText(m_Name[idx]) : std::string();
}

void CSvcClipboard::Start(SvcKind kind)
{
    m_Count = {0, 0};
    m_Valid[kind] = true;
}

void CSvcClipboard::Add(SvcKind kind, const SvcRecord& svc, const std::string& name)
{
    uint32_t& count = m_Count[kind];
    if (count >= kClipboardSize)
        return;
    SetFieldText(m_Name[count], name);
    m_Svc[kind][count++] = svc;
}

void CSvcClipboard::Clear()
{
    *this = CSvcClipboard{};
}
