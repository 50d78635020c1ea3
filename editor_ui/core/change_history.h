// The history of every change of the document: the encoded settings as they now are and,
// for each step, what its change did to them, kept as the differing bytes XORed and
// run-length coded, so that one step serves both going back and going forward. Stepping
// decodes the settings again exactly as they were encoded (no load-time repairs).
#pragma once
#include "settings/document.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

struct HistoryEntry {
    std::string description;
    std::chrono::system_clock::time_point time;
};

class CChangeHistory {
public:
    // Memory kept for the steps; past it the oldest steps go.
    static constexpr size_t kMaxDeltaBytes = size_t(56) << 20;

    // Starts afresh on the settings as they now are (entry 0, named `description`); they
    // count as saved when `saved`. False when they cannot be encoded (no history then).
    bool Reset(COrvanel1Doc& doc, const std::string& description, bool saved);
    void Clear();
    bool Started() const { return !m_Entries.empty(); }

    // After a change: a new step when the encoded settings differ from the current entry's,
    // dropping the steps ahead of it. A non-empty `mergeKey` equal to the newest step's
    // folds the change into that step (typing into a field, dragging a block) when nothing
    // was saved or stepped to since. False when nothing differed.
    bool Record(COrvanel1Doc& doc, const std::string& description, const std::string& mergeKey = {});
    // Returns the settings to those after entry `index`. False for an index outside the
    // history or when the settings cannot be decoded.
    bool GoTo(COrvanel1Doc& doc, size_t index);

    size_t Size() const { return m_Entries.size(); }
    size_t Position() const { return m_Position; }
    // The current entry's number since Reset, counting the oldest steps that went.
    uint64_t StepNumber() const { return m_Dropped + m_Position; }
    const HistoryEntry& Entry(size_t index) const { return m_Entries[index].entry; }
    bool CanUndo() const { return Started() && m_Position > 0; }
    bool CanRedo() const { return m_Position + 1 < m_Entries.size(); }

    // The settings of the current entry are those of the file.
    void MarkSaved() { m_Saved = m_Position; m_bCanFold = false; }
    bool AtSaved() const { return Started() && m_Saved == m_Position; }
    // Bytes held: the current image and every step.
    size_t Bytes() const;

private:
    struct Step {
        HistoryEntry entry;
        std::string mergeKey;
        std::vector<uint8_t> delta;   // empty for entry 0
    };
    bool Encode(COrvanel1Doc& doc);
    void Fold(size_t index);
    void DropOldest();

    std::deque<Step> m_Entries;
    size_t m_Position = 0;
    std::optional<size_t> m_Saved;
    size_t m_DeltaBytes = 0;
    uint64_t m_Dropped = 0;
    bool m_bCanFold = false;          // the newest step may take in the next change
    std::vector<uint8_t> m_Image;     // the encoded settings of the current entry, then the counts
    std::vector<uint8_t> m_Scratch;
};

// The XOR of two equal-sized byte images as runs of differing bytes; empty when equal.
std::vector<uint8_t> XorDelta(const uint8_t* a, const uint8_t* b, size_t size);
// XORs a delta into an image (going either way).
void ApplyXorDelta(const std::vector<uint8_t>& delta, uint8_t* image);
