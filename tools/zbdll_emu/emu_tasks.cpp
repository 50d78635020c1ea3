// The emulator's background copy tasks: one at a time on one long-lived thread, with
// progress, cancel, resume offsets and the faults a test asks for. Holes of the source
// stay holes.
#include "tools/zbdll_emu/emu_state.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct CopyOrder {
    fs::path from;
    fs::path to;
    uint64_t offset = 0;
    ZbWindow* window = nullptr;
    uint32_t messageId = 0;
    EmuFaults faults;
    bool fail = false;  // break halfway
};

class Fd {
public:
    explicit Fd(int fd) : m_Fd(fd) {}
    ~Fd()
    {
        if (m_Fd >= 0)
            close(m_Fd);
    }
    int get() const { return m_Fd; }

private:
    int m_Fd;
};

// Moves byte ranges from one file to the same place in another: in the kernel while
// copy_file_range can (not across file systems, nor on every kernel), else through a
// buffer no larger than the ranges asked for.
class RangeMover {
public:
    RangeMover(int in, int out) : m_In(in), m_Out(out) {}
    bool Move(uint64_t at, size_t count)
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

private:
    // -1: this pair of files is not copied in the kernel (some file systems answer 0 bytes
    // rather than an error; the buffer then tells a source that ended early).
    ssize_t MoveInKernel(uint64_t at, size_t count)
    {
        loff_t from = loff_t(at), to = loff_t(at);
        ssize_t moved = copy_file_range(m_In, &from, m_Out, &to, count, 0);
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
        ssize_t got = pread(m_In, m_Buffer.get(), count, off_t(at));
        if (got <= 0 || pwrite(m_Out, m_Buffer.get(), size_t(got), off_t(at)) != got)
            return 0;
        return got;
    }

    int m_In, m_Out;
    bool m_bKernel = true;
    std::unique_ptr<char[]> m_Buffer;
    size_t m_Size = 0;
};

// The end of the data run that starts at `at`, no further than stop.
uint64_t DataEnd(int fd, uint64_t at, uint64_t stop)
{
    off_t hole = lseek(fd, off_t(at), SEEK_HOLE);
    return hole > off_t(at) ? std::min(uint64_t(hole), stop) : stop;
}

bool Copy(EmuState& emu, const CopyOrder& order)
{
    // Not blocking: a FIFO or a device in the place of a file fails the copy instead of stalling it.
    Fd in(open(order.from.c_str(), O_RDONLY | O_NONBLOCK));
    struct stat st {};
    if (in.get() < 0 || fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    uint64_t total = uint64_t(st.st_size);
    if (order.offset > total)
        return false;
    // A destination that is the source itself (a link, or the disk's folder seen from the PC)
    // is refused before it is cut. A resumed copy keeps the bytes before its offset and
    // nothing after them.
    Fd out(open(order.to.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK, 0644));
    struct stat outSt {};
    if (out.get() < 0 || fstat(out.get(), &outSt) != 0 || !S_ISREG(outSt.st_mode) ||
        (outSt.st_dev == st.st_dev && outSt.st_ino == st.st_ino))
        return false;
    if (uint64_t(outSt.st_size) != order.offset && ftruncate(out.get(), off_t(order.offset)) != 0)
        return false;
    uint64_t stop = order.fail ? order.offset + (total - order.offset) / 2 : total;
    while (emu.hold && !emu.taskCancel)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const uint64_t chunk = std::max<uint32_t>(order.faults.chunkBytes, 512);
    RangeMover mover(in.get(), out.get());
    // A file with a block for every byte has no holes to look for.
    const bool dense = uint64_t(st.st_blocks) * 512 >= total;
    uint64_t runEnd = dense ? stop : order.offset;  // end of the source's data run being copied
    int chunks = 0;
    for (uint64_t at = order.offset; at < stop;) {
        if (emu.taskCancel)
            return false;
        if (at >= runEnd) {
            // Holes of the source stay holes: jump to its next data.
            off_t data = lseek(in.get(), off_t(at), SEEK_DATA);
            if ((data < 0 && errno == ENXIO) || (data >= 0 && uint64_t(data) >= stop))
                break;
            if (data > 0)
                at = uint64_t(data);
            runEnd = DataEnd(in.get(), at, stop);
        }
        size_t want = size_t(std::min(chunk, runEnd - at));
        if (!mover.Move(at, want))
            return false;
        at += want;
        emu.percent = uint16_t(total ? at * 100 / total : 100);
        if (order.faults.chunkDelayMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(order.faults.chunkDelayMs));
        if (++chunks == order.faults.dropAfterChunks) {
            DropDevice(emu);
            return false;
        }
    }
    // The last data run may end before the file does.
    if (order.fail || (runEnd < stop && ftruncate(out.get(), off_t(stop)) != 0))
        return false;
    emu.percent = 100;
    return true;
}

// A small copy with no fault in play is done on the caller's thread, as fast as a device
// answers it: handing each small file to the task thread cost more than copying it. Its
// notice then comes from the starting call, as a device's may.
bool CopiesAtOnce(const CopyOrder& order)
{
    constexpr uint64_t kAtOnceBytes = 64 * 1024;
    const EmuFaults& faults = order.faults;
    if (order.fail || faults.holdCopies || faults.chunkDelayMs != 0 || faults.dropAfterChunks >= 0)
        return false;
    struct stat st {};
    return stat(order.from.c_str(), &st) == 0 && uint64_t(st.st_size) <= order.offset + kAtOnceBytes;
}

int StartTask(std::optional<fs::path> from, std::optional<fs::path> to, ZbWindow* window, uint32_t messageId,
              uint64_t offset)
{
    EmuState& emu = Emu();
    std::unique_lock lock(emu.mutex);
    if (!emu.opened || emu.taskRunning || !window)
        return 0;
    CopyOrder order;
    order.from = from.value_or(fs::path());
    order.to = to.value_or(fs::path());
    order.offset = offset;
    order.window = window;
    order.messageId = messageId;
    order.faults = emu.faults;
    order.fail = emu.faults.failCopies != 0;
    if (emu.faults.failCopies > 0)
        --emu.faults.failCopies;
    emu.faults.dropAfterChunks = -1;
    bool valid = from && to && !order.from.empty() && !order.to.empty();
    emu.taskLog.push_back({order.from.string(), order.to.string(), offset});
    if (order.faults.instantCopies) {
        lock.unlock();
        window->notify(window->context, messageId, valid ? 1 : 0);
        return 1;
    }
    emu.hold = emu.faults.holdCopies;
    emu.taskCancel = false;
    emu.percent = 0;
    emu.taskRunning = true;
    if (valid && CopiesAtOnce(order)) {
        lock.unlock();
        bool ok = Copy(emu, order);
        emu.taskRunning = false;
        window->notify(window->context, messageId, ok ? 1 : 0);
        return 1;
    }
    emu.task.Post([&emu, order = std::move(order), valid] {
        bool ok = valid && Copy(emu, order);
        // Free for the next task before the notice that may start it.
        emu.taskRunning = false;
        order.window->notify(order.window->context, order.messageId, ok ? 1 : 0);
    });
    return 1;
}

std::optional<fs::path> PcPath(const char* path)
{
    return path && *path ? std::optional<fs::path>(path) : std::nullopt;
}

std::optional<fs::path> PvrPath(const char* path)
{
    return path ? MapPvrPath(Emu(), path) : std::nullopt;
}

uint64_t Offset(uint32_t high, uint32_t low) { return uint64_t(high) << 32 | low; }

}

