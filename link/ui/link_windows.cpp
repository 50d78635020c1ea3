#include "link/ui/link_windows.h"

// The windows are being built; until then every entry point does nothing.
bool RunSerialPortDialog(QWidget*, CLinkSession&) { return false; }
void RunStbRebootWindow(QWidget*, CLinkSession&) {}
int RunUploadWindow(QWidget*, CLinkSession&, COrvanel1Doc&) { return -1; }
int RunDownloadWindow(QWidget*, CLinkSession&, COrvanel1Doc&) { return -1; }
