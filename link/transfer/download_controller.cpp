#include "link/transfer/download_controller.h"

#include "settings/document.h"
#include "link/transfer/download_image.h"
#include "common/prompter.h"
#include "common/trace.h"
#include "settings/model_traits.h"
#include "link/transfer/transfer_text.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {
constexpr char kWaitingText[] = "Waiting For Request. Reboot SetTop Box.";
constexpr char kInvalidStbText[] = "Error : Invalid STB type.";
constexpr auto kAfterQuestion = std::chrono::milliseconds(100);
constexpr auto kBeforeReboot = std::chrono::milliseconds(3000);
constexpr auto kRequestWait = std::chrono::milliseconds(10);
}  // namespace

int DownloadResult(bool transferResult)
{
    int rtnVal = transferResult ? 0 : -1;
    Trace("DownloadDlg rtnVal : %d", rtnVal);
    return rtnVal;
}

CDownloadController::CDownloadController(CLinkSession& session, COrvanel1Doc& doc, TransferView& view)
    : CTransferDialog(session, view), m_Doc(doc), m_Worker(session.m_Guard, session.m_Clock)
{
}

CDownloadController::~CDownloadController()
{
    if (m_bClosed)
        return;
    Shutdown();
    if (m_Session.m_Settings.bUsb)
        m_Session.ReleaseUsb();
}

bool CDownloadController::Started() const
{
    return m_bStarted || (m_pEngine && m_pEngine->Started());
}

bool CDownloadController::WorkerRunning() const
{
    return m_Worker.Running() || (m_pEngine && m_pEngine->Running());
}

void CDownloadController::Open()
{
    m_View.SetProgress(0);
    m_WatchdogCount = 0;
    m_ImagePath = DownloadImagePath(m_Session.m_StartDir);
    m_ModeText = m_Session.m_Settings.bUsb ? "Mode : USB" : "Mode : Serial";
    ShowModeText();
    if (!m_Session.m_Settings.bUsb)
        return;
    StartUsbAtOpen("Mode : USB <In case End : Auto Reboot>");
}

void CDownloadController::HoldDocumentHeader()
{
    // The STB's greeting is checked against the header of the settings being sent.
    LinkState& state = m_Session.m_State;
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
    m_bImageReady = PrepareDownloadImage(m_Doc, m_Doc.m_ExpectedSystemId, m_ImagePath, m_Session.m_Prompter);
    if (!m_bImageReady) {
        m_Session.m_Prompter.Notify("Download Error", "Notice", PromptIcon::Error);
        m_View.ShowStatus(m_Session.m_Settings.bUsb ? "File Create Error!" : "Error : File Create error.");
    }
    return m_bImageReady;
}

void CDownloadController::OnDownload()
{
    if (!CanStart())
        return;
    m_bStartPressed = true;
    m_Session.m_bTransferResult = false;
    HoldDocumentHeader();
    if (!PrepareImage())
        return;
    if (m_Session.m_Settings.bUsb) {
        m_View.ShowStatus(kWaitingText);
        if (m_bDeviceReady)
            m_Session.SendUsbReboot();
        return;
    }
    m_WatchdogCount = -1;
    m_bTimerRunning = true;
    if (!OpenSerialAtStart())
        return;
    m_View.ShowStatus(kWaitingText);
    m_Session.SendSerialReboot();
    if (!m_Session.m_bSessionRunning) {
        m_Session.m_bSessionRunning = true;
        if (!m_Worker.Start([this] { SerialWorker(); }))
            m_Session.m_bSessionRunning = false;
    }
}

void CDownloadController::OnDeviceReady()
{
    KillTimer();
    m_Session.m_bAbort = false;
    m_bHandshakeDone = false;
    m_bDeviceReady = true;
    if (!m_bStartPressed || !m_bImageReady || !m_Session.UsbLink() || WorkerRunning())
        return;
    if (m_Session.UsbLink()->Handshake(true) != UsbHandshake::Ok) {
        m_View.ShowStatus(kInvalidStbText);
        return;
    }
    m_bHandshakeDone = true;
    if (!StampDownloadImage(m_ImagePath, m_Session.m_State.systemId)) {
        m_Session.m_Prompter.Notify("Download Error", "Notice", PromptIcon::Error);
        m_View.ShowStatus("File Create Error!");
        return;
    }
    StartUsbServing();
}

void CDownloadController::StartUsbServing()
{
    m_pEngine.reset();
    m_pEngine = std::make_unique<CServingEngine>(*m_Session.UsbLink(), ServingProgram::Orvanel,
                                                 static_cast<ServingEvents&>(*this), m_Session.m_Guard,
                                                 m_Session.m_bAbort);
    if (!m_pEngine->OpenImage(m_ImagePath)) {
        m_View.ShowStatus("File Open Error!");
        return;
    }
    m_pEngine->SetReady();
    m_pEngine->Start();
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
    m_View.RequestClose();
}

