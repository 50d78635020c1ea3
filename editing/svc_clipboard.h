// The service clipboard: services copied or cut from the TV or radio list, each with its
// name, for pasting into a list of the same kind. It is not part of the settings and lives
// beside the document: the editor's controller owns one and hands it to the clipboard
// operations of editing/svc_edit.h (copy, cut, paste, insert, delete). When the settings
// are discarded (before an upload or an open) the controller clears it.
#pragma once
#include "settings/records.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

constexpr uint32_t kClipboardSize = 500;
constexpr uint32_t kClipNameSize = 24;

class CSvcClipboard {
public:
    // A paste of this kind inserts at least one service (the Paste command's enabling rule).
    bool Holds(SvcKind kind) const { return m_Valid[kind] && m_Count[kind] > 0; }
    bool Valid(SvcKind kind) const { return m_Valid[kind]; }
    uint32_t Count(SvcKind kind) const { return m_Count[kind]; }
    std::span<SvcRecord> Records(SvcKind kind) { return {m_Svc[kind].data(), m_Count[kind]}; }
    std::span<const SvcRecord> Records(SvcKind kind) const { return {m_Svc[kind].data(), m_Count[kind]}; }
    // Names are shared by both kinds: slot i belongs to whichever kind was copied last.
    std::string Name(uint32_t idx) const;

    // A new copy of this kind: both kinds emptied, this kind marked valid.
    void Start(SvcKind kind);
    // Appends a service and its name (cut to 23 characters) while there is room.
    void Add(SvcKind kind, const SvcRecord& svc, const std::string& name);
    // After a Delete nothing of this kind may be pasted until the next copy or cut.
    void Invalidate(SvcKind kind) { m_Valid[kind] = false; }
    // Discarding the settings: records, names, counts and marks zeroed (a zeroed clipboard
    // left marked valid would paste empty services).
    void Clear();

private:
    std::array<std::array<SvcRecord, kClipboardSize>, 2> m_Svc{};
    std::array<std::array<char, kClipNameSize>, kClipboardSize> m_Name{};
    std::array<uint32_t, 2> m_Count{};
    std::array<bool, 2> m_Valid{};
};
