#include "explorer/loader/notice_window.h"

namespace explorer {

ZbWindow* LibraryWindow(ZbWindow* window) { return window; }

}  // namespace explorer
