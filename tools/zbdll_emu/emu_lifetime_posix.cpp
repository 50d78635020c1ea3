#include "tools/zbdll_emu/emu_state.h"

// Destroyed at exit, after its threads are stopped: a copy must not outlive the program.
EmuState& Emu()
{
    static EmuState state;
    return state;
}
