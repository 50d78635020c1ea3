#include "tools/stb_sim/loader_core.h"

#include "tools/stb_sim/firmware_receiver.h"

#include <algorithm>

LoaderCore::LoaderCore(SimImageStore& image, SimFaults& faults, LoaderOptions options, LoaderCarrier& carrier)
    : m_Image(image), m_Faults(faults), m_Options(std::move(options)), m_Carrier(carrier), m_Psn(m_Options.firstPsn)
{
}

LoaderStats LoaderCore::Stats() const
{
    std::lock_guard lock(m_StatsLock);
    return m_Stats;
}

void LoaderCore::SetState(LoaderState state)
{
    std::lock_guard lock(m_StatsLock);
    m_Stats.state = state;
}

void LoaderCore::Boot()
{
    m_Snapshot = m_Image.Snapshot();
    m_pTarget.reset();
    SetState(LoaderState::Greeting);
    if (m_Options.serial) {
        {
            std::lock_guard lock(m_StatsLock);
            ++m_Stats.hellos;
        }
        m_Carrier.Send(HelloFrame(CMD_HELLO), false);
    }
}

LinkFrame LoaderCore::HelloFrame(uint8_t cmd)
{
    HelloPayload hello;
    hello.systemId = m_Snapshot.systemId;
    std::copy_n(m_Snapshot.flash.begin(), kFlashHeaderCopySize, hello.header.begin());
    if (auto model = m_Faults.HelloModelId())
        hello.header[kHeaderModelIdAt] = *model;
    if (auto layout = m_Faults.HelloLayoutVersion())
        hello.header[kHeaderLayoutVersionAt] = *layout;
    LinkFrame frame{++m_Psn, cmd, std::vector<uint8_t>(kHelloPayloadSize)};
    EncodeHello(hello, frame.payload.data());
    return frame;
}

void LoaderCore::Reply(LinkFrame frame)
{
    uint32_t number;
    {
        std::lock_guard lock(m_StatsLock);
        number = ++m_Stats.replies;
    }
    switch (m_Faults.ForReply(number)) {
    case ReplyFault::Drop:
    case ReplyFault::Silent: return;
    case ReplyFault::LeaveBus: m_Carrier.LeaveBus(); return;
    case ReplyFault::Stall: m_Carrier.Stall(); return;
    case ReplyFault::Corrupt: m_Carrier.Send(frame, true); return;
    case ReplyFault::WrongPsn: frame.psn = uint8_t(frame.psn + 1); break;
    case ReplyFault::None: break;
    }
    m_Carrier.Send(frame, false);
}

void LoaderCore::OnFrame(const LinkFrame& frame)
{
    if (frame.cmd == CMD_REBOOT) {
        {
            std::lock_guard lock(m_StatsLock);
            ++m_Stats.restarts;
        }
        SetState(LoaderState::Firmware);
        m_Carrier.Restart();
        return;
    }
    LoaderState state = Stats().state;
    if (state == LoaderState::Firmware)
        return;
    bool greet = !m_Options.serial && (frame.cmd == CMD_UPLOAD_REQ || frame.cmd == CMD_HELLO);
    if (greet) {
        m_Snapshot = m_Image.Snapshot();
        Reply(HelloFrame(CMD_HELLO_ACK));
        if (frame.cmd == CMD_HELLO)
            StartDownload();
        else
            SetState(LoaderState::Upload);
        return;
    }
    if (state == LoaderState::Greeting && m_Options.serial) {
        if (frame.cmd == CMD_UPLOAD_REQ && m_Faults.TakeResync()) {
            m_Carrier.Send({++m_Psn, CMD_RESYNC, {}}, false);
            Boot();
        } else if (frame.cmd == CMD_UPLOAD_REQ) {
            SetState(LoaderState::Upload);
        } else if (frame.cmd == CMD_HELLO_ACK) {
            StartDownload();
        }
        return;
    }
    if (state == LoaderState::Upload)
        Upload(frame);
    else if (state == LoaderState::Download)
        Download(frame);
}

