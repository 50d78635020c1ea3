#include "link/transfer/upload_controller.h"

#include "common/prompter.h"
#include "common/trace.h"
#include "link/transfer/transfer_text.h"
#include "settings/model_traits.h"

namespace {
constexpr char kWaitingText[] = "Waiting For Request. Reboot SetTop Box.";
constexpr int kSettlePolls = 10;
}  // namespace

CUploadController::CUploadController(CLinkSession& session, TransferView& view)
    : CTransferDialog(session, view), m_Worker(session.Guard())
{
}

CUploadController::~CUploadController()
{
    CloseNow();
}

void CUploadController::Open()
{
    m_View.SetProgress(0);
    if (!m_Session.UsbMode()) {
        m_ModeText = "Mode : Serial";
        ShowModeText();
        NotifyState();
        return;
    }
    StartUsbAtOpen("Mode : USB <Auto Reboot In case End>");
}

void CUploadController::StartWorker(void (CUploadController::*body)())
{
    m_bRunning = true;
    if (m_Worker.Start([this, body] { (this->*body)(); }, WorkerEndedNotice()))
        return;
    // Another transfer holds the guard: nothing began, so the button may be pressed again.
    m_bRunning = false;
    m_Session.SetSessionRunning(false);
    m_bStartUsed = false;
    m_bStartPressed = false;
}

void CUploadController::OnUpload()
{
    if (!CanStart() || Closing())
        return;
    m_bStartUsed = true;
    m_Session.SetTransferResult(false);
    if (m_Session.UsbMode()) {
        m_View.ShowStatus(kWaitingText);
        m_bStartPressed = true;
        if (m_bDeviceReady)
            RebootInBackground(true);   // the device leaving and returning tells
    } else if (OpenSerialAtStart()) {
        // The loader's greeting tells how the restart went.
        (void)m_Session.SendSerialReboot();
        if (!m_Session.SessionRunning()) {
            m_Session.SetSessionRunning(true);
            StartWorker(&CUploadController::SerialWorker);
        }
    }
    NotifyState();
}

void CUploadController::OnDeviceReady()
{
    m_Session.AbortFlag() = false;
    m_bHandshakeDone = false;
    m_bDeviceReady = true;
    if (m_bStartPressed && !m_Worker.Running() && m_Session.UsbLink())
        StartWorker(&CUploadController::UsbWorker);
    NotifyState();
}

bool CUploadController::WaitSerialHello()
{
    CSerialLink& link = m_Session.SerialLink();
    uint8_t buffer[kSerialRxBufferSize];
    for (;;) {
        bool stopped;
        uint64_t budget = link.m_Budgets.frame;
        LinkResult result = link.WaitFrame(buffer, budget, stopped);
        if (stopped)
            return false;
        if (result != LinkResult::Ok)
            continue;
        m_View.ShowStatus("Uploading.......");
        const std::optional<HelloPayload> hello = DecodeHello(SerialPayload(buffer));
        if (buffer[1] != CMD_HELLO || !hello)
            continue;
        m_Session.State()._psn = buffer[0];
        m_Session.State().AdoptHello(*hello);
        // A lost answer shows as a size request without a reply.
        (void)link.SendFrame(buffer[0], CMD_UPLOAD_REQ);
        return true;
    }
}

bool CUploadController::SettleAfterHello()
{
    const auto pause = settings::TraitsOfModel(m_Session.State().StbModelId()).settlePause;
    uint8_t buffer[kSerialRxBufferSize];
    for (int i = 0; i < kSettlePolls; ++i) {
        if (pause.count())
            m_Session.Clock().Sleep(pause);
        if (m_Session.SerialLink().RxPacket_Upload(buffer) == LinkResult::Ok && buffer[1] == CMD_RESYNC) {
            m_Session.State()._psn = buffer[0];
            return false;
        }
    }
    return true;
}

uint8_t* CUploadController::Destination(uint8_t type, uint32_t& capacity)
{
    std::vector<uint8_t>& area = type == DATA_FLASH ? m_Image.flash : m_Image.eeprom;
    capacity = uint32_t(area.size());
    return area.data();
}

LinkResult CUploadController::CheckRead(LinkResult result, uint32_t size, uint32_t capacity)
{
    // A size beyond the destination is refused before anything is read.
    if (result != LinkResult::Ok && size > capacity)
        m_View.ShowStatus("Communication Error!!");
    return result;
}

