// The steps that carry an order, names, flags and favourite groups onto a list: the pieces
// that apply-reference and the CSV import share. References (favourite members, timers,
// EPG reservations, current services) follow their services; every change bumps the
// document's revision.
#pragma once
#include "settings/document.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lists {

// Puts the services now at `front` (distinct slots below the count, in that order) at the
// head of the list; every other service follows in its present order. Returns, for each
// old slot, the service's new slot.
std::vector<uint32_t> PutFirst(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& front);

enum class NameChange { Same, Renamed, NoRoom };
// Renames the service (cut to the name limit) and sets renameFlag, unless the name is
// empty or already the service's own. NoRoom when the name pool cannot take the new name:
// the service keeps its old one.
NameChange SetSvcName(COrvanel1Doc& doc, SvcKind kind, uint32_t slot, const std::string& latin1);
// Sets the lock and skip flags; true when either changed.
bool SetSvcFlags(COrvanel1Doc& doc, SvcKind kind, uint32_t slot, uint8_t lock, uint8_t skip);

// Replaces the favourite groups by `groups` (at most 30 are kept; the rest is returned as
// the number dropped). The current group stays the group of the same name, else none.
uint32_t ReplaceFavGroups(COrvanel1Doc& doc, const std::vector<FavCh>& groups);

} // namespace lists
