#include "explorer/pc_copy_task.h"
#include "explorer/pc_files.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace explorer {

namespace {

constexpr size_t kChunkBytes = 1 << 20;

std::string Why(const std::string& path, const PcFile& file) { return "\"" + path + "\": " + file.Failure(); }

}  // namespace

CPcCopyTask::~CPcCopyTask()
{
    if (!m_Run)
        return;
    Cancel();
    Wait(std::chrono::milliseconds(kGoneWaitMs));
    std::lock_guard lock(m_Run->mutex);
    m_Run->sink = nullptr;
}

void CPcCopyTask::Start(const std::string& from, const std::string& to, uint32_t id)
{
    m_Run = std::make_shared<Run>();
    m_Run->sink = &m_Sink;
    std::thread([run = m_Run, from, to, id] {
        bool copied = Copy(*run, from, to);
        // Posted under the lock: a task that goes meanwhile has its sink no longer.
        std::lock_guard lock(run->mutex);
        run->running = false;
        if (run->sink)
            run->sink->Post(id, copied ? 1 : 0);
        run->ended.notify_all();
    }).detach();
}

void CPcCopyTask::Cancel()
{
    if (m_Run)
        m_Run->cancel = true;
}

bool CPcCopyTask::Wait(std::chrono::milliseconds limit)
{
    if (!m_Run)
        return true;
    std::unique_lock lock(m_Run->mutex);
    return m_Run->ended.wait_for(lock, limit, [this] { return !m_Run->running; });
}

std::string CPcCopyTask::Failure() const
{
    if (!m_Run)
        return "";
    std::lock_guard lock(m_Run->mutex);
    return m_Run->failure;
}

bool CPcCopyTask::Copy(Run& run, const std::string& from, const std::string& to)
{
    PcFile in, out;
    std::string failure;
    if (!in.OpenSource(from))
        failure = Why(from, in);
    else if (!out.CreateDestination(to, in))
        failure = Why(to, out);
    if (!failure.empty()) {
        std::lock_guard lock(run.mutex);
        run.failure = failure;
        return false;
    }
    std::vector<char> buffer(kChunkBytes);
    uint64_t size = in.Size(), done = 0;
    for (;;) {
        int64_t n = in.Read(buffer.data(), buffer.size());
        if (run.cancel)
            break;
        if (n < 0) {
            failure = Why(from, in);
            break;
        }
        if (n > 0 && !out.WriteAll(buffer.data(), size_t(n))) {
            failure = Why(to, out);
            break;
        }
        if (n == 0)
            break;
        done += uint64_t(n);
        run.percent = uint16_t(size ? std::min<uint64_t>(done * 100 / size, 100) : 0);
    }
    in.Close();
    if (!out.Close() && failure.empty())
        failure = Why(to, out);
    bool ok = failure.empty() && !run.cancel;
    std::error_code ec;
    if (!ok)
        std::filesystem::remove(PcFsPath(to), ec);
    else
        run.percent = 100;
    std::lock_guard lock(run.mutex);
    run.failure = run.cancel ? "" : failure;
    return ok;
}

}  // namespace explorer
