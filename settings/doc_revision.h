// The document's revision and the edited mark.
//
// Every operation that changes a table (the editing operations, the decoder, the demo
// settings) calls Bump with the tables it changed; the revision only grows, also across a
// decode that replaces the whole document. A controller keeps the revision it last drew
// and asks what changed since:
//
//   uint64_t seen = doc.m_Revision.Current();
//   ... run a command ...
//   DocTables changed = doc.m_Revision.ChangedSince(seen);
//   if (changed.Has(DocTable::Tv)) ...refresh the TV list...
//   seen = doc.m_Revision.Current();
//
// Edited() is "the revision differs from the one last loaded or saved"; opening and
// saving a settings file call MarkSaved, so no command has to remember the edited flag.
#pragma once
#include <array>
#include <cstdint>

enum class DocTable : uint8_t { Satellites, Tps, Tv, Radio, Favourites };
constexpr int kDocTableCount = 5;

// A set of tables.
class DocTables {
public:
    constexpr DocTables() = default;
    constexpr DocTables(DocTable table) : m_Bits(uint8_t(1u << int(table))) {}
    static constexpr DocTables All() { return FromBits((1u << kDocTableCount) - 1); }

    constexpr bool Has(DocTable table) const { return (m_Bits & DocTables(table).m_Bits) != 0; }
    constexpr bool Empty() const { return m_Bits == 0; }
    constexpr DocTables operator|(DocTables other) const { return FromBits(m_Bits | other.m_Bits); }
    constexpr bool operator==(const DocTables&) const = default;

private:
    static constexpr DocTables FromBits(unsigned bits)
    {
        DocTables set;
        set.m_Bits = uint8_t(bits);
        return set;
    }
    uint8_t m_Bits = 0;
};
constexpr DocTables operator|(DocTable a, DocTable b) { return DocTables(a) | b; }

class CDocRevision {
public:
    uint64_t Current() const { return m_Revision; }
    // A change of these tables: a new revision.
    void Bump(DocTables changed);
    // The tables changed after revision `seen`.
    DocTables ChangedSince(uint64_t seen) const;

    // The document now matches its file (after loading or saving it).
    void MarkSaved() { m_Saved = m_Revision; }
    bool Edited() const { return m_Revision != m_Saved; }

private:
    uint64_t m_Revision = 0;
    uint64_t m_Saved = 0;
    std::array<uint64_t, kDocTableCount> m_Changed{};   // the revision of each table's last change
};
