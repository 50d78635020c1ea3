// Seeds for the flash fuzzers: now and then an input is replaced by a valid one built in
// the target (it joins the corpus through the coverage it adds); -max_len is raised to fit it and the length limit that grows slowly from small
// inputs is switched off, unless the command line sets them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

inline size_t MutateFromSeed(const std::vector<uint8_t>& seed, unsigned int random, uint8_t* data, size_t size,
                             size_t maxSize)
{
    if (random % 128 == 0 && seed.size() <= maxSize) {
        std::memcpy(data, seed.data(), seed.size());
        return seed.size();
    }
    return LLVMFuzzerMutate(data, size, maxSize);
}

inline void DefaultMaxLen(int* argc, char*** argv, size_t maxLen)
{
    for (int i = 1; i < *argc; ++i) {
        const std::string arg = (*argv)[i];
        if (arg.rfind("-max_len=", 0) == 0 || arg.rfind("-len_control=", 0) == 0)
            return;
    }
    static std::string maxLenFlag = "-max_len=" + std::to_string(maxLen);
    static std::string lenControlFlag = "-len_control=0";
    static std::vector<char*> args;
    args.assign(*argv, *argv + *argc);
    args.insert(args.begin() + 1, {maxLenFlag.data(), lenControlFlag.data()});
    args.push_back(nullptr);
    *argc += 2;
    *argv = args.data();
}