void LoaderCore::Upload(const LinkFrame& frame)
{
    auto sizeOf = [this](uint8_t type) -> uint32_t {
        return type == DATA_FLASH ? uint32_t(m_Snapshot.flash.size())
                                  : type == DATA_EEPROM ? uint32_t(m_Snapshot.eeprom.size()) : 0;
    };
    if (frame.cmd == CMD_SIZE_REQ && frame.payload.size() == 1) {
        m_UploadType = frame.payload[0];
        LinkFrame reply{frame.psn, CMD_SIZE_REPLY, std::vector<uint8_t>(3)};
        PutBe24(reply.payload.data(), sizeOf(m_UploadType));
        Reply(std::move(reply));
    } else if (frame.cmd == CMD_READ_REQ) {
        uint32_t requestSize = m_Options.serial ? kSerialReadRequestSize : kUsbReadRequestSize;
        std::optional<ReadRequest> asked = m_Options.serial ? DecodeSerialReadRequest(frame.payload)
                                                            : DecodeUsbReadRequest(frame.payload);
        if (frame.payload.size() != requestSize || !asked)
            return;
        const ReadRequest request = *asked;
        const std::vector<uint8_t>& data = m_UploadType == DATA_FLASH ? m_Snapshot.flash : m_Snapshot.eeprom;
        if (sizeOf(m_UploadType) == 0 || uint64_t(request.offset) + request.length > data.size())
            return;
        auto from = data.begin() + long(request.offset);
        Reply({frame.psn, CMD_READ_DATA, std::vector<uint8_t>(from, from + long(request.length))});
    } else if (frame.cmd == CMD_END) {
        SetState(LoaderState::Firmware);
    }
}

void LoaderCore::StartDownload()
{
    if (m_Options.firmwareSize && !m_Options.serial)
        m_pTarget = std::make_unique<FirmwareReceiver>(m_Options.firmwareSize);
    else
        m_pTarget = std::make_unique<DownloadAssembler>(m_Snapshot.systemId);
    SetState(LoaderState::Download);
    IssueRequest(false);
}

void LoaderCore::IssueRequest(bool retry)
{
    m_Retries = retry ? m_Retries + 1 : 0;
    if (m_Retries > m_Options.retries) {
        std::lock_guard lock(m_StatsLock);
        ++m_Stats.downloadsFailed;
        m_Stats.lastError = "no answer to a read request";
        m_Stats.state = LoaderState::Firmware;
        return;
    }
    m_Pending = m_pTarget->Next(m_Options.maxReadLength);
    if (m_Pending.length == 0) {
        FinishDownload();
        return;
    }
    uint32_t number;
    {
        std::lock_guard lock(m_StatsLock);
        number = ++m_Stats.readRequests;
    }
    if (m_Faults.EndsAtRequest(number)) {
        FinishDownload();
        return;
    }
    int copies = m_Faults.RepeatRequest(number) ? 2 : 1;
    m_PendingPsns.clear();
    for (int i = 0; i < copies; ++i) {
        LinkFrame request{++m_Psn, CMD_READ_REQ, {}};
        request.payload.resize(m_Options.serial ? kSerialReadRequestSize : kUsbReadRequestSize);
        if (m_Options.serial)
            EncodeSerialReadRequest(m_Pending, request.payload.data());
        else
            EncodeUsbReadRequest(m_Pending, request.payload.data());
        m_PendingPsns.push_back(request.psn);
        Reply(std::move(request));
    }
    m_Deadline = std::chrono::steady_clock::now() + m_Options.replyTimeout;
}

void LoaderCore::Download(const LinkFrame& frame)
{
    if (frame.cmd != CMD_READ_DATA || frame.payload.size() != m_Pending.length ||
        std::find(m_PendingPsns.begin(), m_PendingPsns.end(), frame.psn) == m_PendingPsns.end())
        return;
    m_PendingPsns.clear();
    if (!m_pTarget->Take(frame.payload.data(), uint32_t(frame.payload.size()))) {
        FinishDownload();
        return;
    }
    IssueRequest(false);
}

void LoaderCore::OnTick()
{
    if (Stats().state == LoaderState::Download && !m_PendingPsns.empty() &&
        std::chrono::steady_clock::now() >= m_Deadline)
        IssueRequest(true);
}

void LoaderCore::FinishDownload()
{
    bool finished = m_pTarget->Finished();
    bool ok = finished && m_pTarget->Deliver(m_Image, m_Options.outputPath);
    {
        std::lock_guard lock(m_StatsLock);
        ++(ok ? m_Stats.downloadsDone : m_Stats.downloadsFailed);
        m_Stats.lastError = ok                     ? ""
                            : m_pTarget->Failed()  ? m_pTarget->Error()
                            : finished             ? "cannot write the image"
                                                   : "ended before the image was read";
        m_Stats.state = LoaderState::Firmware;
    }
    m_PendingPsns.clear();
    m_Carrier.Send({++m_Psn, CMD_END, {}}, false);
}
