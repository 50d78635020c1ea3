#include "link/serving_engine.h"

#include "common/input_file.h"
#include "usb/usb_bulk_port.h"
#include "common/system_paths.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace {
constexpr uint32_t kZbdnHelloRead = 23;
constexpr auto kReadyPoll = std::chrono::milliseconds(10);
}  // namespace

bool ZbdnHandshake(CUsbLink& link, UsbBulkPort& port)
{
    if (!link.SendFrame(0, CMD_HELLO))
        return false;
    uint32_t multiple = port.OutPacketSize();
    if (multiple == 0)
        return false;
    std::vector<uint8_t> reply(RoundUpTo(kZbdnHelloRead, multiple));
    uint32_t got = port.Read(reply.data(), uint32_t(reply.size()));
    if (got < kUsbFrameOverhead || !std::equal(kLinkMagic.begin(), kLinkMagic.end(), reply.begin()))
        return false;
    uint32_t len = uint32_t(reply[6] << 8 | reply[7]);
    if (len + kUsbFrameOverhead > got)
        return false;
    return reply[len + 8] == LinkSum(reply.data() + 4, len + 4) && reply[5] == CMD_HELLO_ACK;
}

CServingEngine::CServingEngine(CUsbLink& link, ServingProgram program, ServingEvents& events, CWorkerGuard& guard,
                               std::atomic<bool>& abortFlag)
    : m_Link(link), m_Program(program), m_Events(events), m_Guard(guard), m_bAbort(abortFlag)
{
}

CServingEngine::~CServingEngine()
{
    Stop();
    Join();
    CloseImage();
}

bool CServingEngine::OpenImage(const std::filesystem::path& path, FileFailure* failure)
{
    CloseImage();
    CInputFile file;
    if (!file.Open(path, failure))
        return false;
    if (file.Size() > kMaxImageSize) {
        if (failure)
            *failure = {path, "larger than 16 MiB, the most the STB's loader can read"};
        return false;
    }
    std::lock_guard lock(m_ImageLock);
    m_pImage = file.Release();
    return m_pImage != nullptr;
}

void CServingEngine::CloseImage()
{
    std::lock_guard lock(m_ImageLock);
    if (m_pImage)
        std::fclose(m_pImage);
    m_pImage = nullptr;
}

bool CServingEngine::ImageOpen() const
{
    std::lock_guard lock(m_ImageLock);
    return m_pImage != nullptr;
}

void CServingEngine::SetReady()
{
    {
        std::lock_guard lock(m_WakeLock);
        m_bReady = true;
    }
    m_Wake.notify_all();
}

void CServingEngine::Stop()
{
    {
        std::lock_guard lock(m_WakeLock);
        m_bStop = true;
    }
    m_Wake.notify_all();
}

bool CServingEngine::Start(Greeting greet)
{
    Join();
    if (!m_Guard.TryEnter())
        return false;
    m_bStop = false;
    m_bRunning = true;
    try {
        m_Thread = std::thread([this, greet = std::move(greet)] {
            ServeHeld(greet);
            Leave();
        });
    } catch (const std::system_error&) {
        m_bRunning = false;
        m_Guard.Leave();
        return false;
    }
    return true;
}

bool CServingEngine::Serve(Greeting greet)
{
    if (!m_Guard.TryEnter())
        return false;
    m_bRunning = true;
    ServeHeld(greet);
    Leave();
    return true;
}

void CServingEngine::Leave()
{
    m_bRunning = false;
    m_Guard.Leave();
    if (m_Program == ServingProgram::Zbdn)
        m_bReady = false;
    m_Events.WorkerEnded();
}

void CServingEngine::Join()
{
    if (m_Thread.joinable() && m_Thread.get_id() != std::this_thread::get_id())
        m_Thread.join();
}

bool CServingEngine::WaitReady()
{
    // The abort flag is set by the transport without a signal, so the wait looks at it often.
    std::unique_lock lock(m_WakeLock);
    while (!m_bReady) {
        if (m_bStop || m_bAbort)
            return false;
        m_Wake.wait_for(lock, kReadyPoll);
    }
    return true;
}

