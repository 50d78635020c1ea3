// Edits of the TV and radio service lists other than sorting and purging: renaming, moves,
// insertion, the service clipboard, flag toggles, tuner and PID setters. Every reference
// to a service (favourite members, current service, timers, EPG reservations) follows the
// service it names. Every change bumps doc.m_Revision. Messages go through doc.m_pPrompter.
#pragma once
#include "editing/svc_clipboard.h"
#include "settings/document.h"

#include <cstdint>
#include <string>
#include <vector>

// Replaces the service's name (the old one is released from the pool). False when the full
// pool cannot take the new name: the service keeps its old one. The caller sets renameFlag.
void Appl_ChangeTvSvcName(COrvanel1Doc& doc, uint32_t pos, const std::string& name);
void Appl_ChangeRadioSvcName(COrvanel1Doc& doc, uint32_t pos, const std::string& name);
bool Appl_ChangeSvcName(COrvanel1Doc& doc, SvcKind kind, uint32_t pos, const std::string& name);

// Moves the service at `from` to `to` (both below the count). False when out of range.
bool Appl_MoveSvc(COrvanel1Doc& doc, SvcKind kind, uint32_t from, uint32_t to);
// Moves the block first .. first + length - 1 so that it starts at newFirst.
bool Appl_MoveSvcBlock(COrvanel1Doc& doc, SvcKind kind, uint32_t first, uint32_t length, uint32_t newFirst);
// The same within a filtered list: `shown` holds the slots the list shows (ascending), the
// block is shown[first] .. shown[first + length - 1] and goes to start at shown[newFirst].
// The shown slots take the shown services in their new order; every other slot keeps its
// service, so the hidden ones keep their order and places.
bool Appl_MoveShownSvcBlock(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& shown, uint32_t first,
                            uint32_t length, uint32_t newFirst);

// Inserts clipboard record `clipIdx` of this kind before `pos` (pos may equal the count).
// False, without a message, when the list is full or an argument is out of range.
bool Appl_InsertSvc(COrvanel1Doc& doc, const CSvcClipboard& clip, SvcKind kind, uint32_t pos, uint32_t clipIdx);

// Copies the selection to the clipboard; false (with a message for more than 500) when nothing was copied.
bool Appl_CopySvc(COrvanel1Doc& doc, CSvcClipboard& clip, SvcKind kind, const std::vector<uint32_t>& selection);
// Copy, then delete the copied services.
bool Appl_CutSvc(COrvanel1Doc& doc, CSvcClipboard& clip, SvcKind kind, const std::vector<uint32_t>& selection);
// Edit menu Delete: removes the selection and invalidates the clipboard of this kind.
bool Appl_DeleteSvcClearClip(COrvanel1Doc& doc, CSvcClipboard& clip, SvcKind kind,
                             const std::vector<uint32_t>& selection);
// Function menu Delete Service: removes the selection, the clipboard stays valid.
bool Appl_DeleteSvc(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& selection);
// Inserts the clipboard of this kind, in clipboard order, starting at `pos`. Returns the
// number of services pasted; "Cannot add more ... service Information!" when some or all
// of them do not fit.
uint32_t Appl_PasteSvc(COrvanel1Doc& doc, CSvcClipboard& clip, SvcKind kind, uint32_t pos,
                       const std::vector<uint32_t>& selection);

// The flag of the service at `current` decides: set there clears it in the whole
// selection, clear there sets it.
bool Appl_ToggleCas(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& selection, uint32_t current);
bool Appl_ToggleLock(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& selection, uint32_t current);

// tunerNum 1 (tuner 1), 2 (tuner 2) or 3 (both) for every selected service.
bool Appl_SetTuner(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& selection, uint8_t tunerNum);

enum class SvcPidField { SvcId, PmtPid, PcrPid, VideoPid, AudioPid };
// svcId takes 0 to 65535, the PIDs 0 to 8191; videoPid exists in the TV list only.
bool Appl_SetSvcPid(COrvanel1Doc& doc, SvcKind kind, uint32_t pos, SvcPidField field, uint32_t value);
