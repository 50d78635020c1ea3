#include "explorer/pc_copy_task.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace explorer {

namespace {

constexpr size_t kChunkBytes = 1 << 20;

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

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
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (in < 0 || ::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        if (in >= 0)
            ::close(in);
        return false;
    }
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        ::close(in);
        return false;
    }
    std::vector<char> buffer(kChunkBytes);
    uint64_t size = uint64_t(st.st_size), done = 0;
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (m_bCancel || n < 0 || (n > 0 && !WriteAll(out, buffer.data(), size_t(n)))) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        done += uint64_t(n);
        m_Percent = uint16_t(size ? std::min<uint64_t>(done * 100 / size, 100) : 0);
    }
    ::close(in);
    ok = ::close(out) == 0 && ok && !m_bCancel;
    if (!ok)
        ::unlink(to.c_str());
    else
        m_Percent = 100;
    return ok;
}

}  // namespace explorer