void CServingEngine::ServeHeld(const Greeting& greet)
{
    // Not greeted: the worker ends without a word and the next device-ready tries again.
    if (greet && !greet())
        return;
    if (greet)
        SetReady();
    m_bStarted = true;
    m_bCompleted = false;
    m_bDelivered = false;
    m_Failures = 0;
    m_ServedEnd = 0;
    if (!TakeImageSize()) {
        m_Events.ShowStatus(kImageTooLargeText);
        Finish(false);
        return;
    }
    if (!WaitReady()) {
        Finish(false);
        return;
    }
    while (!m_bStop) {
        if (m_bAbort || ServeRequest() == Step::End) {
            Finish(false);
            return;
        }
    }
    Finish(true);
}

CServingEngine::Step CServingEngine::ServeRequest()
{
    if (m_Link.ReceiveFrame(kRequestFrameLimit) != LinkResult::Ok) {
        if (++m_Failures < kMaxFailures)
            return Step::Continue;
        m_Events.ShowStatus("Error! Not Responding");
        if (m_Program == ServingProgram::Orvanel)
            m_bCompleted = false;
        return Step::End;
    }
    const uint8_t* frame = m_Link.Frame();
    if (frame[1] == CMD_END) {
        m_Events.ShowProgress(100);
        m_bDelivered = m_ServedEnd == m_FileSize;
        m_Events.ShowStatus(m_bDelivered ? "Completely Transfered!" : "Fail!");
        if (m_Program == ServingProgram::Orvanel)
            m_bCompleted = true;
        return Step::End;
    }
    if (frame[1] != CMD_READ_REQ)
        return Step::Continue;
    m_Events.ShowStatus("Downloading Processing..");
    m_Failures = 0;
    const std::optional<ReadRequest> asked = DecodeUsbReadRequest(m_Link.Payload());
    if (!asked)
        return Step::Continue;
    uint8_t psn = frame[0];
    const ReadRequest request = *asked;
    if (uint64_t(request.offset) + request.length > m_FileSize) {
        m_Events.ShowStatus("Error : File size is over.");
        return Step::End;
    }
    if (!ReadImage(request.offset, request.length)) {
        m_Events.ShowStatus("Error : Reading is fail.");
        return Step::End;
    }
    // A lost reply makes the loader ask again.
    (void)m_Link.SendReadData(psn, m_Data.data(), uint16_t(request.length));
    m_ServedEnd = request.offset + request.length;
    // An empty image has nothing left to serve.
    m_Events.ShowProgress(m_FileSize ? request.offset * 100 / m_FileSize : 100);
    return Step::Continue;
}

// The size is the file's when the worker starts; one that grew past what the wire can
// address is not served at all.
bool CServingEngine::TakeImageSize()
{
    std::lock_guard lock(m_ImageLock);
    uint64_t size = 0;
    m_FileSize = 0;
    if (!m_pImage || !OpenFileSize(m_pImage, size))
        return true;
    if (size > kMaxImageSize)
        return false;
    m_FileSize = uint32_t(size);
    return true;
}

bool CServingEngine::ReadImage(uint32_t offset, uint32_t length)
{
    std::lock_guard lock(m_ImageLock);
    m_Data.resize(std::max<size_t>(length, 1));
    if (!m_pImage || std::fseek(m_pImage, long(offset), SEEK_SET) != 0 || std::ftell(m_pImage) != long(offset))
        return false;
    return std::fread(m_Data.data(), 1, length, m_pImage) == length;
}

void CServingEngine::Finish(bool stopped)
{
    if (stopped && m_Program == ServingProgram::Orvanel)
        return;
    if (!stopped) {
        m_Failures = 0;
        m_FileSize = 0;
    }
    if (m_Program == ServingProgram::Orvanel) {
        m_Events.ShowProgress(0);
        CloseImage();
    }
    m_Events.WorkerFinished();
}
