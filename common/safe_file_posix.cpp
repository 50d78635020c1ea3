// The safe file writer on POSIX systems: links, modes and owners, fsync of file and folder.
#include "common/safe_file.h"

#include "common/fd_io.h"
#include "common/safe_file_platform.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kTempAttempts = 32;

bool FailErrno(FileFailure& failure, const fs::path& path, int error)
{
    return SafeFileFail(failure, path, std::strerror(error));
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
            return SafeFileFail(failure, entry.path, "the link names no file");
        entry.final = target;
    }
    if (!S_ISREG(info.st_mode))
        return SafeFileFail(failure, entry.path, "not a regular file");
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

bool CSafeFileSet::WriteTemp(Entry& entry, FileFailure& failure)
{
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < kTempAttempts; ++attempt) {
        fs::path temp = SafeFileTempName(entry.final);
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
        return SafeFileFail(failure, entry.path, std::string("cannot keep the owner: ") + std::strerror(error));
    }
    if (entry.exists && ::fchmod(fd, mode_t(entry.mode)) != 0)
        ok = false;
    for (const ByteSpan& piece : entry.pieces)
        ok = ok && WriteAllToFd(fd, piece.data(), piece.size());
    ok = ok && ::fsync(fd) == 0;
    error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    return ok ? true : FailErrno(failure, entry.path, error);
}

bool CSafeFileSet::Replace(Entry& entry, FileFailure& failure)
{
    if (::rename(entry.temp.c_str(), entry.final.c_str()) != 0)
        return FailErrno(failure, entry.path, errno);
    SyncFolder(SafeFileFolderOf(entry.final));
    return true;
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
        return SafeFileFail(out, folder, "not a folder");
    return true;
}
