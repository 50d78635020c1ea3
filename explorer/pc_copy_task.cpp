#include "explorer/pc_copy_task.h"
#include "explorer/pc_files.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace explorer {

namespace {

constexpr size_t kChunkBytes = 1 << 20;

}  // namespace

CPcCopyTask::~CPcCopyTask()
{
    Cancel();
    Wait();
}

void CPcCopyTask::Start(const std::string& from, const std::string& to, uint32_t id)
{
    Wait();
    m_Percent = 0;
    m_bCancel = false;
    m_Thread = std::thread([this, from, to, id] {
        bool copied = Copy(from, to);
        m_Sink.Post(id, copied ? 1 : 0);
    });
}

void CPcCopyTask::Wait()
{
    if (m_Thread.joinable())
        m_Thread.join();
}

bool CPcCopyTask::Copy(const std::string& from, const std::string& to)
{
    PcFile in, out;
    if (!in.OpenSource(from) || !out.CreateDestination(to, in))
        return false;
    std::vector<char> buffer(kChunkBytes);
    uint64_t size = in.Size(), done = 0;
    bool ok = true;
    for (;;) {
        int64_t n = in.Read(buffer.data(), buffer.size());
        if (m_bCancel || n < 0 || (n > 0 && !out.WriteAll(buffer.data(), size_t(n)))) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        done += uint64_t(n);
        m_Percent = uint16_t(size ? std::min<uint64_t>(done * 100 / size, 100) : 0);
    }
    in.Close();
    ok = out.Close() && ok && !m_bCancel;
    std::error_code ec;
    if (!ok)
        std::filesystem::remove(PcFsPath(to), ec);
    else
        m_Percent = 100;
    return ok;
}

}  // namespace explorer
