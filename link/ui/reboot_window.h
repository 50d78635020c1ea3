// The STB Reboot window: whether the STB is connected, refreshed every 10 ms, and the
// "STB Reboot" button, enabled only while it is.
#pragma once
#include "link/transfer/reboot_controller.h"
#include "link/ui/link_window.h"

class QLabel;
class QPushButton;

class CRebootWindow : public CLinkWindow {
    Q_OBJECT
public:
    CRebootWindow(QWidget* parent, CLinkSession& session);
    QString Status() const;

protected:
    CTransferDialog& Controller() override { return m_Controller; }
    void OpenController() override;
    void OnStatus(const QString& text) override;
    void OnState(const TransferState& state) override;

private:
    CRebootController m_Controller;
    QLabel* m_pStatus = nullptr;
    QPushButton* m_pReboot = nullptr;
};
