// Inside the safe file writer: the helpers its system-specific halves share.
#pragma once
#include "common/safe_file.h"

#include <filesystem>
#include <string>

// Fills failure, traces it and returns false.
bool SafeFileFail(FileFailure& failure, const std::filesystem::path& path, std::string reason);
std::filesystem::path SafeFileFolderOf(const std::filesystem::path& path);
// Beside the final file, never a name that exists: ".NAME.<16 random hex digits>".
std::filesystem::path SafeFileTempName(const std::filesystem::path& final);
