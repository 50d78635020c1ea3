// The emulator's background copy tasks: one at a time on one long-lived thread, with
// progress, cancel, resume offsets and the faults a test asks for. Holes of the source
// stay holes.
#include "tools/zbdll_emu/emu_files.h"
#include "tools/zbdll_emu/emu_state.h"

#include <algorithm>
#include <chrono>
#include <memory>

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

// A destination that is the source itself (a link, or the disk's folder seen from the PC)
// is refused before it is cut. A resumed copy keeps the bytes before its offset and
// nothing after them.
std::unique_ptr<EmuCopyFiles> OpenFiles(const CopyOrder& order)
{
    return EmuCopyFiles::Open(order.from, order.to, order.offset);
}

bool Copy(EmuState& emu, const CopyOrder& order, std::unique_ptr<EmuCopyFiles> files)
{
    if (!files)
        return false;
    uint64_t total = files->SourceSize();
    uint64_t stop = order.fail ? order.offset + (total - order.offset) / 2 : total;
    while (emu.hold && !emu.taskCancel)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const uint64_t chunk = std::max<uint32_t>(order.faults.chunkBytes, 512);
    uint64_t runEnd = files->Dense() ? stop : order.offset;  // end of the source's data run being copied
    int chunks = 0;
    for (uint64_t at = order.offset; at < stop;) {
        if (emu.taskCancel)
            return false;
        if (at >= runEnd) {
            // Holes of the source stay holes: jump to its next data.
            std::optional<uint64_t> data = files->NextData(at);
            if (!data || *data >= stop)
                break;
            at = *data;
            runEnd = files->DataEnd(at, stop);
        }
        size_t want = size_t(std::min(chunk, runEnd - at));
        if (!files->Move(at, want))
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
    if (order.fail || (runEnd < stop && !files->SetDestinationSize(stop)))
        return false;
    emu.percent = 100;
    return true;
}

// A small copy with no fault in play is done on the caller's thread, as fast as a device
// answers it: handing each small file to the task thread cost more than copying it. Its
// notice then comes from the starting call, as a device's may. The files opened to learn
// the source's size are the ones it copies with; a larger copy goes to the thread.
std::unique_ptr<EmuCopyFiles> FilesToCopyAtOnce(const CopyOrder& order, bool& atOnce)
{
    constexpr uint64_t kAtOnceBytes = 64 * 1024;
    const EmuFaults& faults = order.faults;
    atOnce = false;
    if (order.fail || faults.holdCopies || faults.chunkDelayMs != 0 || faults.dropAfterChunks >= 0)
        return nullptr;
    std::unique_ptr<EmuCopyFiles> files = OpenFiles(order);
    atOnce = !files || files->SourceSize() <= order.offset + kAtOnceBytes;
    return atOnce ? std::move(files) : nullptr;
}

int StartTask(std::optional<fs::path> from, std::optional<fs::path> to, ZbWindow* window, uint32_t messageId,
              uint64_t offset)
{
    EmuState& emu = Emu();
    std::unique_lock lock(emu.mutex);
    if (!emu.opened || emu.taskRunning || !window)
        return 0;
    CopyOrder order;
    if (from)
        order.from = std::move(*from);
    if (to)
        order.to = std::move(*to);
    order.offset = offset;
    order.window = window;
    order.messageId = messageId;
    order.faults = emu.faults;
    order.fail = emu.faults.failCopies != 0;
    if (emu.faults.failCopies > 0)
        --emu.faults.failCopies;
    emu.faults.dropAfterChunks = -1;
    bool valid = from && to && !order.from.empty() && !order.to.empty();
    emu.taskLog.push_back({EmuPvrName(order.from), EmuPvrName(order.to), offset});
    if (order.faults.instantCopies) {
        lock.unlock();
        EmuNotifyTaskEnd(window, messageId, valid ? 1 : 0);
        return 1;
    }
    emu.hold = emu.faults.holdCopies;
    emu.taskCancel = false;
    emu.percent = 0;
    emu.taskRunning = true;
    if (bool atOnce = false; valid) {
        std::unique_ptr<EmuCopyFiles> files = FilesToCopyAtOnce(order, atOnce);
        if (atOnce) {
            lock.unlock();
            bool ok = Copy(emu, order, std::move(files));
            emu.taskRunning = false;
            EmuNotifyTaskEnd(window, messageId, ok ? 1 : 0);
            return 1;
        }
    }
    emu.task.Post([&emu, order = std::move(order), valid] {
        bool ok = valid && Copy(emu, order, OpenFiles(order));
        // Free for the next task before the notice that may start it.
        emu.taskRunning = false;
        EmuNotifyTaskEnd(order.window, order.messageId, ok ? 1 : 0);
    });
    return 1;
}

std::optional<fs::path> PcPath(const char* path)
{
    return path && *path ? std::optional<fs::path>(EmuPcPath(path)) : std::nullopt;
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
