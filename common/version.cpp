#include "common/version.h"

#include <cstdio>

const char* OrvanelVersion() { return ORVANEL_VERSION; }

int PrintVersion(const char* program)
{
    std::printf("%s %s\n", program, ORVANEL_VERSION);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
