#include "usb/sim_usb_wire.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
bool ReadAll(int fd, uint8_t* data, size_t n)
{
    while (n > 0) {
        ssize_t r = ::recv(fd, data, n, 0);
        if (r == 0 || (r < 0 && errno != EINTR))
            return false;
        if (r > 0) {
            data += r;
            n -= size_t(r);
        }
    }
    return true;
}
}  // namespace

std::vector<uint8_t> EncodeSimMessage(const SimMessage& message)
{
    uint32_t n = uint32_t(message.data.size());
    std::vector<uint8_t> bytes(kSimHeadSize + n);
    const uint8_t head[kSimHeadSize] = {uint8_t(message.type), uint8_t(message.id >> 24), uint8_t(message.id >> 16),
                                        uint8_t(message.id >> 8), uint8_t(message.id), message.endpoint,
                                        uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
    std::copy(head, head + kSimHeadSize, bytes.begin());
    std::copy(message.data.begin(), message.data.end(), bytes.begin() + kSimHeadSize);
    return bytes;
}

bool WriteSimMessage(int fd, const SimMessage& message)
{
    std::vector<uint8_t> bytes = EncodeSimMessage(message);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        done += size_t(w);
    }
    return true;
}

SimRead ReadSimMessage(int fd, SimMessage& message, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    int ready = ::poll(&p, 1, timeoutMs);
    if (ready == 0)
        return SimRead::TimedOut;
    if (ready < 0)
        return errno == EINTR ? SimRead::TimedOut : SimRead::Closed;
    uint8_t head[kSimHeadSize];
    if (!ReadAll(fd, head, sizeof head))
        return SimRead::Closed;
    uint32_t n = uint32_t(head[6]) << 24 | uint32_t(head[7]) << 16 | uint32_t(head[8]) << 8 | head[9];
    if (head[0] < uint8_t(SimMsg::Descriptors) || head[0] > uint8_t(SimMsg::InCancel) || n > kSimMaxData)
        return SimRead::Malformed;
    message.type = SimMsg(head[0]);
    message.id = uint32_t(head[1]) << 24 | uint32_t(head[2]) << 16 | uint32_t(head[3]) << 8 | head[4];
    message.endpoint = head[5];
    message.data.resize(n);
    return ReadAll(fd, message.data.data(), n) ? SimRead::Message : SimRead::Closed;
}
