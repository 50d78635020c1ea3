#include "settings/backup_folder.h"

#include "common/system_paths.h"
#include "common/trace.h"
#include "settings/checksum.h"
#include "settings/settings_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <tuple>

namespace fs = std::filesystem;

namespace {

constexpr char kFromStbToken[] = "from-STB";
constexpr char kToStbToken[] = "to-STB";

// Ours alone: a user's own file in the folder never matches.
const std::regex& BackupName()
{
    static const std::regex name(R"(^(\d{4})-(\d{2})-(\d{2})_(\d{2})-(\d{2})-(\d{2})_(from|to)-STB_model-(\d{1,3})(?:_(\d{1,4}))?\.std$)");
    return name;
}

struct Listed {
    BackupEntry entry;
    std::string stamp;   // the name's first 19 characters sort by time
    int sequence = 1;    // a second backup within the same second
};

std::optional<Listed> Parse(const fs::path& path)
{
    const std::string name = path.filename().string();
    std::smatch m;
    if (!std::regex_match(name, m, BackupName()))
        return std::nullopt;
    Listed listed;
    listed.entry.path = path;
    listed.entry.kind = m[7] == "from" ? BackupKind::FromStb : BackupKind::ToStb;
    std::tm& t = listed.entry.time;
    t.tm_year = std::stoi(m[1]) - 1900;
    t.tm_mon = std::stoi(m[2]) - 1;
    t.tm_mday = std::stoi(m[3]);
    t.tm_hour = std::stoi(m[4]);
    t.tm_min = std::stoi(m[5]);
    t.tm_sec = std::stoi(m[6]);
    const int model = std::stoi(m[8]);
    if (model > 255)
        return std::nullopt;
    listed.entry.modelId = uint8_t(model);
    listed.stamp = name.substr(0, 19);
    listed.sequence = m[9].matched ? std::stoi(m[9]) : 1;
    return listed;
}

std::vector<Listed> ListNewestFirst(const fs::path& folder)
{
    std::vector<Listed> found;
    std::error_code error;
    for (const fs::directory_entry& item : fs::directory_iterator(folder, error)) {
        std::error_code kindError;
        if (!item.is_regular_file(kindError) || item.is_symlink(kindError))
            continue;
        if (std::optional<Listed> listed = Parse(item.path()))
            found.push_back(std::move(*listed));
    }
    std::sort(found.begin(), found.end(), [](const Listed& a, const Listed& b) {
        return std::tie(a.stamp, a.sequence, a.entry.path) > std::tie(b.stamp, b.sequence, b.entry.path);
    });
    return found;
}

std::string StemOf(BackupKind kind, const std::tm& t, uint8_t modelId)
{
    char stem[128];
    std::snprintf(stem, sizeof stem, "%04d-%02d-%02d_%02d-%02d-%02d_%s_model-%u", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, kind == BackupKind::FromStb ? kFromStbToken : kToStbToken,
                  unsigned(modelId));
    return stem;
}

fs::path FreeName(const fs::path& folder, const std::string& stem)
{
    fs::path path = folder / (stem + ".std");
    std::error_code error;
    for (int sequence = 2; fs::exists(fs::symlink_status(path, error)) && sequence < 10000; ++sequence)
        path = folder / (stem + "_" + std::to_string(sequence) + ".std");
    return path;
}

bool HeaderNames(const fs::path& path, uint16_t systemId)
{
    uint8_t header[12];
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(header), sizeof header))
        return false;
    return std::memcmp(header, kSettingsFileMagic, sizeof kSettingsFileMagic) == 0 && GetBe16(&header[10]) == systemId;
}

}  // namespace

fs::path BackupFolderOf(const fs::path& sideFolder)
{
    return sideFolder / "backups";
}

std::optional<fs::path> WriteBackup(const fs::path& folder, BackupKind kind, const BackupImage& image, std::time_t when,
                                    FileFailure* failure, BackupLimits limits)
{
    if (image.packedFlash.size() != kPackedFlashSize || image.eeprom.size() != kEepromSize) {
        if (failure)
            *failure = {folder, "the image is incomplete"};
        return std::nullopt;
    }
    if (!MakePrivateFolder(folder, failure))
        return std::nullopt;
    const std::tm local = LocalTime(when);
    const uint8_t modelId = image.packedFlash[7];
    const fs::path path = FreeName(folder, StemOf(kind, local, modelId));
    const auto header = SettingsFileHeader(image.systemId, image.packedFlash.data(), modelId);
    CSafeFileSet files;
    files.Add(path, {header, image.packedFlash, image.eeprom}, LinkRule::Replace);
    if (!files.Commit(failure))
        return std::nullopt;
    PruneBackups(folder, limits);
    return path;
}

std::vector<BackupEntry> ListBackups(const fs::path& folder)
{
    std::vector<BackupEntry> entries;
    for (Listed& listed : ListNewestFirst(folder))
        entries.push_back(std::move(listed.entry));
    return entries;
}

void PruneBackups(const fs::path& folder, BackupLimits limits)
{
    size_t kept = 0;
    uintmax_t bytes = 0;
    bool full = false;   // everything older than the first backup that does not fit goes
    for (const Listed& listed : ListNewestFirst(folder)) {
        std::error_code error;
        const uintmax_t size = fs::file_size(listed.entry.path, error);
        full = full || (kept > 0 && (kept >= limits.count || bytes + (error ? 0 : size) > limits.bytes));
        if (!full) {
            ++kept;
            bytes += error ? 0 : size;
            continue;
        }
        if (!fs::remove(listed.entry.path, error))
            Trace("PruneBackups: \"%s\" stays: %s", listed.entry.path.c_str(), error.message().c_str());
    }
}

std::optional<BackupEntry> NewestBackupOf(const fs::path& folder, uint16_t systemId)
{
    for (const BackupEntry& entry : ListBackups(folder))
        if (HeaderNames(entry.path, systemId))
            return entry;
    return std::nullopt;
}

std::string BackupTimeText(const std::tm& t)
{
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

const char* BackupKindText(BackupKind kind)
{
    return kind == BackupKind::FromStb ? "from the STB" : "sent to the STB";
}
