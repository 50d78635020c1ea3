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
    : CTransferDialog(session, view), m_Worker(session.m_Guard, session.m_Clock)
{
}

CUploadController::~CUploadController()
{
    if (m_bClosed)
        return;
    Shutdown();
    if (m_Session.m_Settings.bUsb)
        m_Session.ReleaseUsb();
}

void CUploadController::Open()
{
    m_View.SetProgress(0);
    if (!m_Session.m_Settings.bUsb) {
        m_ModeText = "Mode : Serial";
        ShowModeText();
        return;
    }
    StartUsbAtOpen("Mode : USB <Auto Reboot In case End>");
}

void CUploadController::OnUpload()
{
    if (!CanStart())
        return;
    m_bStartUsed = true;
    m_Session.m_bTransferResult = false;
    if (m_Session.m_Settings.bUsb) {
        m_View.ShowStatus(kWaitingText);
        m_bStartPressed = true;
        if (m_bDeviceReady)
            m_Session.SendUsbReboot();
        return;
    }
    if (!OpenSerialAtStart())
        return;
    m_Session.SendSerialReboot();
    if (!m_Session.m_bSessionRunning) {
        m_Session.m_bSessionRunning = true;
        m_bRunning = true;
        if (!m_Worker.Start([this] { SerialWorker(); }))
            m_Session.m_bSessionRunning = false;
    }
}

void CUploadController::OnDeviceReady()
{
    m_Session.m_bAbort = false;
    m_bHandshakeDone = false;
    m_bDeviceReady = true;
    if (!m_bStartPressed || m_Worker.Running() || !m_Session.UsbLink())
        return;
    if (m_Session.UsbLink()->Handshake(false) != UsbHandshake::Ok) {
        Trace("CUploadController: the upload handshake failed; waiting for the next arrival");
        return;
    }
    m_bHandshakeDone = true;
    m_bRunning = true;
    m_Session.UsbLink()->m_pRunning = &m_bRunning;
    m_Worker.Start([this] { UsbWorker(); });
}

bool CUploadController::WaitSerialHello()
{
    CSerialLink& link = m_Session.m_SerialLink;
    uint8_t buffer[kSerialRxBufferSize];
    for (;;) {
        bool stopped;
        uint64_t budget = link.m_Budgets.frame;
        int result = link.WaitFrame(buffer, budget, stopped);
        if (stopped)
            return false;
        if (result != LINK_OK)
            continue;
        m_View.ShowStatus("Uploading.......");
        if (buffer[1] != CMD_HELLO || buffer[2] < kHelloPayloadSize)
            continue;
        m_Session.m_State._psn = buffer[0];
        m_Session.m_State.AdoptHello(DecodeHello(buffer + 3));
        link.SendFrame(buffer[0], CMD_UPLOAD_REQ);
        return true;
    }
}

bool CUploadController::SettleAfterHello()
{
    const auto pause = settings::TraitsOfModel(m_Session.m_State.StbModelId()).settlePause;
    uint8_t buffer[kSerialRxBufferSize];
    for (int i = 0; i < kSettlePolls; ++i) {
        if (pause.count())
            m_Session.m_Clock.Sleep(pause);
        if (m_Session.m_SerialLink.RxPacket_Upload(buffer) == LINK_OK && buffer[1] == CMD_RESYNC) {
            m_Session.m_State._psn = buffer[0];
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

int CUploadController::CheckRead(int result, uint32_t size, uint32_t capacity)
{
    // A size beyond the destination is refused before anything is read.
    if (result != LINK_OK && size > capacity)
        m_View.ShowStatus("Communication Error!!");
    return result;
}

int CUploadController::UploadSerial(uint8_t type)
{
    m_View.ShowStatus("Uploading.....");
    uint32_t capacity, size = 0;
    uint8_t* dest = Destination(type, capacity);
    int result = m_Session.m_SerialLink.ReadData(type, dest, capacity, size, UploadReport(m_View, type));
    return CheckRead(result, size, capacity);
}

int CUploadController::UploadUsb(uint8_t type)
{
    uint32_t capacity, size = 0;
    uint8_t* dest = Destination(type, capacity);
    int result = m_Session.UsbLink()->ReadData(type, dest, capacity, size, UploadReport(m_View, type));
    return CheckRead(result, size, capacity);
}

void CUploadController::SerialWorker()
{
    m_View.ShowStatus(kWaitingText);
    do {
        if (!WaitSerialHello())
            return;
        m_View.ShowStatus("just moment.....");
    } while (!SettleAfterHello());
    bool uploaded = UploadSerial(DATA_FLASH) == LINK_OK && UploadSerial(DATA_EEPROM) == LINK_OK;
    m_Image.systemId = m_Session.m_State.systemId;
    if (uploaded)
        m_Session.m_bTransferResult = true;
    m_Session.m_SerialLink.SendFrame(m_Session.m_State.NextPsn(), CMD_END);
    if (uploaded) {
        m_bSuccess = true;
        m_Session.CloseSerial();
        ShowModeText();
        m_View.SetProgress(0);
        m_View.RequestClose();
    } else if (!m_bStop) {
        m_Session.m_Prompter.Notify("Upload Fail, Reboot Settop Box", "Notice", PromptIcon::Error);
    }
}

void CUploadController::UsbWorker()
{
    if (m_bHandshakeDone && !m_bStop && !m_Session.m_bAbort) {
        bool uploaded = UploadUsb(DATA_FLASH) == LINK_OK && UploadUsb(DATA_EEPROM) == LINK_OK;
        m_Image.systemId = m_Session.m_State.systemId;
        if (uploaded) {
            m_Session.m_bTransferResult = true;
            m_bSuccess = true;
        }
    }
    m_Session.UsbLink()->SendFrame(m_Session.m_State.NextPsn(), CMD_END);
    m_View.SetProgress(0);
    m_View.RequestClose();
}

void CUploadController::Shutdown()
{
    m_bClosed = true;
    m_bStop = true;
    m_bRunning = false;
    m_Session.m_bAbort = true;
    // The serial worker ends at its next poll once the session stops; the channel closes after it.
    m_Session.m_bSessionRunning = false;
    m_Worker.Wait();
    if (m_Session.UsbLink())
        m_Session.UsbLink()->m_pRunning = nullptr;
}

bool CUploadController::Close()
{
    if (m_bClosed)
        return m_Session.m_bTransferResult;
    Shutdown();
    m_Session.CloseSerial();
    if (m_bSuccess) {
        m_Session.m_bTransferResult = true;
        PromptAnswer answer = m_Session.m_Prompter.Ask("Upload Success, Do you want to reboot Settop Box?", "Notice",
                                                       PromptButtons::YesNo, PromptIcon::Question);
        if (answer == PromptAnswer::Yes)
            m_Session.Reboot(m_Session.m_Settings.bUsb && m_bDeviceReady);
    }
    if (m_Session.m_Settings.bUsb)
        m_Session.ReleaseUsb();
    return m_bSuccess;
}