void CDownloadController::KillTimer()
{
    m_bTimerRunning = false;
}

void CDownloadController::OnTimer()
{
    if (!m_bTimerRunning)
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
    CloseSerialAfterWorker();
    ShowModeText();
    m_View.SetProgress(0);
    m_View.ShowStatus("External Error Occurred!");
    m_Session.m_Prompter.Notify("External Error Occurred!", "Notice", PromptIcon::Error);
}

void CDownloadController::CloseSerialAfterWorker()
{
    m_Session.m_bSessionRunning = false;
    m_Worker.Wait();
    m_Session.CloseSerial();
}

void CDownloadController::SerialWorker()
{
    m_bHandshakeDone = false;
    m_LastOffset = -1;
    m_RepeatCount = 0;
    m_ServedEnd = 0;
    CSerialLink& link = m_Session.m_SerialLink;
    uint8_t frame[kSerialRxBufferSize];
    bool ended = false;
    while (m_Session.m_bSessionRunning && !ended) {
        int result = link.RxPacket_Download(frame);
        if (result == LINK_FAIL) {
            m_Session.m_Serial.m_QueueRead.WaitForData(kRequestWait);
            continue;
        }
        if (result != LINK_OK)
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
        m_Session.m_bTransferResult = true;
        m_bSuccess = true;
    } else {
        m_View.ShowStatus("Fail!");
    }
    m_Session.CloseSerial();
    m_View.RequestClose();
}

bool CDownloadController::StbTypeMatches(const HelloPayload& hello)
{
    LinkState& state = m_Session.m_State;
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
    if (frame[2] < kHelloPayloadSize) {
        m_View.ShowStatus(kInvalidStbText);
        return false;
    }
    HelloPayload hello = DecodeHello(frame + 3);
    m_Session.m_State.systemId = hello.systemId;
    if (!StbTypeMatches(hello)) {
        m_View.ShowStatus(kInvalidStbText);
        return false;
    }
    m_Session.m_SerialLink.SendFrame(frame[0], CMD_HELLO_ACK);
    if (!StampDownloadImage(m_ImagePath, hello.systemId)) {
        m_Session.m_Prompter.Notify("Download Error", "Notice", PromptIcon::Error);
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
    if (!m_bHandshakeDone || frame[2] < kSerialReadRequestSize)
        return true;
    const uint8_t psn = frame[0];
    const ReadRequest request = DecodeSerialReadRequest(frame + 3);
    // A request repeated at once is answered only from its third copy on, once per session.
    if (int64_t(request.offset) == m_LastOffset && ++m_RepeatCount == 1)
        return true;
    if (uint64_t(request.offset) + request.length > m_ImageSize) {
        m_View.ShowStatus("Error : File size is over.");
        return true;
    }
    std::unique_ptr<FILE, int (*)(FILE*)> image(std::fopen(m_ImagePath.c_str(), "rb"), &std::fclose);
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
    m_Session.m_SerialLink.SendReadData(psn, data, uint8_t(request.length));
    m_View.SetProgress(int(uint64_t(request.offset) * 100 / m_ImageSize));
    m_LastOffset = request.offset;
    m_ServedEnd = request.offset + request.length;
    return true;
}

void CDownloadController::Shutdown()
{
    m_bClosed = true;
    m_Session.m_bAbort = true;
    m_Session.m_bSessionRunning = false;
    KillTimer();
    m_Worker.Wait();
    if (m_pEngine) {
        m_pEngine->Stop();
        for (int i = 0; i < CTransferWorker::kClosePolls && m_pEngine->Running(); ++i)
            m_Session.m_Clock.Sleep(CTransferWorker::kClosePoll);
        m_pEngine->Join();
        m_pEngine->CloseImage();
    }
}

bool CDownloadController::Close(bool stopPressed)
{
    if (m_bClosed)
        return m_bSuccess;
    if (stopPressed) {
        CloseSerialAfterWorker();
        m_View.ShowStatus("");
    }
    Shutdown();
    if (m_pEngine && m_pEngine->Completed() && m_pEngine->Delivered())
        m_bSuccess = true;
    if (m_bSuccess) {
        m_Session.m_bTransferResult = true;
        PromptAnswer answer = m_Session.m_Prompter.Ask("Download Success, Reboot Settop Box", "Notice",
                                                       PromptButtons::YesNo, PromptIcon::Question);
        m_Session.m_Clock.Sleep(kAfterQuestion);
        if (answer == PromptAnswer::Yes) {
            m_Session.m_Clock.Sleep(kBeforeReboot);
            m_Session.Reboot(m_Session.m_Settings.bUsb && m_bDeviceReady);
        }
    } else if (Started()) {
        m_Session.m_Prompter.Notify("Download Fail, Reboot Settop Box", "Notice", PromptIcon::Error);
    }
    if (m_Session.m_Settings.bUsb)
        m_Session.ReleaseUsb();
    else
        m_Session.CloseSerial();
    return m_bSuccess;
}
