// Diagnostic traces: printf-style lines for the debug output, never shown to the user.
// They go to stderr when ORVANEL_TRACE is set, and to a sink when one is installed (tests).
#pragma once
#include <functional>
#include <string>

// MinGW's "printf" means Microsoft's C library; ours is its C99 one (%zu and the like).
#if defined(__MINGW32__)
#define ORVANEL_PRINTF(a, b) __attribute__((format(gnu_printf, a, b)))
#elif defined(__GNUC__)
#define ORVANEL_PRINTF(a, b) __attribute__((format(printf, a, b)))
#else
#define ORVANEL_PRINTF(a, b)
#endif

void Trace(const char* format, ...) ORVANEL_PRINTF(1, 2);
// True when the lines go to stderr (ORVANEL_TRACE is set).
bool TraceOnStderr();

using TraceSink = std::function<void(const std::string& line)>;
// Installs a sink for every later line (an empty function removes it); returns the previous one.
TraceSink SetTraceSink(TraceSink sink);
