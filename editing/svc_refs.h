// Keeps every reference into a service list (favourite members, the current service,
// service timers, EPG reservations) on the same service when the list's records are
// reordered or a record is inserted.
#pragma once
#include "settings/document.h"

#include <cstdint>
#include <vector>

// Reorders the slots lo .. lo + oldSlotOf.size() - 1: the record now at lo + i is the one
// that was at oldSlotOf[i] (a permutation of that range). References follow their records.
void Appl_ApplySvcOrder(COrvanel1Doc& doc, SvcKind kind, uint32_t lo, const std::vector<uint32_t>& oldSlotOf);

// After a record was inserted at slot `at` of a list that held `oldCount` records: every
// reference to a slot from `at` to oldCount - 1 grows by one.
void Appl_ShiftSvcRefsForInsert(COrvanel1Doc& doc, SvcKind kind, uint32_t at, uint32_t oldCount);
