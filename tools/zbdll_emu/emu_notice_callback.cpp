// Notices through the ZbWindow's callback: the emulator linked into a program, and the
// library as Linux programs load it.
#include "tools/zbdll_emu/emu_state.h"

void EmuNotifyTaskEnd(ZbWindow* window, uint32_t messageId, uint32_t value)
{
    if (window && window->notify)
        window->notify(window->context, messageId, value, nullptr);
}

void EmuNotifyDevice(ZbWindow* window, uint32_t id)
{
    if (window && window->notify)
        window->notify(window->context, id, 0, kEmuInterfaceName);
}
