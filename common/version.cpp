#include "common/version.h"

const char* OrvanelVersion() { return ORVANEL_VERSION; }
