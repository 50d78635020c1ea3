// Interoperability with outside -lh5- tools: lhasa extracts our streams, and our decoder
// reads the streams jlha writes. Both tools must be installed (scripts/deps).
#include "common/testing/test_support.h"
#include "settings/checksum.h"
#include "settings/testing/flash_image_builder.h"
#include "settings/testing/lha_archive.h"
#include "settings/lh5_decode.h"
#include "settings/lh5_encode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

bool ToolInstalled(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

int RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

void PutLe(Bytes& b, uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

// One member with a level-0 header: size, sum, method, packed and original size, time,
// attribute, level, name, CRC-16 of the original.
void AppendLevel0Member(Bytes& archive, const std::string& name, const Bytes& stream, const Bytes& original)
{
    Bytes h;
    h.push_back(uint8_t(22 + name.size()));
    h.push_back(0);
    for (char c : std::string("-lh5-"))
        h.push_back(uint8_t(c));
    PutLe(h, uint32_t(stream.size()), 4);
    PutLe(h, uint32_t(original.size()), 4);
    PutLe(h, 0x5B8A6000, 4);
    h.push_back(0x20);
    h.push_back(0);
    h.push_back(uint8_t(name.size()));
    h.insert(h.end(), name.begin(), name.end());
    PutLe(h, Crc16(original.data(), uint32_t(original.size())), 2);
    uint8_t sum = 0;
    for (size_t i = 2; i < h.size(); ++i)
        sum = uint8_t(sum + h[i]);
    h[1] = sum;
    archive.insert(archive.end(), h.begin(), h.end());
    archive.insert(archive.end(), stream.begin(), stream.end());
}

Bytes Compress(const Bytes& in, uint32_t capacity)
{
    Bytes out(capacity);
    lh5::Compressor compressor;
    out.resize(compressor.Compress(in.data(), uint32_t(in.size()), out.data(), capacity));
    return out;
}

struct Sample {
    std::string name;
    Bytes data;
};

std::vector<Sample> Samples()
{
    const Bytes area = MakeSettingsLikeArea(12);
    std::mt19937 rng(12);
    Bytes random(0x2000);
    for (auto& x : random)
        x = uint8_t(rng());
    Bytes letters(0x7FFA);
    for (auto& x : letters)
        x = uint8_t('a' + std::min<uint32_t>(25, std::geometric_distribution<uint32_t>(0.2)(rng)));
    return {
        {"block.bin", Bytes(area.begin() + 0x2000, area.begin() + 0x4000)},
        {"random.bin", random},
        {"repeated.bin", Bytes(0x2000, 0xA5)},
        {"chunk.bin", Bytes(area.begin(), area.begin() + 0x7FFA)},
        {"letters.bin", letters},
    };
}

}

TEST(Lh5Interop, LhasaExtractsOurStreams)
{
    ASSERT_TRUE(ToolInstalled("lhasa")) << "lhasa is missing: run scripts/deps";
    testing_support::TempFolder dir("lh5-interop");
    ASSERT_FALSE(dir.Path().empty());
    Bytes archive;
    const auto samples = Samples();
    for (const auto& s : samples) {
        const Bytes stream = Compress(s.data, uint32_t(s.data.size()) * 2);
        ASSERT_FALSE(stream.empty()) << s.name;
        AppendLevel0Member(archive, s.name, stream, s.data);
    }
    archive.push_back(0);
    testing_support::WriteFileBytes(dir.Path() / "ours.lzh", archive);
    const fs::path out = dir.Path() / "out";
    ASSERT_EQ(RunQuietly("cd '" + dir.Path().string() + "' && lhasa xqfw='" + out.string() + "' ours.lzh"), 0);
    for (const auto& s : samples)
        EXPECT_EQ(testing_support::ReadFileBytes(out / s.name), s.data) << s.name;
}

TEST(Lh5Interop, WeDecodeJlhaStreams)
{
    ASSERT_TRUE(ToolInstalled("jlha")) << "jlha is missing: run scripts/deps (jlha-utils)";
    testing_support::TempFolder dir("lh5-interop");
    ASSERT_FALSE(dir.Path().empty());
    std::string names;
    const auto samples = Samples();
    for (const auto& s : samples) {
        testing_support::WriteFileBytes(dir.Path() / s.name, s.data);
        names += " " + s.name;
    }
    ASSERT_EQ(RunQuietly("cd '" + dir.Path().string() + "' && jlha a1 theirs.lzh" + names), 0);
    const std::vector<LhaMember> members = ReadLevel1Archive(testing_support::ReadFileBytes(dir.Path() / "theirs.lzh"));
    ASSERT_EQ(members.size(), samples.size());
    uint32_t compressed = 0;
    for (const auto& m : members) {
        const auto s = std::find_if(samples.begin(), samples.end(), [&](const Sample& x) { return x.name == m.name; });
        ASSERT_NE(s, samples.end()) << m.name;
        ASSERT_EQ(m.originalSize, s->data.size()) << m.name;
        if (m.method != "-lh5-")
            continue;   // jlha stores what it cannot compress
        ++compressed;
        Bytes out(m.originalSize);
        ASSERT_TRUE(lh5::Decode(m.stream, out)) << m.name;
        EXPECT_EQ(out, s->data) << m.name;
        // Our bounded match search and code construction compress within 0.3 % of theirs.
        const Bytes ours = Compress(s->data, uint32_t(s->data.size()));
        EXPECT_LE(ours.size(), m.stream.size() + m.stream.size() * 3 / 1000 + 2) << m.name;
    }
    EXPECT_EQ(compressed, samples.size() - 1) << "all but the random sample are -lh5-";
}
