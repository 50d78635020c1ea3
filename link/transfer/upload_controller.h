// The upload dialog without its window: restarts the STB into its loader, reads its flash
// image and EEPROM block over the serial or the USB link on a worker thread (the USB
// handshake included), and on closing offers the restart. The window's side is described
// in transfer_dialog.h; "Upload" is OnUpload, and Image() holds what was read once the
// view heard ReadyToClose with Success() set (decode it with DecodeUploadedImage).
#pragma once
#include "link/transfer/transfer_dialog.h"
#include "link/transfer/transfer_worker.h"
#include "link/transfer/uploaded_image.h"

#include <atomic>
#include <string>

class CUploadController : public CTransferDialog {
public:
    CUploadController(CLinkSession& session, TransferView& view);
    ~CUploadController() override;

    void Open();
    // "Upload"; the button stays disabled afterwards unless the worker could not start.
    void OnUpload();
    bool WorkerRunning() const { return m_Worker.Running(); }
    const UploadedImage& Image() const { return m_Image; }

private:
    void OnDeviceReady() override;
    bool CanStart() const override { return !m_bStartUsed; }
    bool WorkersRunning() const override { return m_Worker.Running(); }
    void BeginClose(bool stopPressed) override;
    void JoinWorkers() override;
    void FinishClose() override;

    void StartWorker(void (CUploadController::*body)());
    void SerialWorker();
    void UsbWorker();
    bool WaitSerialHello();
    bool SettleAfterHello();
    LinkResult UploadSerial(uint8_t type);
    LinkResult UploadUsb(uint8_t type);
    LinkResult CheckRead(LinkResult result, uint32_t size, uint32_t capacity);
    uint8_t* Destination(uint8_t type, uint32_t& capacity);
    void ReportFailure();

    std::atomic<bool> m_bStartPressed{false};
    std::atomic<bool> m_bStop{false};   // the window is closing, not by "Stop && Exit"
    std::atomic<bool> m_bRunning{false};
    bool m_bStartUsed = false;
    UploadedImage m_Image;
    CTransferWorker m_Worker;
};
