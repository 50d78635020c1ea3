// Standard output of the command-line tools. SIGPIPE is ignored, so a reader that went
// away is a failed write like any other; the first failure is kept with the reason it had
// when it happened (errno is long overwritten by the end) and reported once at the end.
#pragma once
#include <string_view>

void IgnoreBrokenPipes();
// Writes and flushes; false when standard output failed, now or before.
bool WriteStdout(std::string_view text);
// Flushes what is left; after any failure of standard output prints
// "PROGRAM: standard output: REASON" on stderr and turns a 0 status into 1.
int FinishStdout(const char* program, int status);
