// A USB link with nothing of ours on it: the limits our transfers are held against. One side
// serves stb-sim's FunctionFS descriptors; the other uses bare libusb bulk transfers.
//   usb-bulk-loop gadget FFS_DIR             until killed: OUT is read and dropped, IN is zeros
//   usb-bulk-loop out|in BYTES [CHUNK]       the host: BYTES in transfers of CHUNK (64 KiB) bytes
//   usb-bulk-loop gadget-ask FFS_DIR BLOCK   until killed: a 16-byte request IN, BLOCK bytes OUT
//   usb-bulk-loop answer ROUNDS BLOCK        the host's side of that, ROUNDS times: the floor of
//                                            a protocol where the device asks for each block
// The host prints what it moved and the time from opening the device to the last byte.
#include "tools/stb_sim/sim_carriers.h"

#include <libusb.h>

#include <linux/usb/functionfs.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint16_t kVendor = 0x1209, kProduct = 0x0001;
constexpr size_t kDefaultChunk = 64 * 1024;

int Fail(const std::string& what)
{
    std::fprintf(stderr, "usb-bulk-loop: %s\n", what.c_str());
    return 1;
}

// Endpoint files of a function whose descriptors are written; false with a message.
bool OpenFunction(const std::string& dir, int& ep0, int& out, int& in)
{
    ep0 = ::open((dir + "/ep0").c_str(), O_RDWR);
    if (ep0 < 0)
        return Fail(dir + "/ep0: " + std::strerror(errno)), false;
    for (const auto& block : {FfsDescriptors(), FfsStrings()})
        if (::write(ep0, block.data(), block.size()) != ssize_t(block.size()))
            return Fail("the descriptors were refused: " + std::string(std::strerror(errno))), false;
    // Blocking endpoints wait for the function's enable by themselves.
    out = ::open((dir + "/ep1").c_str(), O_RDWR);
    in = ::open((dir + "/ep2").c_str(), O_RDWR);
    if (out < 0 || in < 0)
        return Fail(dir + "/ep1, ep2: " + std::strerror(errno)), false;
    std::printf("ffs: %s\n", dir.c_str());
    std::fflush(stdout);
    return true;
}

// Events must be read for the function to go on; setup requests of its own it has none.
int ReadEvents(int ep0)
{
    usb_functionfs_event events[4];
    while (::read(ep0, events, sizeof events) >= 0 || errno == EINTR || errno == EAGAIN) {
    }
    return Fail(std::string("ep0: ") + std::strerror(errno));
}

// Retried while the function is not enabled yet or the host went away for a moment.
void Repeat(const std::function<ssize_t()>& io)
{
    for (;;)
        if (io() < 0 && errno != ESHUTDOWN && errno != EINTR)
            ::usleep(1000);
}

int ServeGadget(const std::string& dir)
{
    int ep0, out, in;
    if (!OpenFunction(dir, ep0, out, in))
        return 1;
    // The threads run until the process ends, as the buffers they use live until then.
    static std::vector<uint8_t> sunk(kDefaultChunk), zeros(kDefaultChunk);
    std::thread([out] { Repeat([out] { return ::read(out, sunk.data(), sunk.size()); }); }).detach();
    std::thread([in] { Repeat([in] { return ::write(in, zeros.data(), zeros.size()); }); }).detach();
    return ReadEvents(ep0);
}

int ServeAsking(const std::string& dir, size_t block)
{
    int ep0, out, in;
    if (!OpenFunction(dir, ep0, out, in))
        return 1;
    std::thread([out, in, block] {
        std::vector<uint8_t> request(16, 0xA5), answer(block);
        for (;;) {
            if (::write(in, request.data(), request.size()) != ssize_t(request.size()) ||
                ::read(out, answer.data(), answer.size()) < 0)
                ::usleep(1000);
        }
    }).detach();
    return ReadEvents(ep0);
}

