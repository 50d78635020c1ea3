// Arbitrary files through LoadSettingsFile: refused with a message or loaded, never a crash.
#include "settings/demo_settings.h"
#include "fuzz/fuzz_seed.h"
#include "common/prompter.h"
#include "settings/settings_file.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

std::string TempPath(const char* what)
{
    return "/tmp/load_settings_file_fuzz_" + std::to_string(::getpid()) + what;
}

std::vector<uint8_t> DemoFileBytes(unsigned int random)
{
    SilentPrompter prompter;
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = "/tmp";
    const uint8_t models[] = {0, 10, 12, 13};
    BuildDemoSettings(*doc, {models[random % 4], uint8_t(random & 4 ? 0x27 : 0x25)});
    const std::string path = TempPath(".seed.std");
    if (SaveSettingsFile(*doc, path) != SettingsFileResult::Ok)
        std::abort();
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    std::remove(path.c_str());
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    DefaultMaxLen(argc, argv, kSettingsFileSize + 64);
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    static const std::vector<uint8_t> demo[2] = {DemoFileBytes(0), DemoFileBytes(3)};
    return MutateFromSeed(demo[seed / 128 % 2], seed, data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = TempPath(".std");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    SilentPrompter prompter;
    static auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    (void)LoadSettingsFile(*doc, path);
    return 0;
}
