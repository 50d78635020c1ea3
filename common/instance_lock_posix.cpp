#include "common/instance_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::unique_ptr<CInstanceLock> CInstanceLock::Acquire(const std::filesystem::path& path, int* error)
{
    // Never follow a link planted in a shared folder; the file is only ever locked, not written.
    int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return std::unique_ptr<CInstanceLock>(new CInstanceLock(fd));
    if (error)
        *error = errno;
    if (fd >= 0)
        ::close(fd);
    return nullptr;
}

// The file stays: removing it would let a newcomer lock a fresh file while another
// still holds the old one.
CInstanceLock::~CInstanceLock()
{
    ::close(int(m_Handle));
}
