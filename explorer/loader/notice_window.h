// What the loaded library is handed where the interface names a ZbWindow. Linux libraries
// take the ZbWindow itself; on Windows the library takes a window, and this one is a
// message-only window whose thread turns the library's messages into the ZbWindow's notices.
#pragma once
#include "explorer/zbdll.h"

namespace explorer {

// The same for the same ZbWindow; null for null.
ZbWindow* LibraryWindow(ZbWindow* window);

}  // namespace explorer
