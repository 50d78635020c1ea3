// Reading the archives an outside -lh5- tool writes, so tests and benchmarks can compare
// our streams with its streams.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct LhaMember {
    std::string method;   // "-lh5-", or "-lh0-" for a stored member
    std::string name;
    uint32_t originalSize = 0;
    std::vector<uint8_t> stream;
};

// Members of a level-1 archive (the packed size there includes the extended headers).
// Stops at the end mark or at the first header that does not fit in the bytes.
std::vector<LhaMember> ReadLevel1Archive(const std::vector<uint8_t>& archive);
