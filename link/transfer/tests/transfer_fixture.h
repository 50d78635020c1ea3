// A link session wired to test parts: the serial port name COM1 leads to a given
// pseudo-terminal, USB to a simulation socket (behind a gate when `gate` is given: it
// points to the gate once the session started USB), and waits go to a clock that does not
// sleep.
#pragma once
#include "link/transfer/link_session.h"
#include "link/transfer/transfer_dialog.h"
#include <gtest/gtest.h>
#include "common/testing/scripted_prompter.h"
#include "usb/sim_usb_backend.h"
#include "link/transfer/testing/gated_usb_backend.h"
#include "link/transfer/testing/transfer_testing.h"

#include <memory>

inline std::unique_ptr<CLinkSession> MakeSession(Prompter& prompter, TransferClock& clock,
                                                 const std::string& serialPath, const std::string& usbSocket = "",
                                                 const std::filesystem::path& startDir = ".",
                                                 const std::filesystem::path& backupFolder = {},
                                                 GatedUsbBackend** gate = nullptr)
{
    LinkSessionParts parts;
    parts.serialConfig.com1Path = serialPath;
    parts.clock = &clock;
    parts.makeUsbBackend = [usbSocket, gate]() -> std::unique_ptr<UsbBackend> {
        if (!gate)
            return MakeSimUsbBackend(usbSocket);
        auto gated = std::make_unique<GatedUsbBackend>(MakeSimUsbBackend(usbSocket));
        *gate = gated.get();
        return gated;
    };
    parts.startDir = startDir;
    parts.backupFolder = backupFolder;
    auto session = std::make_unique<CLinkSession>(prompter, std::move(parts));
    session->UseSettings({.bUsb = !usbSocket.empty()});
    return session;
}

// "Stop && Exit" (stopPressed) or the window's close, run until the window may go; the result.
inline bool CloseDialog(CTransferDialog& dialog, RecordingView& view, bool stopPressed = false)
{
    dialog.RequestClose(stopPressed);
    EXPECT_TRUE(view.PumpUntilClose());
    return dialog.Success();
}
