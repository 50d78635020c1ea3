#include "link/transfer/download_controller.h"

#include "common/prompter.h"
#include "common/system_paths.h"
#include "common/trace.h"
#include "link/transfer/download_image.h"
#include "link/transfer/transfer_text.h"
#include "settings/document.h"
#include "settings/model_traits.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

namespace {
constexpr char kWaitingText[] = "Waiting For Request. Reboot SetTop Box.";
constexpr char kInvalidStbText[] = "Error : Invalid STB type.";
constexpr char kNotRespondingText[] = "Error! Not Responding";
constexpr auto kRequestWait = std::chrono::milliseconds(10);
}  // namespace

TransferCommandResult DownloadResult(bool transferResult)
{
    const auto rtnVal = transferResult ? TransferCommandResult::Ok : TransferCommandResult::Fail;
    Trace("DownloadDlg rtnVal : %d", static_cast<int>(rtnVal));
    return rtnVal;
}

CDownloadController::CDownloadController(CLinkSession& session, COrvanel1Doc& doc, TransferView& view)
    : CTransferDialog(session, view), m_Doc(doc), m_Worker(session.Guard())
{
}

CDownloadController::~CDownloadController()
{
    CloseNow();
}

std::string CDownloadController::RestoreText() const
{
    if (m_Session.BackupFolder().empty())
        return {};
    if (!m_RestorePoint)
        return "Way back: no backup of this STB's settings";
    return std::string("Way back: the backup ") + BackupKindText(m_RestorePoint->kind) + " of " +
           BackupTimeText(m_RestorePoint->time);
}

bool CDownloadController::Started() const
{
    return m_bStarted || (m_pEngine && m_pEngine->Started());
}

uint32_t CDownloadController::ServedBytes() const
{
    return m_pEngine ? m_pEngine->ServedEnd() : m_ServedEnd.load();
}

bool CDownloadController::WorkersRunning() const
{
    return m_Worker.Running() || (m_pEngine && m_pEngine->Running());
}

void CDownloadController::Open()
{
    m_View.SetProgress(0);
    m_WatchdogCount = 0;
    m_ImagePath = DownloadImagePath(m_Session.StartDir());
    if (!m_Session.BackupFolder().empty())
        m_RestorePoint = NewestBackupOf(m_Session.BackupFolder(), m_Doc.m_ExpectedSystemId);
    m_ModeText = m_Session.UsbMode() ? "Mode : USB" : "Mode : Serial";
    ShowModeText();
    if (m_Session.UsbMode())
        StartUsbAtOpen("Mode : USB <In case End : Auto Reboot>");
    else
        NotifyState();
}

void CDownloadController::HoldDocumentHeader()
{
    // The STB's greeting is checked against the header of the settings being sent.
    LinkState& state = m_Session.State();
    const auto& header = m_Doc.m_HeaderCopy;
    std::copy_n(header.begin(), state.headerDefault.size(), state.headerDefault.begin());
    const settings::GreetingHeader greeting = settings::TraitsOfModel(m_Doc.m_ModelId).greeting;
    if (greeting == settings::GreetingHeader::Header36)
        std::copy_n(header.begin(), state.header36.size(), state.header36.begin());
    if (greeting == settings::GreetingHeader::Header13)
        std::copy_n(header.begin(), state.header13.size(), state.header13.begin());
}

bool CDownloadController::PrepareImage()
{
    m_bImageReady = PrepareDownloadImage(m_Doc, m_Doc.m_ExpectedSystemId, m_ImagePath, m_Session.Messages());
    std::error_code error;
    m_ImageSize = m_bImageReady ? uint32_t(std::filesystem::file_size(m_ImagePath, error)) : 0;
    if (!m_bImageReady) {
        m_bFailed = true;
        m_Session.Messages().Notify("Download Error", "Notice", PromptIcon::Error);
        m_View.ShowStatus(m_Session.UsbMode() ? "File Create Error!" : "Error : File Create error.");
    }
    return m_bImageReady;
}

