#include "common/safe_file.h"

#include "common/trace.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kTempAttempts = 32;

bool Fail(FileFailure& failure, const fs::path& path, std::string reason)
{
    failure = {path, std::move(reason)};
    Trace("%s", failure.Describe().c_str());
    return false;
}

bool FailErrno(FileFailure& failure, const fs::path& path, int error)
{
    return Fail(failure, path, std::strerror(error));
}

fs::path FolderOf(const fs::path& path)
{
    return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Where a file lives, for telling two names of one file apart when it does not exist yet.
fs::path PlaceOf(const fs::path& path)
{
    std::error_code error;
    fs::path folder = fs::weakly_canonical(FolderOf(path), error);
    return (error ? FolderOf(path) : folder) / path.filename();
}

std::string TempSuffix()
{
    thread_local std::mt19937_64 random{std::random_device{}()};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(random()));
    return text;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

void SyncFolder(const fs::path& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::string FileFailure::Describe() const
{
    return "\"" + path.string() + "\": " + reason;
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

bool CSafeFileSet::Resolve(Entry& entry, FileFailure& failure)
{
    entry.final = entry.path;
    entry.exists = false;
    struct stat info {};
    if (::lstat(entry.path.c_str(), &info) != 0)
        return errno == ENOENT ? true : FailErrno(failure, entry.path, errno);
    if (S_ISLNK(info.st_mode)) {
        if (entry.rule == LinkRule::Replace)
            return true;
        char target[PATH_MAX];
        if (!::realpath(entry.path.c_str(), target) || ::stat(target, &info) != 0)
            return Fail(failure, entry.path, "the link names no file");
        entry.final = target;
    }
    if (!S_ISREG(info.st_mode))
        return Fail(failure, entry.path, "not a regular file");
    if (!entry.reserved && ::faccessat(AT_FDCWD, entry.final.c_str(), W_OK, AT_EACCESS) != 0)
        return FailErrno(failure, entry.path, errno);
    entry.exists = true;
    entry.mode = info.st_mode & 07777;
    entry.uid = info.st_uid;
    entry.gid = info.st_gid;
    entry.dev = info.st_dev;
    entry.ino = info.st_ino;
    return true;
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
                return Fail(out, a.path, "the same file as \"" + b.path.string() + "\", which is written too");
        }
    return true;
}

bool CSafeFileSet::WriteTemp(Entry& entry, FileFailure& failure)
{
    const fs::path folder = FolderOf(entry.final);
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < kTempAttempts; ++attempt) {
        fs::path temp = folder / ("." + entry.final.filename().string() + "." + TempSuffix());
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, entry.exists ? 0600 : 0666);
        if (fd >= 0)
            entry.temp = temp;
        else if (errno != EEXIST)
            break;
    }
    if (fd < 0)
        return FailErrno(failure, entry.path, errno);
    bool ok = true;
    int error = 0;
    if (entry.exists && (entry.uid != ::geteuid() || entry.gid != ::getegid()) &&
        ::fchown(fd, entry.uid, entry.gid) != 0) {
        error = errno;
        ::close(fd);
        return Fail(failure, entry.path, std::string("cannot keep the owner: ") + std::strerror(error));
    }
    if (entry.exists && ::fchmod(fd, entry.mode) != 0)
        ok = false;
    for (const ByteSpan& piece : entry.pieces)
        ok = ok && WriteAll(fd, piece.data(), piece.size());
    ok = ok && ::fsync(fd) == 0;
    error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    return ok ? true : FailErrno(failure, entry.path, error);
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
        if (::rename(it->temp.c_str(), it->final.c_str()) != 0) {
            FailErrno(out, it->path, errno);
            RemoveTemps();
            return false;
        }
        it->temp.clear();
        SyncFolder(FolderOf(it->final));
    }
    return true;
}

void CSafeFileSet::RemoveTemps()
{
    for (auto& entry : m_Entries)
        if (!entry.temp.empty()) {
            ::unlink(entry.temp.c_str());
            entry.temp.clear();
        }
}

bool SafeWriteFile(const fs::path& path, ByteSpan bytes, LinkRule rule, FileFailure* failure)
{
    CSafeFileSet set;
    set.Add(path, {bytes}, rule);
    return set.Commit(failure);
}

bool MakePrivateFolder(const fs::path& folder, FileFailure* failure)
{
    FileFailure local;
    FileFailure& out = failure ? *failure : local;
    fs::path prefix;
    for (const fs::path& part : folder) {
        prefix /= part;
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return FailErrno(out, prefix, errno);
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return FailErrno(out, folder, errno);
    if (!S_ISDIR(info.st_mode))
        return Fail(out, folder, "not a folder");
    return true;
}
