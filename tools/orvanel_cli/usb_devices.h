// orvanel-cli usb-devices: which USB devices could be the STB's loader, and how to make
// the programs take one.
#pragma once

// Exit status 0 whatever it finds (there may simply be no USB bus), 1 when an entry of
// the lists was refused; each such entry is named on standard error.
int RunUsbDevices();