// The bulk endpoint of interface 0 in the wanted direction, as the descriptors give it.
int FindEndpoint(libusb_device_handle* handle, bool wantIn)
{
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(libusb_get_device(handle), &config) != 0)
        return -1;
    int found = -1;
    const libusb_interface_descriptor& setting = config->interface[0].altsetting[0];
    for (int i = 0; i < setting.bNumEndpoints; ++i) {
        const libusb_endpoint_descriptor& ep = setting.endpoint[i];
        if ((ep.bmAttributes & 3) == LIBUSB_TRANSFER_TYPE_BULK && bool(ep.bEndpointAddress & 0x80) == wantIn)
            found = ep.bEndpointAddress;
    }
    libusb_free_config_descriptor(config);
    return found;
}

// The device opened and interface 0 claimed, with its bulk endpoints; null with a message.
struct Host {
    libusb_context* context = nullptr;
    libusb_device_handle* handle = nullptr;
    int out = -1, in = -1;
    std::chrono::steady_clock::time_point start;

    bool Open()
    {
        if (libusb_init(&context) != 0)
            return Fail("libusb_init failed"), false;
        start = std::chrono::steady_clock::now();
        handle = libusb_open_device_with_vid_pid(context, kVendor, kProduct);
        if (!handle)
            return Fail("no device 1209:0001"), false;
        out = FindEndpoint(handle, false);
        in = FindEndpoint(handle, true);
        if (out < 0 || in < 0 || libusb_claim_interface(handle, 0) != 0)
            return Fail("interface 0 has no bulk endpoints to use"), false;
        return true;
    }
    // One transfer; the bytes it moved, or -1 with a message.
    int Transfer(int endpoint, uint8_t* data, int length)
    {
        int done = 0;
        int result = libusb_bulk_transfer(handle, uint8_t(endpoint), data, length, &done, 5000);
        if (result != 0 && done == 0)
            return Fail(std::string("bulk transfer: ") + libusb_error_name(result)), -1;
        return done;
    }
    int Done(const std::string& what)
    {
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s in %.1f ms\n", what.c_str(), ms);
        libusb_release_interface(handle, 0);
        libusb_close(handle);
        libusb_exit(context);
        return 0;
    }
};

int MoveBytes(bool in, uint64_t bytes, size_t chunk)
{
    Host host;
    if (!host.Open())
        return 1;
    std::vector<uint8_t> buffer(chunk, 0x5A);
    uint64_t moved = 0;
    while (moved < bytes) {
        int done = host.Transfer(in ? host.in : host.out, buffer.data(), int(std::min<uint64_t>(chunk, bytes - moved)));
        if (done < 0)
            return 1;
        moved += uint64_t(done);
    }
    return host.Done(std::string(in ? "in " : "out ") + std::to_string(moved) + " bytes");
}

int Answer(uint64_t rounds, size_t block)
{
    Host host;
    if (!host.Open())
        return 1;
    std::vector<uint8_t> request(512), answer(block, 0x5A);
    for (uint64_t i = 0; i < rounds; ++i)
        if (host.Transfer(host.in, request.data(), int(request.size())) < 0 ||
            host.Transfer(host.out, answer.data(), int(answer.size())) < 0)
            return 1;
    return host.Done(std::to_string(rounds) + " requests answered with " + std::to_string(block) + " bytes");
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    auto number = [&](size_t i, uint64_t otherwise) {
        return i < args.size() ? std::strtoull(args[i].c_str(), nullptr, 10) : otherwise;
    };
    std::string mode = args.empty() ? "" : args[0];
    if (mode == "gadget" && args.size() == 2)
        return ServeGadget(args[1]);
    if (mode == "gadget-ask" && args.size() == 3 && number(2, 0) > 0)
        return ServeAsking(args[1], number(2, 0));
    if ((mode == "out" || mode == "in") && (args.size() == 2 || args.size() == 3) && number(1, 0) > 0 &&
        number(2, kDefaultChunk) > 0)
        return MoveBytes(mode == "in", number(1, 0), number(2, kDefaultChunk));
    if (mode == "answer" && args.size() == 3 && number(1, 0) > 0 && number(2, 0) > 0)
        return Answer(number(1, 0), number(2, 0));
    std::fprintf(stderr, "usage: usb-bulk-loop gadget FFS_DIR | out BYTES [CHUNK] | in BYTES [CHUNK]\n"
                         "       usb-bulk-loop gadget-ask FFS_DIR BLOCK | answer ROUNDS BLOCK\n");
    return 2;
}
