#include "explorer/pc_files.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace explorer {

namespace {

PcEntryInfo InfoOf(const struct stat& st)
{
    return {S_ISREG(st.st_mode), S_ISDIR(st.st_mode), uint64_t(st.st_size), st.st_mtime, uint64_t(st.st_dev),
            uint64_t(st.st_ino)};
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

bool StatPcPath(const std::string& path, PcEntryInfo& info)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return false;
    info = InfoOf(st);
    return true;
}

int PcReadError(const std::string& path)
{
    return faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0 ? 0 : errno;
}

bool ForEachPcEntry(const std::string& folder, const PcEntryVisitor& visit)
{
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir)
        return false;
    while (dirent* entry = readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name == ".")
            continue;
        struct stat st {};
        bool known = fstatat(dirfd(dir.get()), name.c_str(), &st, 0) == 0;
        PcEntryInfo info = known ? InfoOf(st) : PcEntryInfo{};
        if (!visit(name, known ? &info : nullptr))
            break;
    }
    return true;
}

std::tm PcLocalTime(std::time_t time)
{
    std::tm tm{};
    localtime_r(&time, &tm);
    return tm;
}

}  // namespace explorer