EmuTaskThread::~EmuTaskThread() { Stop(); }

void EmuTaskThread::Post(std::function<void()> task)
{
    {
        std::lock_guard lock(m_Mutex);
        m_Task = std::move(task);
        m_bBusy = true;
        if (!m_Thread.joinable())
            m_Thread = std::thread([this] { Run(); });
    }
    // Outside the lock, so that the woken thread need not wait for it.
    m_Changed.notify_all();
}

void EmuTaskThread::WaitIdle()
{
    std::unique_lock lock(m_Mutex);
    if (std::this_thread::get_id() != m_Thread.get_id())
        m_Changed.wait(lock, [this] { return !m_bBusy; });
}

void EmuTaskThread::Stop()
{
    {
        std::lock_guard lock(m_Mutex);
        m_bStop = true;
        m_Changed.notify_all();
    }
    if (m_Thread.joinable() && std::this_thread::get_id() != m_Thread.get_id())
        m_Thread.join();
}

void EmuTaskThread::Run()
{
    std::unique_lock lock(m_Mutex);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_bStop || m_Task; });
        if (!m_Task)
            return;
        std::function<void()> task = std::move(m_Task);
        m_Task = nullptr;
        lock.unlock();
        task();
        lock.lock();
        m_bBusy = m_Task != nullptr;
        m_Changed.notify_all();
    }
}

void EmuReleaseCopies() { Emu().hold = false; }

std::vector<EmuTaskRecord> EmuTaskLog()
{
    std::lock_guard lock(Emu().mutex);
    return Emu().taskLog;
}

extern "C" {

int UsbTaskFileSend(const char* pvrPath, const char* pcPath, ZbWindow* window, uint32_t messageId)
{
    return StartTask(PcPath(pcPath), PvrPath(pvrPath), window, messageId, 0);
}

int UsbTaskFileSendPosi(const char* pvrPath, const char* pcPath, ZbWindow* window, uint32_t messageId,
                        uint32_t offsetHigh, uint32_t offsetLow)
{
    return StartTask(PcPath(pcPath), PvrPath(pvrPath), window, messageId, Offset(offsetHigh, offsetLow));
}

int UsbTaskFileReceive(const char* pcPath, const char* pvrPath, ZbWindow* window, uint32_t messageId)
{
    return StartTask(PvrPath(pvrPath), PcPath(pcPath), window, messageId, 0);
}

int UsbTaskFileReceivePosi(const char* pcPath, const char* pvrPath, ZbWindow* window, uint32_t messageId,
                           uint32_t offsetHigh, uint32_t offsetLow)
{
    return StartTask(PvrPath(pvrPath), PcPath(pcPath), window, messageId, Offset(offsetHigh, offsetLow));
}

uint16_t UsbTaskGetPercent(void) { return Emu().percent; }

void UsbTaskCancel(void) { Emu().taskCancel = true; }

}
