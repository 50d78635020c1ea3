// The whole decoded document as JSON. Stored name bytes map one for one to the code points
// 0 to 255, so no byte is lost or altered.
#pragma once
#include "settings/document.h"

#include <nlohmann/json.hpp>

nlohmann::json DocumentToJson(const COrvanel1Doc& doc);
std::string Latin1ToUtf8(const char* bytes, size_t maxLength);
