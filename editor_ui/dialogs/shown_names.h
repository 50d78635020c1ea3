// Service names as the editor's lists show them.
#pragma once
#include "settings/document.h"

#include <string>

// The name as a list line shows it (control bytes dropped, at most 30 characters).
std::string ShownSvcName(const COrvanel1Doc& doc, SvcKind kind, uint32_t pos);
// One list line: a printf format taking the 1-based position and the name.
std::string NumberedSvcLine(const char* format, int position1, const std::string& name);
