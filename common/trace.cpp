#include "common/trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {
std::mutex g_traceMutex;
TraceSink g_traceSink;
std::atomic<bool> g_bHasSink{false};
const bool g_traceToStderr = std::getenv("ORVANEL_TRACE") != nullptr;
}

void Trace(const char* format, ...)
{
    // Traces sit on every frame and record; without a reader they cost one load.
    if (!g_traceToStderr && !g_bHasSink.load(std::memory_order_relaxed))
        return;
    std::lock_guard lock(g_traceMutex);
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

bool TraceOnStderr()
{
    return g_traceToStderr;
}

TraceSink SetTraceSink(TraceSink sink)
{
    std::lock_guard lock(g_traceMutex);
    std::swap(g_traceSink, sink);
    g_bHasSink = static_cast<bool>(g_traceSink);
    return sink;
}
