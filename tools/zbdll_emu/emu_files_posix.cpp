#include "tools/zbdll_emu/emu_files.h"
#include "tools/zbdll_emu/zbdll_emu.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Fd {
public:
    explicit Fd(int fd) : m_Fd(fd) {}
    ~Fd()
    {
        if (m_Fd >= 0)
            close(m_Fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_Fd; }
    int release()
    {
        int fd = m_Fd;
        m_Fd = -1;
        return fd;
    }

private:
    int m_Fd;
};

// Moves byte ranges in the kernel while copy_file_range can (not across file systems, nor
// on every kernel), else through a buffer no larger than the ranges asked for.
class PosixCopyFiles : public EmuCopyFiles {
public:
    PosixCopyFiles(int in, int out, const struct stat& source) : m_In(in), m_Out(out), m_Source(source) {}

    uint64_t SourceSize() const override { return uint64_t(m_Source.st_size); }
    // A file with a block for every byte has no holes to look for.
    bool Dense() const override { return uint64_t(m_Source.st_blocks) * 512 >= SourceSize(); }

    std::optional<uint64_t> NextData(uint64_t at) override
    {
        off_t data = lseek(m_In.get(), off_t(at), SEEK_DATA);
        if (data < 0 && errno == ENXIO)
            return std::nullopt;
        return data > 0 ? uint64_t(data) : at;
    }

    uint64_t DataEnd(uint64_t at, uint64_t stop) override
    {
        off_t hole = lseek(m_In.get(), off_t(at), SEEK_HOLE);
        return hole > off_t(at) ? std::min(uint64_t(hole), stop) : stop;
    }

    bool Move(uint64_t at, size_t count) override
    {
        while (count > 0) {
            ssize_t moved = m_bKernel ? MoveInKernel(at, count) : MoveThroughBuffer(at, count);
            if (moved < 0 && m_bKernel) {
                m_bKernel = false;
                continue;
            }
            if (moved <= 0)
                return false;  // a read or write error, or the source ended early
            at += uint64_t(moved);
            count -= size_t(moved);
        }
        return true;
    }

    bool SetDestinationSize(uint64_t size) override { return ftruncate(m_Out.get(), off_t(size)) == 0; }

private:
    // -1: this pair of files is not copied in the kernel (some file systems answer 0 bytes
    // rather than an error; the buffer then tells a source that ended early).
    ssize_t MoveInKernel(uint64_t at, size_t count)
    {
        loff_t from = loff_t(at), to = loff_t(at);
        ssize_t moved = copy_file_range(m_In.get(), &from, m_Out.get(), &to, count, 0);
        if (moved > 0)
            return moved;
        bool unsupported = moved == 0 || errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
        return unsupported ? -1 : 0;
    }
    ssize_t MoveThroughBuffer(uint64_t at, size_t count)
    {
        if (m_Size < count) {
            m_Buffer = std::make_unique_for_overwrite<char[]>(count);
            m_Size = count;
        }
        ssize_t got = pread(m_In.get(), m_Buffer.get(), count, off_t(at));
        if (got <= 0 || pwrite(m_Out.get(), m_Buffer.get(), size_t(got), off_t(at)) != got)
            return 0;
        return got;
    }

    Fd m_In, m_Out;
    struct stat m_Source;
    bool m_bKernel = true;
    std::unique_ptr<char[]> m_Buffer;
    size_t m_Size = 0;
};

}  // namespace

std::unique_ptr<EmuCopyFiles> EmuCopyFiles::Open(const std::filesystem::path& from, const std::filesystem::path& to,
                                                 uint64_t offset)
{
    // Not blocking: a FIFO or a device in the place of a file fails the copy instead of stalling it.
    Fd in(open(from.c_str(), O_RDONLY | O_NONBLOCK));
    struct stat st {};
    if (in.get() < 0 || fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode) || offset > uint64_t(st.st_size))
        return nullptr;
    Fd out(open(to.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK, 0644));
    struct stat outSt {};
    if (out.get() < 0 || fstat(out.get(), &outSt) != 0 || !S_ISREG(outSt.st_mode) ||
        (outSt.st_dev == st.st_dev && outSt.st_ino == st.st_ino))
        return nullptr;
    if (uint64_t(outSt.st_size) != offset && ftruncate(out.get(), off_t(offset)) != 0)
        return nullptr;
    return std::make_unique<PosixCopyFiles>(in.release(), out.release(), st);
}

std::filesystem::path EmuPcPath(const char* path) { return path; }

std::filesystem::path EmuDiskName(const std::string& pvrName) { return pvrName; }

std::string EmuPvrName(const std::filesystem::path& diskName) { return diskName.string(); }

std::optional<std::filesystem::path> EmuRootVariable()
{
    const char* root = std::getenv("ZBDLL_SIM_ROOT");
    return root && *root ? std::optional<std::filesystem::path>(root) : std::nullopt;
}

std::filesystem::path EmuDefaultRoot()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path base = data && *data ? std::filesystem::path(data)
                                               : std::filesystem::path(home ? home : ".") / ".local" / "share";
    return base / "zbdll-sim";
}

std::optional<EmuFileInfo> EmuStat(const std::filesystem::path& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return EmuFileInfo{S_ISDIR(st.st_mode), uint64_t(st.st_size), st.st_mtime};
}

std::tm EmuUtcTime(std::time_t time)
{
    std::tm tm{};
    gmtime_r(&time, &tm);
    return tm;
}
