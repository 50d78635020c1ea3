// The editor's windows of the STB link, one entry point each. They run modal on the given
// parent over the editor's link session; the transfers run on workers while the window
// keeps painting, and the workers' message boxes go through the session's prompter.
#pragma once
#include "link/transfer/command_result.h"

#include <string>

class CLinkSession;
class COrvanel1Doc;
class QWidget;

// Port Setup: the Serial Port dialog. OK stores the chosen port once it passed the check
// (a path that is no device is refused and the dialog stays), Cancel keeps the old one;
// the mode file is written in both cases. True on OK.
bool RunSerialPortDialog(QWidget* parent, CLinkSession& session);

// STB Remote Reboot (Ctrl+R): shows whether the STB is connected and sends the reboot on
// "STB Reboot".
void RunStbRebootWindow(QWidget* parent, CLinkSession& session);

// Upload FROM STB: the Upload window; when it ends with the transfer result, the image is
// kept in the session's backup folder and decoded into `doc` ("Unpack Flash Error", "Flash
// Version Check Error"). Ok when the document now holds the STB's settings, Fail otherwise
// (the document is then unchanged). `note` gets what the status line is to say afterwards.
TransferCommandResult RunUploadWindow(QWidget* parent, CLinkSession& session, COrvanel1Doc& doc,
                                      std::string* note = nullptr);

// Download TO STB: the Download window names the backup that can restore the STB's settings
// and sends the document's; the image sent is kept as a backup. Ok when the transfer result
// was set.
TransferCommandResult RunDownloadWindow(QWidget* parent, CLinkSession& session, COrvanel1Doc& doc,
                                        std::string* note = nullptr);
