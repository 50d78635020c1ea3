#include "link/transfer/testing/transfer_testing.h"

#include "settings/demo_settings.h"
#include "settings/flash_pack.h"
#include "settings/image_codec.h"
#include "settings/service_purge.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <thread>
#include <unistd.h>

void RecordingView::ShowStatus(const std::string& text)
{
    std::lock_guard lock(m_Lock);
    m_Statuses.push_back(text);
}

void RecordingView::ShowLinkProblem(const std::string& text)
{
    std::lock_guard lock(m_Lock);
    m_LinkProblem = text;
}

void RecordingView::SetProgress(int position)
{
    std::lock_guard lock(m_Lock);
    m_Progress.push_back(position);
}

bool RecordingView::PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit)
{
    return RunUntil(pred, limit);
}

bool RecordingView::PumpUntilClose(std::chrono::milliseconds limit)
{
    return RunUntil([this] { return CloseReady(); }, limit);
}

std::vector<std::string> RecordingView::Statuses() const
{
    std::lock_guard lock(m_Lock);
    return m_Statuses;
}

bool RecordingView::HasStatus(const std::string& text) const
{
    auto statuses = Statuses();
    return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
}

std::string RecordingView::LastStatus() const
{
    std::lock_guard lock(m_Lock);
    return m_Statuses.empty() ? std::string() : m_Statuses.back();
}

std::string RecordingView::LinkProblem() const
{
    std::lock_guard lock(m_Lock);
    return m_LinkProblem;
}

std::vector<int> RecordingView::Progress() const
{
    std::lock_guard lock(m_Lock);
    return m_Progress;
}

int RecordingView::DelayCount(std::chrono::milliseconds delay) const
{
    auto delays = Delays();
    return int(std::count(delays.begin(), delays.end(), delay));
}

void FakeClock::Sleep(std::chrono::milliseconds duration)
{
    {
        std::lock_guard lock(m_Lock);
        m_Sleeps.push_back(duration);
    }
    if (realSleep)
        std::this_thread::sleep_for(duration);
    else
        std::this_thread::yield();
}

std::vector<std::chrono::milliseconds> FakeClock::Sleeps() const
{
    std::lock_guard lock(m_Lock);
    return m_Sleeps;
}

int FakeClock::Count(std::chrono::milliseconds duration) const
{
    auto sleeps = Sleeps();
    return int(std::count(sleeps.begin(), sleeps.end(), duration));
}

ScriptedSerialStb::ScriptedSerialStb()
{
    m_Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_Master < 0 || ::grantpt(m_Master) != 0 || ::unlockpt(m_Master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    m_SlavePath = ::ptsname(m_Master);
    // Held open so that the line stays raw between the PC's opens.
    m_Slave = ::open(m_SlavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    ::tcgetattr(m_Slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_Slave, TCSANOW, &tio);
}

ScriptedSerialStb::~ScriptedSerialStb()
{
    ::close(m_Slave);
    ::close(m_Master);
}

void ScriptedSerialStb::Send(const LinkFrame& frame)
{
    std::vector<uint8_t> bytes = SerialFrameBytes(frame);
    if (::write(m_Master, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        throw std::runtime_error("pseudo-terminal write failed");
}

bool ScriptedSerialStb::Receive(LinkFrame& frame, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_Frames.empty()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{m_Master, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0)
            continue;
        uint8_t buffer[512];
        ssize_t n = ::read(m_Master, buffer, sizeof buffer);
        if (n > 0) {
            std::vector<LinkFrame> frames;
            m_Parser.Feed(buffer, size_t(n), frames);
            m_Frames.insert(m_Frames.end(), frames.begin(), frames.end());
        }
    }
    frame = m_Frames.front();
    m_Frames.pop_front();
    return true;
}

bool ScriptedSerialStb::Quiet(std::chrono::milliseconds limit)
{
    LinkFrame frame;
    return !Receive(frame, limit);
}

StbSimOptions SimOptions(bool usb, const std::filesystem::path& folder, SimFaultPlan faults)
{
    StbSimOptions options;
    options.serial = !usb;
    if (usb)
        options.usbSocket = (folder / "usb.sock").string();
    options.faults = std::move(faults);
    return options;
}

std::unique_ptr<COrvanel1Doc> MakeDemoDocument(uint8_t modelId)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    DemoOptions options;
    options.modelId = modelId;
    options.tvServices = 40;
    options.radioServices = 12;
    BuildDemoSettings(*doc, options);
    if (!InverseParseImage(*doc) || !PackFlash(*doc))
        throw std::runtime_error("demo settings do not encode");
    // What the STB holds is the re-packed image; the document holds it as loaded.
    doc->m_PackedFlash = doc->m_RePackedFlash;
    auto reloaded = DecodeImage(ImageOf(*doc));
    if (!reloaded)
        throw std::runtime_error("demo settings do not decode");
    return reloaded;
}

StbImage ImageOf(const COrvanel1Doc& doc)
{
    StbImage image;
    image.systemId = doc.m_ExpectedSystemId;
    image.flash = doc.m_RePackedFlash;
    image.eeprom.assign(doc.m_Eeprom.begin(), doc.m_Eeprom.begin() + kEepromSize);
    return image;
}

std::unique_ptr<COrvanel1Doc> DecodeImage(const StbImage& image)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_ExpectedSystemId = image.systemId;
    doc->m_PackedFlash = image.flash;
    std::copy(image.eeprom.begin(), image.eeprom.end(), doc->m_Eeprom.begin());
    if (!UnpackFlash(*doc) || !VerifyAndParseImage(*doc))
        return nullptr;
    doc->m_bLoaded = true;
    // The loaded image is what a later PackFlash starts from.
    doc->m_RePackedFlash = doc->m_PackedFlash;
    return doc;
}

namespace {
// Services compared field by field and by name; where a name sits in the pool is the
// encoder's business.
bool SameServices(const COrvanel1Doc& a, const COrvanel1Doc& b, SvcKind kind)
{
    auto& ma = const_cast<COrvanel1Doc&>(a);
    auto& mb = const_cast<COrvanel1Doc&>(b);
    uint32_t count = kind == kTvKind ? a.m_TvSvcCnt : a.m_RadioSvcCnt;
    if (count != (kind == kTvKind ? b.m_TvSvcCnt : b.m_RadioSvcCnt))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        SvcRecord ra = kind == kTvKind ? a.m_TvSvc[i] : a.m_RadioSvc[i];
        SvcRecord rb = kind == kTvKind ? b.m_TvSvc[i] : b.m_RadioSvc[i];
        if (Appl_GetSvcName(ma, kind, i) != Appl_GetSvcName(mb, kind, i))
            return false;
        ra.nameOffset = rb.nameOffset = 0;
        if (!(ra == rb))
            return false;
    }
    return true;
}
}  // namespace

bool SameSettings(const COrvanel1Doc& a, const COrvanel1Doc& b)
{
    return SameServices(a, b, kTvKind) && SameServices(a, b, kRadioKind) && a.m_SatCnt == b.m_SatCnt &&
           a.m_TpCnt == b.m_TpCnt && a.m_FavCnt == b.m_FavCnt && a.m_SatInfo == b.m_SatInfo &&
           a.m_TpData == b.m_TpData && a.m_FavCh == b.m_FavCh && a.m_Timer == b.m_Timer &&
           a.m_EpgReserve == b.m_EpgReserve && a.m_Provider == b.m_Provider && a.m_EtcInfo == b.m_EtcInfo;
}
