#include "editor_ui/core/change_history.h"

#include "settings/checksum.h"
#include "settings/image_codec.h"

#include <algorithm>
#include <cstring>

namespace {
// Equal bytes that end a run: fewer cost less inside the run than a new run's two lengths.
constexpr size_t kRunGap = 4;
constexpr size_t kCountsSize = 6 * 4;
constexpr size_t kImageSize = kSnapshotSize + kCountsSize;

void AppendLength(std::vector<uint8_t>& out, size_t value)
{
    for (; value >= 0x80; value >>= 7)
        out.push_back(uint8_t(value | 0x80));
    out.push_back(uint8_t(value));
}

size_t ReadLength(const uint8_t*& p)
{
    size_t value = 0;
    for (int shift = 0;; shift += 7) {
        const uint8_t byte = *p++;
        value |= size_t(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return value;
    }
}

size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t from, size_t size)
{
    while (from + 8 <= size && std::memcmp(a + from, b + from, 8) == 0)
        from += 8;
    while (from < size && a[from] == b[from])
        ++from;
    return from;
}

void PutCounts(uint8_t* p, const ImageCounts& c)
{
    for (uint32_t value : {c.tvSvc, c.radioSvc, c.sat, c.fav, c.svcNamePos, c.satFirstTpBase}) {
        PutLe32(p, value);
        p += 4;
    }
}

ImageCounts GetCounts(const uint8_t* p)
{
    return {GetLe32(p), GetLe32(p + 4), GetLe32(p + 8), GetLe32(p + 12), GetLe32(p + 16), GetLe32(p + 20)};
}
}

std::vector<uint8_t> XorDelta(const uint8_t* a, const uint8_t* b, size_t size)
{
    std::vector<uint8_t> out;
    size_t done = 0;
    for (size_t start = FirstDifference(a, b, 0, size); start < size; start = FirstDifference(a, b, done, size)) {
        size_t end = start + 1;
        for (size_t equal = 0; end < size && equal < kRunGap; ++end)
            equal = a[end] == b[end] ? equal + 1 : 0;
        while (a[end - 1] == b[end - 1])
            --end;
        AppendLength(out, start - done);
        AppendLength(out, end - start);
        for (size_t i = start; i < end; ++i)
            out.push_back(a[i] ^ b[i]);
        done = end;
    }
    out.shrink_to_fit();
    return out;
}

void ApplyXorDelta(const std::vector<uint8_t>& delta, uint8_t* image)
{
    const uint8_t* p = delta.data();
    const uint8_t* end = p + delta.size();
    size_t at = 0;
    while (p < end) {
        at += ReadLength(p);
        const size_t length = ReadLength(p);
        for (size_t i = 0; i < length; ++i)
            image[at + i] ^= p[i];
        p += length;
        at += length;
    }
}

// The settings encoded into m_Scratch.
bool CChangeHistory::Encode(COrvanel1Doc& doc)
{
    if (!InverseParseImage(doc) || doc.m_Snapshot.size() != kSnapshotSize)
        return false;
    m_Scratch.resize(kImageSize);
    std::copy(doc.m_Snapshot.begin(), doc.m_Snapshot.end(), m_Scratch.begin());
    PutCounts(m_Scratch.data() + kSnapshotSize, CountsOf(doc));
    return true;
}

bool CChangeHistory::Reset(COrvanel1Doc& doc, const std::string& description, bool saved)
{
    Clear();
    if (!Encode(doc))
        return false;
    m_Image.swap(m_Scratch);
    m_Entries.push_back({{description, std::chrono::system_clock::now()}, {}, {}});
    if (saved)
        m_Saved = 0;
    return true;
}

void CChangeHistory::Clear()
{
    m_Entries.clear();
    m_Position = 0;
    m_Saved.reset();
    m_DeltaBytes = 0;
    m_Dropped = 0;
    m_bCanFold = false;
    m_Image.clear();
    m_Image.shrink_to_fit();
}

bool CChangeHistory::Record(COrvanel1Doc& doc, const std::string& description, const std::string& mergeKey)
{
    if (!Started() || !Encode(doc))
        return false;
    const bool fold = m_bCanFold && !mergeKey.empty() && m_Position > 0 && m_Entries[m_Position].mergeKey == mergeKey;
    if (fold)
        Fold(m_Position--);
    std::vector<uint8_t> delta = XorDelta(m_Image.data(), m_Scratch.data(), kImageSize);
    if (delta.empty()) {
        m_bCanFold = m_bCanFold && !fold;   // a change typed back out leaves no step to extend
        return false;
    }
    while (m_Entries.size() > m_Position + 1) {
        m_DeltaBytes -= m_Entries.back().delta.size();
        m_Entries.pop_back();
    }
    if (m_Saved && *m_Saved > m_Position)
        m_Saved.reset();
    m_bCanFold = true;
    m_Image.swap(m_Scratch);
    m_DeltaBytes += delta.size();
    m_Entries.push_back({{description, std::chrono::system_clock::now()}, mergeKey, std::move(delta)});
    ++m_Position;
    while (m_DeltaBytes > kMaxDeltaBytes && m_Entries.size() > 2)
        DropOldest();
    return true;
}

// Takes the newest step back out of the image and removes it.
void CChangeHistory::Fold(size_t index)
{
    ApplyXorDelta(m_Entries[index].delta, m_Image.data());
    m_DeltaBytes -= m_Entries[index].delta.size();
    m_Entries.pop_back();
}

// The state after the oldest step becomes the start.
void CChangeHistory::DropOldest()
{
    m_Entries.pop_front();
    m_DeltaBytes -= m_Entries.front().delta.size();
    m_Entries.front().delta = {};
    m_Entries.front().mergeKey.clear();
    --m_Position;
    ++m_Dropped;
    if (m_Saved)
        m_Saved = *m_Saved > 0 ? std::optional<size_t>(*m_Saved - 1) : std::nullopt;
}

bool CChangeHistory::GoTo(COrvanel1Doc& doc, size_t index)
{
    if (index >= m_Entries.size() || doc.m_SettingsArea.size() < kSettingsAreaSize || doc.m_Eeprom.size() < kEepromSize)
        return false;
    m_bCanFold = false;
    for (; m_Position > index; --m_Position)
        ApplyXorDelta(m_Entries[m_Position].delta, m_Image.data());
    for (; m_Position < index; ++m_Position)
        ApplyXorDelta(m_Entries[m_Position + 1].delta, m_Image.data());
    std::copy_n(m_Image.begin(), kSettingsAreaSize, doc.m_SettingsArea.begin());
    std::copy_n(m_Image.begin() + kSettingsAreaSize, kEepromSize, doc.m_Eeprom.begin());
    return ParseOwnImage(doc, GetCounts(m_Image.data() + kSnapshotSize));
}

size_t CChangeHistory::Bytes() const
{
    size_t bytes = m_Image.capacity() + m_Scratch.capacity();
    for (const Step& step : m_Entries)
        bytes += sizeof(Step) + step.delta.capacity() + step.entry.description.capacity() + step.mergeKey.capacity();
    return bytes;
}
