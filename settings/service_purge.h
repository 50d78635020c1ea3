// The service name pool and the removal of marked services with every reference that
// follows a service slot (favourite members, timers, EPG reservations, current services).
// Used by the decoder's clean-up after loading and by every editing operation that deletes.
#pragma once
#include "settings/document.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kNameMaxChars = 23;

// Appends a name (cut to 23 characters) to the pool; returns its offset, or 0xFFFF when the pool is full.
uint32_t Appl_AddSvcName(COrvanel1Doc& doc, const std::string& name);
// Releases the name of one service (kept while another slot points into it).
void Appl_ReleaseSvcName(COrvanel1Doc& doc, SvcKind kind, uint32_t slot);
// Recomputes the append position from the offsets in use, with the 65000 limit.
void Appl_RecomputeSvcNamePos(COrvanel1Doc& doc);
// The service's name, or "No Name" (which also clears an unresolvable offset to 0xFFFF).
std::string Appl_GetSvcName(COrvanel1Doc& doc, SvcKind kind, uint32_t slot);

// Sets satIdx 255 and the delete mark on each position below the list's count.
void Appl_MarkSvc(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& positions);
// Removes every marked service of both lists, TV first, each from the last slot down.
void Appl_PurgeMarkedSvc(COrvanel1Doc& doc);

inline SvcRecord* SvcTable(COrvanel1Doc& doc, SvcKind kind) { return kind == kTvKind ? doc.m_TvSvc.data() : doc.m_RadioSvc.data(); }
inline uint32_t& SvcCount(COrvanel1Doc& doc, SvcKind kind) { return kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt; }
inline const SvcRecord* SvcTable(const COrvanel1Doc& doc, SvcKind kind) { return SvcTable(const_cast<COrvanel1Doc&>(doc), kind); }
inline uint32_t SvcCount(const COrvanel1Doc& doc, SvcKind kind) { return kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt; }

// Drops what refers past the lists after loading: favourite members of an unknown kind or
// beyond their list's count, service timers and active EPG reservations beyond it.
void Appl_DropDanglingSvcRefs(COrvanel1Doc& doc);
