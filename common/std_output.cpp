#include "common/std_output.h"

#include "common/console_output.h"

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
int g_OutError = 0;

bool Failed()
{
    if (g_OutError == 0)
        g_OutError = errno != 0 ? errno : EIO;
    return false;
}

bool WriteStream(std::FILE* stream, std::string_view text)
{
    if (std::optional<bool> console = WriteConsoleText(stream, text))
        return *console;
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
}

std::string Formatted(const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    std::string text(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
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
    return WriteStream(stdout, text) || Failed();
}

bool PrintOut(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = Formatted(format, args);
    va_end(args);
    return WriteStdout(text);
}

void WriteStderr(std::string_view text)
{
    (void)WriteStream(stderr, text);  // nowhere left to tell of it
}

void PrintError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = Formatted(format, args);
    va_end(args);
    WriteStderr(text);
}

int FinishStdout(const char* program, int status)
{
    errno = 0;
    if (g_OutError == 0 && (std::fflush(stdout) != 0 || std::ferror(stdout)))
        Failed();
    if (g_OutError == 0)
        return status;
    PrintError("%s: standard output: %s\n", program, std::strerror(g_OutError));
    return status == 0 ? 1 : status;
}
