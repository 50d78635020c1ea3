// Sorting of the TV or radio list by one of seven orders, and the undo stack: each sort
// first encodes the settings and keeps the encoded image, so that undo restores the whole
// settings as they were before that sort.
#pragma once
#include "settings/document.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

enum SortType : int {
    kSortAlphabetic = 0,
    kSortSatName,
    kSortFtaToCas,
    kSortCasToFta,
    kSortProvider,
    kSortFavToNoFav,
    kSortTransponder,
    kSortTypeCount
};

// "Current Sort Type : ..." of a sort type; empty for an unknown type.
std::string SortDescription(int type);
// The description with the tabs that align the sort label.
std::string PadSortDescription(const std::string& description);

// Compares two keys as unsigned bytes, skipping bytes 1-32 and 128-159 on both sides and
// taking a-z as A-Z; negative, zero or positive.
int CompareSortKeys(const char* a, const char* b);
// The text as that comparison sees it: skipped bytes dropped, a-z as A-Z.
std::string FoldSortKey(const std::string& text);
// The key of the service now at `pos` under a sort type, `origPos` being its position
// before the sort began (the suffix of every type but Alphabetic).
std::string BuildSortKey(COrvanel1Doc& doc, SvcKind kind, int type, uint32_t pos, uint32_t origPos);

// The order a sort gives, without applying it: entry i is the current position of the
// service that goes to position i. Equal keys are ordered exactly as the heap sort over
// the list orders them.
std::vector<uint32_t> SortPermutation(COrvanel1Doc& doc, SvcKind kind, int type);
// Sorts the list in place (no snapshot); references follow their services.
bool Appl_SortSvcList(COrvanel1Doc& doc, SvcKind kind, int type);

// The encoded settings kept before each sort, newest last, at most 16.
class CSortUndo {
public:
    static constexpr size_t kDepth = 16;

    void Push(const std::vector<uint8_t>& snapshot, const std::string& description);
    // Moves the newest snapshot into `snapshot` and removes it; false when empty.
    [[nodiscard]] bool Pop(std::vector<uint8_t>& snapshot);
    void Clear() { m_Entries.clear(); }
    bool Available() const { return !m_Entries.empty(); }
    size_t Depth() const { return m_Entries.size(); }
    // The padded description kept with the newest snapshot; empty when there is none.
    std::string LastDescription() const;
    struct Entry {
        std::vector<uint8_t> snapshot;
        std::string description;
        uint64_t mark = 0;
    };
    // A number the caller keeps with the newest snapshot (0 until marked, and when empty).
    void MarkLast(uint64_t mark);
    uint64_t LastMark() const;
    // Removes the newest entry unrestored, and puts one back as the newest.
    Entry TakeLast();
    void PutBack(Entry entry);
    // Bytes held by the snapshots.
    size_t SnapshotBytes() const;

private:
    std::deque<Entry> m_Entries;
};

// Encodes the settings, keeps the image on the undo stack and sorts the list. False (and
// nothing changed) for an unknown type or when the settings cannot be encoded.
bool ChList_Sort(COrvanel1Doc& doc, CSortUndo& undo, int type, SvcKind kind);
// Restores the settings kept before the newest sort and decodes them again. False when
// the stack is empty or the kept image does not decode (the document is then not loaded).
bool Appl_UndoSort(COrvanel1Doc& doc, CSortUndo& undo);
