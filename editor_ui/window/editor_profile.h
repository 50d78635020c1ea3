// The editor's profile (~/.config/Orvanel/Orvanel.ini): the side folder the user chose
// ("SideFolder") and the folder of the last settings file opened or saved ("LastFolder"),
// where the file dialogs start.
#pragma once
#include <QString>

#include <filesystem>
#include <memory>

class QSettings;

// A profile that cannot be read is ignored (see OpenUserProfile); ignoredNote then says why.
std::unique_ptr<QSettings> EditorProfile(QString* ignoredNote = nullptr);
// Empty until a file was chosen.
QString LastFileFolder();
void RememberFileFolder(const std::filesystem::path& file);
