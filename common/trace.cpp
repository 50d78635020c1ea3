#include "trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {
std::mutex g_traceMutex;
TraceSink g_traceSink;
const bool g_traceToStderr = std::getenv("ORVANEL_TRACE") != nullptr;
}

void Trace(const char* format, ...)
{
    std::lock_guard lock(g_traceMutex);
    if (!g_traceSink && !g_traceToStderr)
        return;
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (g_traceToStderr)
        std::fprintf(stderr, "%s\n", line);
    if (g_traceSink)
        g_traceSink(line);
}

TraceSink SetTraceSink(TraceSink sink)
{
    std::lock_guard lock(g_traceMutex);
    std::swap(g_traceSink, sink);
    return sink;
}
