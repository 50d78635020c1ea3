#include "editor_ui/dialogs/shown_names.h"

#include <cstdio>
#include <cstring>

std::string ShownSvcName(const COrvanel1Doc& doc, SvcKind kind, uint32_t pos)
{
    const SvcRecord& svc = kind == kTvKind ? doc.m_TvSvc[pos] : doc.m_RadioSvc[pos];
    if (svc.nameOffset >= kSvcNamePoolSize)
        return {};
    const auto* start = doc.m_SvcName.data() + svc.nameOffset;
    const size_t room = std::min<size_t>(80, kSvcNamePoolSize - svc.nameOffset);
    std::string kept;
    for (size_t i = 0; i < room && start[i] != 0 && kept.size() < 30; ++i)
        if (start[i] >= 32 && (start[i] < 128 || start[i] >= 160))
            kept.push_back(char(start[i]));
    return kept;
}

std::string NumberedSvcLine(const char* format, int position1, const std::string& name)
{
    char line[96];
    std::snprintf(line, sizeof line, format, position1, name.c_str());
    return line;
}
