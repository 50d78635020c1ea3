#include "common/std_output.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {
int g_OutError = 0;

bool Failed()
{
    if (g_OutError == 0)
        g_OutError = errno != 0 ? errno : EIO;
    return false;
}
}  // namespace

void IgnoreBrokenPipes()
{
#ifdef SIGPIPE  // Windows has no such signal: a closed pipe is a failed write there already
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

bool WriteStdout(std::string_view text)
{
    if (g_OutError != 0)
        return false;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return Failed();
    return true;
}

int FinishStdout(const char* program, int status)
{
    errno = 0;
    if (g_OutError == 0 && (std::fflush(stdout) != 0 || std::ferror(stdout)))
        Failed();
    if (g_OutError == 0)
        return status;
    std::fprintf(stderr, "%s: standard output: %s\n", program, std::strerror(g_OutError));
    return status == 0 ? 1 : status;
}