void CDownloadController::OnDownload()
{
    if (!CanStart() || Closing())
        return;
    m_bStartPressed = true;
    m_Session.SetTransferResult(false);
    HoldDocumentHeader();
    if (!PrepareImage()) {
        NotifyState();
        return;
    }
    if (m_Session.UsbMode()) {
        m_View.ShowStatus(kWaitingText);
        if (m_bDeviceReady)
            RebootInBackground(true);   // the device leaving and returning tells
    } else {
        m_WatchdogCount = -1;
        StartWatchdog();
        if (OpenSerialAtStart()) {
            m_View.ShowStatus(kWaitingText);
            // The loader's greeting, or the watchdog, tells how the restart went.
            (void)m_Session.SendSerialReboot();
            if (!m_Session.SessionRunning()) {
                m_Session.SetSessionRunning(true);
                if (!m_Worker.Start([this] { SerialWorker(); }, WorkerEndedNotice())) {
                    m_Session.SetSessionRunning(false);
                    m_bStartPressed = false;
                }
            }
        }
    }
    NotifyState();
}

void CDownloadController::OnDeviceReady()
{
    KillTimer();
    m_Session.AbortFlag() = false;
    m_bHandshakeDone = false;
    m_bDeviceReady = true;
    if (m_bStartPressed && m_bImageReady && m_Session.UsbLink() && !WorkersRunning())
        StartUsbServing();
    NotifyState();
}

void CDownloadController::StartUsbServing()
{
    m_pEngine = std::make_unique<CServingEngine>(*m_Session.UsbLink(), ServingProgram::Orvanel,
                                                 static_cast<ServingEvents&>(*this), m_Session.Guard(),
                                                 m_Session.AbortFlag());
    // Refused while another transfer runs; the next arrival tries again.
    if (!m_pEngine->Start([this] { return GreetUsb(); }))
        Trace("CDownloadController: the serving worker did not start");
}

bool CDownloadController::GreetUsb()
{
    const UsbHandshake handshake = m_Session.UsbLink()->Handshake(true);
    if (handshake != UsbHandshake::Ok) {
        // A silent STB may still come back; a wrong one stays wrong.
        m_bFailed = handshake == UsbHandshake::InvalidStbType;
        m_View.ShowStatus(m_bFailed ? kInvalidStbText : kNotRespondingText);
        return false;
    }
    m_bHandshakeDone = true;
    if (!StampDownloadImage(m_ImagePath, m_Session.State().systemId)) {
        m_bFailed = true;
        m_Session.Messages().Notify("Download Error", "Notice", PromptIcon::Error);
        m_View.ShowStatus("File Create Error!");
        return false;
    }
    if (!m_pEngine->OpenImage(m_ImagePath)) {
        m_bFailed = true;
        m_View.ShowStatus("File Open Error!");
        return false;
    }
    return true;
}

void CDownloadController::ShowStatus(const std::string& text)
{
    m_View.ShowStatus(text);
}

void CDownloadController::ShowProgress(uint32_t percent)
{
    m_View.SetProgress(int(percent));
}

void CDownloadController::WorkerFinished()
{
    PostGuarded([this] { RequestClose(); });
}

void CDownloadController::WorkerEnded()
{
    WorkerEndedNotice()();
}

void CDownloadController::StartWatchdog()
{
    m_bTimerRunning = true;
    m_View.StartTimer(kWatchdogPeriod, Guarded([this] { OnTimer(); }));
}

void CDownloadController::KillTimer()
{
    m_bTimerRunning = false;
    PostGuarded([this] {
        m_View.StopTimer();
        NotifyState();
    });
}

