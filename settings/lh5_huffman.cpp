#include "settings/lh5_huffman.h"

#include "settings/lh5_format.h"

#include <array>

namespace lh5 {
namespace {

constexpr uint32_t kMaxNodes = 2 * kNC - 1;

class TreeBuilder {
public:
    uint32_t Build(uint32_t n, const uint16_t* freq, uint8_t* len, uint16_t* code);

private:
    void DownHeap(uint32_t i);
    void CountLengths(uint32_t node, uint32_t depth);
    void AssignLengths(uint32_t root, uint8_t* len);

    uint32_t m_N = 0;
    uint32_t m_HeapSize = 0;
    std::array<uint32_t, kNC + 1> m_Heap{};
    std::array<uint32_t, kMaxNodes> m_Freq{};
    std::array<uint32_t, kMaxNodes> m_Left{};
    std::array<uint32_t, kMaxNodes> m_Right{};
    std::array<uint32_t, kMaxCodeLength + 1> m_LenCount{};
    std::array<uint32_t, kNC> m_ByRarity{};   // leaves in the order the heap gave them up
    uint32_t m_LeafCount = 0;
};

void TreeBuilder::DownHeap(uint32_t i)
{
    const uint32_t k = m_Heap[i];
    for (uint32_t j = 2 * i; j <= m_HeapSize; j = 2 * i) {
        if (j < m_HeapSize && m_Freq[m_Heap[j]] > m_Freq[m_Heap[j + 1]])
            ++j;
        if (m_Freq[k] <= m_Freq[m_Heap[j]])
            break;
        m_Heap[i] = m_Heap[j];
        i = j;
    }
    m_Heap[i] = k;
}

void TreeBuilder::CountLengths(uint32_t node, uint32_t depth)
{
    if (node < m_N) {
        ++m_LenCount[depth < kMaxCodeLength ? depth : kMaxCodeLength];
        return;
    }
    CountLengths(m_Left[node], depth + 1);
    CountLengths(m_Right[node], depth + 1);
}

// Depths beyond 16 are clipped, then codes are moved down one level at a time until the
// lengths form a complete code again (the Kraft sum is exactly 2^16).
void TreeBuilder::AssignLengths(uint32_t root, uint8_t* len)
{
    m_LenCount.fill(0);
    CountLengths(root, 0);
    uint32_t cum = 0;
    for (uint32_t i = kMaxCodeLength; i > 0; --i)
        cum += m_LenCount[i] << (kMaxCodeLength - i);
    for (; cum != (1u << kMaxCodeLength); --cum) {
        --m_LenCount[kMaxCodeLength];
        for (uint32_t i = kMaxCodeLength - 1; i > 0; --i) {
            if (m_LenCount[i] != 0) {
                --m_LenCount[i];
                m_LenCount[i + 1] += 2;
                break;
            }
        }
    }
    uint32_t next = 0;
    for (uint32_t i = kMaxCodeLength; i > 0; --i)
        for (uint32_t k = 0; k < m_LenCount[i]; ++k)
            len[m_ByRarity[next++]] = uint8_t(i);
}

uint32_t TreeBuilder::Build(uint32_t n, const uint16_t* freq, uint8_t* len, uint16_t* code)
{
    m_N = n;
    m_HeapSize = 0;
    m_Heap[1] = 0;
    for (uint32_t i = 0; i < n; ++i) {
        len[i] = 0;
        m_Freq[i] = freq[i];
        if (freq[i] != 0)
            m_Heap[++m_HeapSize] = i;
    }
    if (m_HeapSize < 2) {
        code[m_Heap[1]] = 0;
        return m_Heap[1];
    }
    for (uint32_t i = m_HeapSize / 2; i >= 1; --i)
        DownHeap(i);
    m_LeafCount = 0;
    uint32_t avail = n;
    uint32_t k = 0;
    do {
        const uint32_t i = m_Heap[1];
        if (i < n)
            m_ByRarity[m_LeafCount++] = i;
        m_Heap[1] = m_Heap[m_HeapSize--];
        DownHeap(1);
        const uint32_t j = m_Heap[1];
        if (j < n)
            m_ByRarity[m_LeafCount++] = j;
        k = avail++;
        m_Freq[k] = m_Freq[i] + m_Freq[j];
        m_Heap[1] = k;
        DownHeap(1);
        m_Left[k] = i;
        m_Right[k] = j;
    } while (m_HeapSize > 1);
    AssignLengths(k, len);
    MakeCanonicalCodes(n, len, code);
    return k;
}

}

uint32_t MakeHuffmanCode(uint32_t n, const uint16_t* freq, uint8_t* len, uint16_t* code)
{
    TreeBuilder builder;
    return builder.Build(n, freq, len, code);
}

void MakeCanonicalCodes(uint32_t n, const uint8_t* len, uint16_t* code)
{
    std::array<uint32_t, kMaxCodeLength + 1> count{};
    for (uint32_t i = 0; i < n; ++i)
        ++count[len[i]];
    std::array<uint32_t, kMaxCodeLength + 2> start{};
    for (uint32_t i = 1; i <= kMaxCodeLength; ++i)
        start[i + 1] = (start[i] + count[i]) << 1;
    for (uint32_t i = 0; i < n; ++i)
        code[i] = uint16_t(start[len[i]]++);
}

}
