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

    uint32_t n_ = 0;
    uint32_t heapSize_ = 0;
    std::array<uint32_t, kNC + 1> heap_{};
    std::array<uint32_t, kMaxNodes> freq_{};
    std::array<uint32_t, kMaxNodes> left_{};
    std::array<uint32_t, kMaxNodes> right_{};
    std::array<uint32_t, kMaxCodeLength + 1> lenCount_{};
    std::array<uint32_t, kNC> byRarity_{};   // leaves in the order the heap gave them up
    uint32_t leafCount_ = 0;
};

void TreeBuilder::DownHeap(uint32_t i)
{
    const uint32_t k = heap_[i];
    for (uint32_t j = 2 * i; j <= heapSize_; j = 2 * i) {
        if (j < heapSize_ && freq_[heap_[j]] > freq_[heap_[j + 1]])
            ++j;
        if (freq_[k] <= freq_[heap_[j]])
            break;
        heap_[i] = heap_[j];
        i = j;
    }
    heap_[i] = k;
}

void TreeBuilder::CountLengths(uint32_t node, uint32_t depth)
{
    if (node < n_) {
        ++lenCount_[depth < kMaxCodeLength ? depth : kMaxCodeLength];
        return;
    }
    CountLengths(left_[node], depth + 1);
    CountLengths(right_[node], depth + 1);
}

// Depths beyond 16 are clipped, then codes are moved down one level at a time until the
// lengths form a complete code again (the Kraft sum is exactly 2^16).
void TreeBuilder::AssignLengths(uint32_t root, uint8_t* len)
{
    lenCount_.fill(0);
    CountLengths(root, 0);
    uint32_t cum = 0;
    for (uint32_t i = kMaxCodeLength; i > 0; --i)
        cum += lenCount_[i] << (kMaxCodeLength - i);
    for (; cum != (1u << kMaxCodeLength); --cum) {
        --lenCount_[kMaxCodeLength];
        for (uint32_t i = kMaxCodeLength - 1; i > 0; --i) {
            if (lenCount_[i] != 0) {
                --lenCount_[i];
                lenCount_[i + 1] += 2;
                break;
            }
        }
    }
    uint32_t next = 0;
    for (uint32_t i = kMaxCodeLength; i > 0; --i)
        for (uint32_t k = 0; k < lenCount_[i]; ++k)
            len[byRarity_[next++]] = uint8_t(i);
}

uint32_t TreeBuilder::Build(uint32_t n, const uint16_t* freq, uint8_t* len, uint16_t* code)
{
    n_ = n;
    heapSize_ = 0;
    heap_[1] = 0;
    for (uint32_t i = 0; i < n; ++i) {
        len[i] = 0;
        freq_[i] = freq[i];
        if (freq[i] != 0)
            heap_[++heapSize_] = i;
    }
    if (heapSize_ < 2) {
        code[heap_[1]] = 0;
        return heap_[1];
    }
    for (uint32_t i = heapSize_ / 2; i >= 1; --i)
        DownHeap(i);
    leafCount_ = 0;
    uint32_t avail = n;
    uint32_t k = 0;
    do {
        const uint32_t i = heap_[1];
        if (i < n)
            byRarity_[leafCount_++] = i;
        heap_[1] = heap_[heapSize_--];
        DownHeap(1);
        const uint32_t j = heap_[1];
        if (j < n)
            byRarity_[leafCount_++] = j;
        k = avail++;
        freq_[k] = freq_[i] + freq_[j];
        heap_[1] = k;
        DownHeap(1);
        left_[k] = i;
        right_[k] = j;
    } while (heapSize_ > 1);
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