void CDownloadController::OnTimer()
{
    if (!m_bTimerRunning || Closing())
        return;
    int count = m_WatchdogCount.load();
    do {
        if (count < 0)
            return;
    } while (!m_WatchdogCount.compare_exchange_weak(count, count + 1));
    if (count + 1 <= kWatchdogLimit)
        return;
    KillTimer();
    m_WatchdogCount = -1;
    m_Session.SetSessionRunning(false);
    AfterWorkers([this] { WatchdogFired(); });
}

void CDownloadController::WatchdogFired()
{
    m_Worker.Join();
    m_Session.CloseSerial();
    ShowModeText();
    m_View.SetProgress(0);
    m_View.ShowStatus("External Error Occurred!");
    m_Session.Messages().Notify("External Error Occurred!", "Notice", PromptIcon::Error);
    NotifyState();
}

void CDownloadController::SerialWorker()
{
    m_bHandshakeDone = false;
    m_LastOffset = -1;
    m_RepeatCount = 0;
    m_ServedEnd = 0;
    CSerialLink& link = m_Session.SerialLink();
    uint8_t frame[kSerialRxBufferSize];
    bool ended = false;
    while (m_Session.SessionRunning() && !ended) {
        LinkResult result = link.RxPacket_Download(frame);
        if (result == LinkResult::Fail) {
            m_Session.WaitSerialData(kRequestWait);
            continue;
        }
        if (result != LinkResult::Ok)
            continue;
        switch (frame[1]) {
        case CMD_HELLO: ended = !OnSerialHello(frame); break;
        case CMD_READ_REQ: ended = !OnSerialReadRequest(frame); break;
        case CMD_END: OnSerialEnd(); ended = true; break;
        default: m_bHandshakeDone = false; break;
        }
    }
}

void CDownloadController::OnSerialEnd()
{
    KillTimer();
    m_WatchdogCount = -1;
    m_View.SetProgress(100);
    // An end before the last byte was served is the loader giving up, not a finished download.
    if (m_ServedEnd == m_ImageSize && m_ImageSize != 0) {
        m_Session.SetTransferResult(true);
        m_bSuccess = true;
    } else {
        m_View.ShowStatus("Fail!");
    }
    m_Session.CloseSerial();
    PostGuarded([this] { RequestClose(); });
}

bool CDownloadController::StbTypeMatches(const HelloPayload& hello)
{
    LinkState& state = m_Session.State();
    const uint8_t model = hello.header[kHeaderModelIdAt];
    const settings::ModelTraits& traits = settings::TraitsOfModel(m_Doc.m_ModelId);
    switch (traits.greeting) {
    case settings::GreetingHeader::Header36: return model == state.header36[kHeaderModelIdAt];
    case settings::GreetingHeader::Header13: return model == state.header13[kHeaderModelIdAt];
    case settings::GreetingHeader::Default:
        if (model != state.headerDefault[kHeaderModelIdAt] ||
            (traits.greetingChecksLayout &&
             hello.header[kHeaderLayoutVersionAt] != state.headerDefault[kHeaderLayoutVersionAt]))
            return false;
        break;
    }
    state.headerDefault = hello.header;
    return true;
}

bool CDownloadController::OnSerialHello(const uint8_t* frame)
{
    m_View.ShowStatus("Downloading Processing..");
    m_bStarted = true;
    m_WatchdogCount = 0;
    m_bHandshakeDone = true;
    const std::optional<HelloPayload> greeting = DecodeHello(SerialPayload(frame));
    if (!greeting) {
        m_View.ShowStatus(kInvalidStbText);
        return false;
    }
    const HelloPayload& hello = *greeting;
    m_Session.State().systemId = hello.systemId;
    if (!StbTypeMatches(hello)) {
        m_View.ShowStatus(kInvalidStbText);
        return false;
    }
    // A lost answer shows as requests that do not come, which the watchdog catches.
    (void)m_Session.SerialLink().SendFrame(frame[0], CMD_HELLO_ACK);
    if (!StampDownloadImage(m_ImagePath, hello.systemId)) {
        m_Session.Messages().Notify("Download Error", "Notice", PromptIcon::Error);
        m_View.ShowStatus("Error : File Create error.");
        return false;
    }
    std::error_code error;
    m_ImageSize = uint32_t(std::filesystem::file_size(m_ImagePath, error));
    if (error) {
        m_View.ShowStatus("Error : File open error.");
        return false;
    }
    return true;
}

