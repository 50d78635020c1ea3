#include "common/console_output.h"

std::optional<bool> WriteConsoleText(std::FILE*, std::string_view)
{
    return std::nullopt;  // a terminal here reads UTF-8 bytes
}
