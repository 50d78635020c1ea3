// Linked into every Windows program: the standard streams carry bytes as they are written,
// so a program's output is the same on Windows as on Linux (no CR before LF).
#include <fcntl.h>
#include <initializer_list>
#include <io.h>

namespace {

const bool g_bBinaryStreams = [] {
    for (int fd : {0, 1, 2})
        _setmode(fd, _O_BINARY);
    return true;
}();

}  // namespace
