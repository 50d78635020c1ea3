// The emulator's background copy tasks: one at a time, with progress, cancel, resume
// offsets and the faults a test asks for. Zero chunks are left as holes.
#include "tools/zbdll_emu/emu_state.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
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
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool AllZero(const std::vector<char>& chunk, size_t count)
{
    return std::all_of(chunk.begin(), chunk.begin() + long(count), [](char c) { return c == 0; });
}

bool Copy(EmuState& emu, const CopyOrder& order)
{
    Fd in(open(order.from.c_str(), O_RDONLY));
    struct stat st {};
    if (in.get() < 0 || fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    uint64_t total = uint64_t(st.st_size);
    if (order.offset > total)
        return false;
    Fd out(open(order.to.c_str(), O_WRONLY | O_CREAT | (order.offset ? 0 : O_TRUNC), 0644));
    if (out.get() < 0 || ftruncate(out.get(), off_t(order.offset)) != 0)
        return false;
    uint64_t stop = order.fail ? order.offset + (total - order.offset) / 2 : total;
    while (emu.hold && !emu.taskCancel)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::vector<char> chunk(std::max<uint32_t>(order.faults.chunkBytes, 512));
    int chunks = 0;
    for (uint64_t at = order.offset; at < stop;) {
        if (emu.taskCancel)
            return false;
        // Holes of the source stay holes: jump to its next data.
        off_t data = lseek(in.get(), off_t(at), SEEK_DATA);
        if ((data < 0 && errno == ENXIO) || (data >= 0 && uint64_t(data) >= stop))
            break;
        if (data > 0)
            at = uint64_t(data);
        size_t want = size_t(std::min<uint64_t>(chunk.size(), stop - at));
        ssize_t got = pread(in.get(), chunk.data(), want, off_t(at));
        if (got <= 0)
            return false;
        if (!AllZero(chunk, size_t(got)) && pwrite(out.get(), chunk.data(), size_t(got), off_t(at)) != got)
            return false;
        at += uint64_t(got);
        emu.percent = uint16_t(total ? at * 100 / total : 100);
        if (order.faults.chunkDelayMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(order.faults.chunkDelayMs));
        if (++chunks == order.faults.dropAfterChunks) {
            DropDevice(emu);
            return false;
        }
    }
    if (order.fail || ftruncate(out.get(), off_t(stop)) != 0)
        return false;
    emu.percent = 100;
    return true;
}

int StartTask(std::optional<fs::path> from, std::optional<fs::path> to, ZbWindow* window, uint32_t messageId,
              uint64_t offset)
{
    EmuState& emu = Emu();
    std::lock_guard lock(emu.mutex);
    if (!emu.opened || emu.taskRunning || !window)
        return 0;
    if (emu.task.joinable())
        emu.task.join();
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
    emu.hold = emu.faults.holdCopies;
    emu.taskCancel = false;
    emu.percent = 0;
    emu.taskRunning = true;
    emu.task = std::thread([&emu, order, valid] {
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
