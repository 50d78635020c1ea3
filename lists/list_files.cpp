#include "lists/list_files.h"

#include "common/input_file.h"
#include "common/system_paths.h"

namespace lists {

namespace {

constexpr uint64_t kMaxListBytes = 16 << 20;
constexpr size_t kMaxFolderFiles = 1000;
constexpr uint64_t kMaxFolderBytes = 64 << 20;

} // namespace

bool ReadListFiles(const ListFormat& format, const std::filesystem::path& path, FolderFiles& files,
                   FileFailure& failure)
{
    files.clear();
    if (!format.folder)
        return ReadInputFile(path, kMaxListBytes, files[std::string()], &failure);
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
        failure = {path, "not a folder"};
        return false;
    }
    uint64_t total = 0;
    for (std::filesystem::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
        const std::string name = Utf8Path(it->path().filename());
        if (!IsLamedbFolderFile(name))
            continue;
        if (files.size() == kMaxFolderFiles) {
            failure = {path, "more than " + std::to_string(kMaxFolderFiles) + " bouquet files"};
            return false;
        }
        if (!ReadInputFile(it->path(), kMaxListBytes, files[name], &failure))
            return false;
        if ((total += files[name].size()) > kMaxFolderBytes) {
            failure = {path, "the list files hold more than " + std::to_string(kMaxFolderBytes >> 20) + " MB"};
            return false;
        }
    }
    if (error)
        failure = {path, error.message()};
    return !error;
}

bool WriteListFiles(const ListFormat& format, const std::filesystem::path& path, const FolderFiles& files,
                    FileFailure& failure)
{
    std::error_code error;
    if (format.folder && !std::filesystem::is_directory(path, error) && !std::filesystem::create_directories(path, error)) {
        failure = {path, error ? error.message() : "not a folder"};
        return false;
    }
    CSafeFileSet set;
    for (const auto& [name, text] : files)
        set.Add(format.folder ? path / name : path, {ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size())},
                LinkRule::Follow);
    return set.Commit(&failure);
}

} // namespace lists