bool CDownloadController::OnSerialReadRequest(const uint8_t* frame)
{
    m_View.ShowStatus("Downloading Processing..");
    m_WatchdogCount = 0;
    const std::optional<ReadRequest> asked = DecodeSerialReadRequest(SerialPayload(frame));
    if (!m_bHandshakeDone || !asked)
        return true;
    const uint8_t psn = frame[0];
    const ReadRequest request = *asked;
    // A request repeated at once is answered only from its third copy on, once per session.
    if (int64_t(request.offset) == m_LastOffset && ++m_RepeatCount == 1)
        return true;
    if (uint64_t(request.offset) + request.length > m_ImageSize) {
        m_View.ShowStatus("Error : File size is over.");
        return true;
    }
    StdioFile image = OpenStdioFile(m_ImagePath, "rb");
    if (!image) {
        m_View.ShowStatus("Error : File open error.");
        return false;
    }
    uint8_t data[kSerialMaxPayload];
    if (std::fseek(image.get(), long(request.offset), SEEK_SET) != 0 ||
        std::fread(data, 1, request.length, image.get()) != request.length) {
        m_View.ShowStatus("Error : Reading is fail.");
        return true;
    }
    // A lost reply makes the loader ask again.
    (void)m_Session.SerialLink().SendReadData(psn, data, uint8_t(request.length));
    m_View.SetProgress(int(uint64_t(request.offset) * 100 / m_ImageSize));
    m_LastOffset = request.offset;
    m_ServedEnd = request.offset + request.length;
    return true;
}

void CDownloadController::BeginClose(bool stopPressed)
{
    if (stopPressed)
        m_View.ShowStatus("");
    m_Session.AbortFlag() = true;
    m_Session.SetSessionRunning(false);
    KillTimer();
    if (m_pEngine)
        m_pEngine->Stop();
}

void CDownloadController::JoinWorkers()
{
    m_Worker.Join();
    if (m_pEngine) {
        m_pEngine->Join();
        m_pEngine->CloseImage();
    }
}

void CDownloadController::FinishClose()
{
    if (!m_Session.UsbMode())
        m_Session.CloseSerial();
    if (m_pEngine && m_pEngine->Completed() && m_pEngine->Delivered())
        m_bSuccess = true;
    if (!m_bSuccess) {
        if (Started())
            m_Session.Messages().Notify("Download Fail, Reboot Settop Box", "Notice", PromptIcon::Error);
        CloseDone();
        return;
    }
    m_Session.SetTransferResult(true);
    KeepSentImage();
    AskReboot();
}

void CDownloadController::KeepSentImage()
{
    std::ifstream file(m_ImagePath, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    DownloadImageContents sent;
    if (DecodeDownloadImage(bytes.data(), bytes.size(), sent))
        KeepBackup(BackupKind::ToStb, {sent.systemId, sent.flash, sent.eeprom});
    else
        Trace("CDownloadController: the image sent cannot be read back for its backup");
}

void CDownloadController::AskReboot()
{
    PromptAnswer answer = m_Session.Messages().Ask("Download Success, Reboot Settop Box", "Notice",
                                                    PromptButtons::YesNo, PromptIcon::Question);
    PostAfterGuarded(kAfterQuestion, [this, answer] {
        if (answer != PromptAnswer::Yes) {
            CloseDone();
            return;
        }
        PostAfterGuarded(kBeforeReboot, [this] {
            RebootInBackground(m_Session.UsbMode() && m_bDeviceReady);
            CloseDone();
        });
    });
}
