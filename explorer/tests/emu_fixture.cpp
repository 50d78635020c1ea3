#include "explorer/tests/emu_fixture.h"

namespace explorer {

void WriteFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    testing_support::WriteFileText(path, bytes);
}

std::string ReadFile(const fs::path& path)
{
    return testing_support::ReadFileText(path);
}

std::string Pattern(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = char(state >> 16);
    }
    return bytes;
}

std::map<std::string, std::string> TreeContents(const fs::path& root)
{
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        tree[entry.path().lexically_relative(root).string() + (entry.is_directory() ? "/" : "")] =
            entry.is_regular_file() ? ReadFile(entry.path()) : "";
    return tree;
}

PaneRow FileRow(const std::string& name, uint64_t size) { return PcRow(name, false, size, ""); }
PaneRow FolderRow(const std::string& name) { return PcRow(name, true, 0, ""); }

}  // namespace explorer
