// The files of a channel list on disk: one file, or the files of a folder that its format
// reads. Reading takes regular files only and stops at a size no channel list reaches;
// writing replaces all of them or none.
#pragma once
#include "common/safe_file.h"
#include "lists/list_formats.h"

#include <filesystem>

namespace lists {

bool ReadListFiles(const ListFormat& format, const std::filesystem::path& path, FolderFiles& files,
                   FileFailure& failure);
// A folder that is missing is made.
bool WriteListFiles(const ListFormat& format, const std::filesystem::path& path, const FolderFiles& files,
                    FileFailure& failure);

} // namespace lists