LinkResult CUploadController::UploadSerial(uint8_t type)
{
    m_View.ShowStatus("Uploading.....");
    uint32_t capacity, size = 0;
    uint8_t* dest = Destination(type, capacity);
    LinkResult result = m_Session.SerialLink().ReadData(type, dest, capacity, size, UploadReport(m_View, type));
    return CheckRead(result, size, capacity);
}

LinkResult CUploadController::UploadUsb(uint8_t type)
{
    uint32_t capacity, size = 0;
    uint8_t* dest = Destination(type, capacity);
    LinkResult result = m_Session.UsbLink()->ReadData(type, dest, capacity, size, UploadReport(m_View, type));
    return CheckRead(result, size, capacity);
}

void CUploadController::ReportFailure()
{
    // The box follows every failure after the greeting, "Stop && Exit" included; a window
    // that closed on its own goes quietly.
    if (!m_bStop)
        m_Session.Messages().Notify("Upload Fail, Reboot Settop Box", "Notice", PromptIcon::Error);
}

void CUploadController::SerialWorker()
{
    m_View.ShowStatus(kWaitingText);
    if (!WaitSerialHello())
        return;
    m_View.ShowStatus("just moment.....");
    while (!SettleAfterHello()) {
        if (!WaitSerialHello()) {
            ReportFailure();
            return;
        }
        m_View.ShowStatus("just moment.....");
    }
    bool uploaded = UploadSerial(DATA_FLASH) == LinkResult::Ok && UploadSerial(DATA_EEPROM) == LinkResult::Ok;
    m_Image.systemId = m_Session.State().systemId;
    if (uploaded)
        m_Session.SetTransferResult(true);
    // The session ends here whether or not the loader hears of it.
    (void)m_Session.SerialLink().SendFrame(m_Session.State().NextPsn(), CMD_END);
    if (!uploaded) {
        ReportFailure();
        return;
    }
    m_bSuccess = true;
    m_Session.CloseSerial();
    ShowModeText();
    m_View.SetProgress(0);
    PostGuarded([this] { RequestClose(); });
}

void CUploadController::UsbWorker()
{
    CUsbLink& link = *m_Session.UsbLink();
    if (link.Handshake(false) != UsbHandshake::Ok) {
        Trace("CUploadController: the upload handshake failed; waiting for the next arrival");
        return;
    }
    m_bHandshakeDone = true;
    link.m_pRunning = &m_bRunning;
    const bool uploaded = !m_bStop && !m_Session.AbortFlag() && UploadUsb(DATA_FLASH) == LinkResult::Ok &&
                          UploadUsb(DATA_EEPROM) == LinkResult::Ok;
    m_Image.systemId = m_Session.State().systemId;
    if (uploaded) {
        m_Session.SetTransferResult(true);
        m_bSuccess = true;
    }
    // The session ends here whether or not the loader hears of it.
    (void)link.SendFrame(m_Session.State().NextPsn(), CMD_END);
    m_View.SetProgress(0);
    // The settings were discarded before the upload: the window must not just vanish.
    if (!uploaded)
        ReportFailure();
    PostGuarded([this] { RequestClose(); });
}

void CUploadController::BeginClose(bool stopPressed)
{
    if (!stopPressed)
        m_bStop = true;
    m_bRunning = false;
    m_Session.AbortFlag() = true;
    // The serial worker ends at its next poll once the session stops.
    m_Session.SetSessionRunning(false);
}

void CUploadController::JoinWorkers()
{
    m_Worker.Join();
    if (m_Session.UsbLink())
        m_Session.UsbLink()->m_pRunning = nullptr;
}

void CUploadController::FinishClose()
{
    m_Session.CloseSerial();
    if (m_bSuccess) {
        m_Session.SetTransferResult(true);
        KeepBackup(BackupKind::FromStb, {m_Image.systemId, m_Image.flash, m_Image.eeprom});
        PromptAnswer answer = m_Session.Messages().Ask("Upload Success, Do you want to reboot Settop Box?", "Notice",
                                                        PromptButtons::YesNo, PromptIcon::Question);
        if (answer == PromptAnswer::Yes)
            RebootInBackground(m_Session.UsbMode() && m_bDeviceReady);
    }
    CloseDone();
}
