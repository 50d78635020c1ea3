// Huffman code construction of the -lh5- compressor: the classic heap-built tree whose
// lengths are limited to 16 bits, with codes assigned in canonical order.
#pragma once
#include <cstdint>

namespace lh5 {

// Sets len[0..n) and code[0..n) for the symbol frequencies freq[0..n) (n <= kNC).
// Returns the tree's root: an inner node (>= n) when two or more symbols occur, else the
// only symbol that occurs (0 when none does), whose length is then 0.
uint32_t MakeHuffmanCode(uint32_t n, const uint16_t* freq, uint8_t* len, uint16_t* code);

// Canonical codes for the lengths len[0..n): shorter codes first, symbols in order.
void MakeCanonicalCodes(uint32_t n, const uint8_t* len, uint16_t* code);

}
