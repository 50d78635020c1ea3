#include "settings/doc_revision.h"

void CDocRevision::Bump(DocTables changed)
{
    ++m_Revision;
    for (int t = 0; t < kDocTableCount; ++t) {
        if (changed.Has(DocTable(t)))
            m_Changed[t] = m_Revision;
    }
}

DocTables CDocRevision::ChangedSince(uint64_t seen) const
{
    DocTables changed;
    for (int t = 0; t < kDocTableCount; ++t) {
        if (m_Changed[t] > seen)
            changed = changed | DocTable(t);
    }
    return changed;
}
