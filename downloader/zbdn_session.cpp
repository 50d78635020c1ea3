#include "downloader/zbdn_session.h"

#include "common/trace.h"

#include <chrono>

namespace {
// Where no USB back end is available: no device ever arrives.
class NoUsbBackend : public UsbBackend {
public:
    std::vector<std::string> Enumerate() override { return {}; }
    void Watch(UsbNotice, UsbNotice) override {}
    void StopWatching() override {}
    std::unique_ptr<UsbDevice> Open(const std::string&) override { return nullptr; }
};

std::unique_ptr<UsbBackend> OrNone(std::unique_ptr<UsbBackend> backend)
{
    if (!backend)
        Trace("ZBDN_USB: no USB back end");
    return backend ? std::move(backend) : std::make_unique<NoUsbBackend>();
}
}  // namespace

uint32_t CZbdnPort::Read(uint8_t* buffer, uint32_t length)
{
    auto slice = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitSliceMs);
    uint32_t count = m_Port.Read(buffer, length);
    while (count == 0 && !m_bAbort && std::chrono::steady_clock::now() < slice)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return count;
}

CZbdnSession::CZbdnSession(ZbdnPoster& poster, std::unique_ptr<UsbBackend> backend, CWorkerGuard& guard,
                           std::atomic<bool>& abortFlag)
    : m_Poster(poster), m_pBackend(OrNone(std::move(backend))), m_Guard(guard), m_bAbort(abortFlag),
      m_Transport(*m_pBackend, abortFlag), m_Port(m_Transport, abortFlag), m_Link(m_Port, m_LinkState, m_Prompter),
      m_Engine(m_Link, ServingProgram::Zbdn, *this, guard, abortFlag)
{
}

CZbdnSession::~CZbdnSession()
{
    m_Transport.StopNotices();
    Stop();
    JoinGreeter();
    m_Engine.Join();
    m_Engine.CloseImage();
    m_Transport.Release();
}

bool CZbdnSession::Start()
{
    m_Transport.InitDevice();
    if (!m_Transport.RegisterAndDiscover(*this)) {
        ReportAccessDenied();
        return false;
    }
    m_Poster.Post({ZbdnMsg::DeviceReady, 0, {}});
    return true;
}

bool CZbdnSession::DeviceArrival(const std::string& path)
{
    if (m_Transport.DeviceArrival(path))
        return true;
    ReportAccessDenied();
    return false;
}

void CZbdnSession::ReportAccessDenied()
{
    std::string text = m_Transport.AccessDeniedText();
    if (text.empty() || text == m_ShownDenial)
        return;
    m_ShownDenial = text;
    ShowStatus(text);
}

bool CZbdnSession::DeviceRemoved(const std::string& path)
{
    return m_Transport.DeviceRemoved(path);
}

bool CZbdnSession::RetryArrival()
{
    const std::string& saved = m_Transport.SavedPath();
    if (m_Transport.IsOpen() || saved.empty())
        return false;
    std::unique_ptr<UsbDevice> trial = m_pBackend->Open(saved);
    if (!trial)
        return false;
    trial->Close();
    trial.reset();
    return m_Transport.DeviceArrival();
}

bool CZbdnSession::DeviceOpen() const
{
    return m_Transport.IsOpen();
}

bool CZbdnSession::Greet()
{
    {
        // A device that arrives while the last one is still being greeted is greeted next.
        std::lock_guard lock(m_GreetLock);
        if (m_bGreeting) {
            m_bGreetAgain = true;
            return false;
        }
        m_bGreeting = true;
    }
    JoinGreeter();
    m_Greeter = std::thread([this] {
        bool answered = false;
        for (;;) {
            answered = ZbdnHandshake(m_Link, m_Port);
            Trace("ZbdnHandshake(): %s", answered ? "answered" : "no answer");
            std::lock_guard lock(m_GreetLock);
            if (answered || !m_bGreetAgain || m_bStopped) {
                // A greeted loader is not greeted again before its worker starts.
                m_bGreeting = answered;
                m_bGreetAgain = false;
                break;
            }
            m_bGreetAgain = false;
        }
        m_Poster.Post({ZbdnMsg::Greeted, answered ? 1u : 0u, {}});
    });
    return true;
}

void CZbdnSession::JoinGreeter()
{
    if (m_Greeter.joinable())
        m_Greeter.join();
}

bool CZbdnSession::StartWorker()
{
    m_Engine.SetReady();
    bool started = m_Engine.Start();
    std::lock_guard lock(m_GreetLock);
    m_bGreeting = false;
    return started;
}

void CZbdnSession::Arm()
{
    m_PostedProgress = kNoProgress;
    m_bStopped = false;
    m_bAbort = false;
}

void CZbdnSession::Stop()
{
    m_bAbort = true;
    m_bStopped = true;
    m_Engine.Stop();
}

bool CZbdnSession::SetStatusText(const std::string& text)
{
    std::lock_guard lock(m_StatusLock);
    if (m_StatusText == text)
        return false;
    m_StatusText = text;
    return true;
}

std::string CZbdnSession::StatusText() const
{
    std::lock_guard lock(m_StatusLock);
    return m_StatusText;
}

void CZbdnSession::OnDeviceArrival(const std::string& path)
{
    m_Poster.Post({ZbdnMsg::Arrival, 0, path});
}

void CZbdnSession::OnDeviceRemoval(const std::string& path)
{
    // The worker must see the removal before the window hears of it.
    if (m_Transport.Holds(path))
        m_bAbort = true;
    m_Poster.Post({ZbdnMsg::Removal, 0, path});
}

// The worker reports every block; only what changed reaches the window's thread.
void CZbdnSession::ShowStatus(const std::string& text)
{
    if (SetStatusText(text))
        m_Poster.Post({ZbdnMsg::ShowStatus, 0, {}});
}

void CZbdnSession::ShowProgress(uint32_t percent)
{
    if (m_PostedProgress.exchange(percent) != percent)
        m_Poster.Post({ZbdnMsg::SetProgress, percent, {}});
}

void CZbdnSession::WorkerFinished()
{
    m_Poster.Post({m_bQuitOnFinish ? ZbdnMsg::Quit : ZbdnMsg::WorkerFinished, 0, {}});
}
