#include "tools/zbdll_emu/emu_state.h"

// Never destroyed: when a process ends, Windows ends a library's threads before it runs the
// library's destructors, and stopping or joining them then waits for ever.
EmuState& Emu()
{
    static EmuState* state = new EmuState;
    return *state;
}
