#include "common/safe_file.h"

#include "common/safe_file_platform.h"
#include "common/system_paths.h"
#include "common/trace.h"

#include <cstdio>
#include <random>

namespace fs = std::filesystem;

bool SafeFileFail(FileFailure& failure, const fs::path& path, std::string reason)
{
    failure = {path, std::move(reason)};
    Trace("%s", failure.Describe().c_str());
    return false;
}

fs::path SafeFileFolderOf(const fs::path& path)
{
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

fs::path SafeFileTempName(const fs::path& final)
{
    thread_local std::mt19937_64 random{std::random_device{}()};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(random()));
    // Joined as paths: a name the system's 8-bit code page lacks has no narrow form on Windows.
    fs::path name = ".";
    name += final.filename();
    name += std::string(".") + text;
    return SafeFileFolderOf(final) / name;
}

namespace {

// Where a file lives, for telling two names of one file apart when it does not exist yet.
fs::path PlaceOf(const fs::path& path)
{
    std::error_code error;
    fs::path folder = fs::weakly_canonical(SafeFileFolderOf(path), error);
    return (error ? SafeFileFolderOf(path) : folder) / path.filename();
}

}  // namespace

std::string FileFailure::Describe() const
{
    return "\"" + Utf8Path(path) + "\": " + reason;
}

CSafeFileSet::~CSafeFileSet()
{
    RemoveTemps();
}

void CSafeFileSet::Add(const fs::path& path, std::vector<ByteSpan> pieces, LinkRule rule)
{
    Entry entry;
    entry.path = path;
    entry.pieces = std::move(pieces);
    entry.rule = rule;
    m_Entries.push_back(std::move(entry));
}

void CSafeFileSet::Reserve(const fs::path& path)
{
    Entry entry;
    entry.path = path;
    entry.reserved = true;
    m_Entries.push_back(std::move(entry));
}

bool CSafeFileSet::Check(FileFailure* failure)
{
    FileFailure local;
    FileFailure& out = failure ? *failure : local;
    for (auto& entry : m_Entries)
        if (!Resolve(entry, out))
            return false;
    for (size_t i = 0; i < m_Entries.size(); ++i)
        for (size_t j = i + 1; j < m_Entries.size(); ++j) {
            const Entry& a = m_Entries[i];
            const Entry& b = m_Entries[j];
            bool same = PlaceOf(a.final) == PlaceOf(b.final) ||
                        (a.exists && b.exists && a.dev == b.dev && a.ino == b.ino);
            if (same)
                return SafeFileFail(out, a.path, "the same file as \"" + Utf8Path(b.path) + "\", which is written too");
        }
    return true;
}

bool CSafeFileSet::Commit(FileFailure* failure)
{
    FileFailure local;
    FileFailure& out = failure ? *failure : local;
    if (!Check(&out))
        return false;
    for (auto& entry : m_Entries)
        if (!entry.reserved && !WriteTemp(entry, out)) {
            RemoveTemps();
            return false;
        }
    for (auto it = m_Entries.rbegin(); it != m_Entries.rend(); ++it) {
        if (it->reserved)
            continue;
        if (!Replace(*it, out)) {
            RemoveTemps();
            return false;
        }
        it->temp.clear();
    }
    return true;
}

void CSafeFileSet::RemoveTemps()
{
    for (auto& entry : m_Entries)
        if (!entry.temp.empty()) {
            std::error_code ignored;
            fs::remove(entry.temp, ignored);
            entry.temp.clear();
        }
}

bool SafeWriteFile(const fs::path& path, ByteSpan bytes, LinkRule rule, FileFailure* failure)
{
    CSafeFileSet set;
    set.Add(path, {bytes}, rule);
    return set.Commit(failure);
}

