// Standard output and error of the command-line tools: one way out for both streams, which
// writes to a console in its own terms and to a pipe or a file the UTF-8 bytes (see
// console_output.h). SIGPIPE is ignored, so a reader that went away is a failed write like
// any other; the first failure of standard output is kept with the reason it had when it
// happened (errno is long overwritten by the end) and reported once at the end.
#pragma once
#include "common/trace.h"

#include <string_view>

void IgnoreBrokenPipes();
// Writes and flushes; false when standard output failed, now or before.
bool WriteStdout(std::string_view text);
// printf-style through WriteStdout.
bool PrintOut(const char* format, ...) ORVANEL_PRINTF(1, 2);
// UTF-8 text to standard error, and printf-style.
void WriteStderr(std::string_view text);
void PrintError(const char* format, ...) ORVANEL_PRINTF(1, 2);
// Flushes what is left; after any failure of standard output prints
// "PROGRAM: standard output: REASON" on stderr and turns a 0 status into 1.
int FinishStdout(const char* program, int status);
