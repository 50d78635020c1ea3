// Small pieces the editing operations share: the program's message title, the service
// list limits for editing, and selections.
#pragma once
#include "settings/document.h"
#include "common/prompter.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

inline const std::string kProgramTitle = "Orvanel";

// The TV list is edited in slots 0 to 3489 only: the decoder reads no more back, and
// slot 3499 holds the STB's scratch service.
constexpr uint32_t kMaxEditTvSvc = kCheckedTvSlots;

inline uint32_t EditCapacity(SvcKind kind) { return kind == kTvKind ? kMaxEditTvSvc : kMaxRadioSvc; }

// The revision's name of a service list.
constexpr DocTable ListTable(SvcKind kind) { return kind == kTvKind ? DocTable::Tv : DocTable::Radio; }
// A list whose services moved, came or went: the favourite members follow them.
constexpr DocTables ReorderedTables(SvcKind kind) { return ListTable(kind) | DocTable::Favourites; }

// The positions below `count`, ascending, each once.
std::vector<uint32_t> NormalizeSelection(std::vector<uint32_t> positions, uint32_t count);

// Cuts trailing spaces, tabs, CR and LF.
std::string TrimTrailing(const std::string& text);
// Cuts leading and trailing spaces, tabs, CR and LF.
std::string TrimBoth(const std::string& text);

// Text of a NUL-padded fixed field.
template <size_t N>
std::string FieldText(const std::array<char, N>& field)
{
    size_t len = 0;
    while (len < N && field[len] != '\0')
        ++len;
    return std::string(field.data(), len);
}
// The stored name of a service (Latin-1, up to its NUL); empty when it has none.
std::string SvcNameOf(const COrvanel1Doc& doc, const SvcRecord& svc);
// A satellite's name; empty for a slot out of range.
std::string SatName(const COrvanel1Doc& doc, uint32_t sat);
// Writes text into a NUL-padded fixed field, cut to N - 1 characters.
template <size_t N>
void SetFieldText(std::array<char, N>& field, const std::string& text)
{
    field.fill('\0');
    text.copy(field.data(), N - 1);
}

// Message boxes of the document's operations; without a prompter nothing is shown and
// every question is answered No.
void DocNotify(COrvanel1Doc& doc, const std::string& text, const std::string& title, PromptIcon icon);
[[nodiscard]] bool DocAskYes(COrvanel1Doc& doc, const std::string& text, const std::string& title);
