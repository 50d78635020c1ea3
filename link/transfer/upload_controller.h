// The upload dialog without its window: restarts the STB into its loader, reads its flash
// image and EEPROM block over the serial or the USB link on a worker thread, and on
// closing offers the restart. The window shows what the view is told and calls the
// handlers below on its own thread.
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
    // "Upload"; the button stays disabled afterwards.
    void OnUpload();
    bool CanStart() const { return !m_bStartUsed; }
    void OnDeviceReady() override;
    // "Stop && Exit", or the close a worker asked for. Returns the transfer result.
    bool Close();

    bool Success() const { return m_bSuccess; }
    bool WorkerRunning() const { return m_Worker.Running(); }
    // What the worker read; whole once Close returned true. Decode it with DecodeUploadedImage.
    const UploadedImage& Image() const { return m_Image; }


private:
    void SerialWorker();
    void UsbWorker();
    bool WaitSerialHello();
    bool SettleAfterHello();
    int UploadSerial(uint8_t type);
    int UploadUsb(uint8_t type);
    int CheckRead(int result, uint32_t size, uint32_t capacity);
    uint8_t* Destination(uint8_t type, uint32_t& capacity);
    void Shutdown();

    std::atomic<bool> m_bStartPressed{false};
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bSuccess{false};
    std::atomic<bool> m_bRunning{false};
    bool m_bStartUsed = false;
    UploadedImage m_Image;
    CTransferWorker m_Worker;
};
