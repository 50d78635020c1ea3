#include "settings/backup_folder.h"

#include "common/input_file.h"
#include "common/system_paths.h"
#include "common/trace.h"
#include "settings/checksum.h"
#include "settings/settings_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace fs = std::filesystem;

namespace {

constexpr char kFromStbToken[] = "from-STB";
constexpr char kToStbToken[] = "to-STB";
constexpr char kOrderFileName[] = "written-order.txt";
constexpr uint64_t kOrderFileLimit = 1 << 20;

// Ours alone: a user's own file in the folder never matches.
const std::regex& BackupName()
{
    static const std::regex name(R"(^(\d{4})-(\d{2})-(\d{2})_(\d{2})-(\d{2})-(\d{2})_(from|to)-STB_model-(\d{1,3})(?:_(\d{1,4}))?\.std$)");
    return name;
}

const std::regex& RecoveryName()
{
    static const std::regex name(R"(^recovery_\d{4}-\d{2}-\d{2}_\d{2}-\d{2}-\d{2}(?:_(\d{1,4}))?\.dat$)");
    return name;
}

enum Family { kNotOurs, kBackupFamily, kRecoveryFamily, kFamilies };

Family FamilyOf(const std::string& name)
{
    if (std::regex_match(name, BackupName()))
        return kBackupFamily;
    return std::regex_match(name, RecoveryName()) ? kRecoveryFamily : kNotOurs;
}

// The time in the name, and which file of the same second it is.
std::pair<std::string, int> NameTime(const std::string& name)
{
    std::smatch m;
    if (std::regex_match(name, m, BackupName()))
        return {name.substr(0, 19), m[9].matched ? std::stoi(m[9]) : 1};
    if (std::regex_match(name, m, RecoveryName()))
        return {name.substr(9, 19), m[1].matched ? std::stoi(m[1]) : 1};
    return {};
}

// A regular file (a link or anything else in its place is nobody's to count or remove).
bool PlainFile(const fs::path& path, uintmax_t& size)
{
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(path, error)))
        return false;
    size = fs::file_size(path, error);
    return !error;
}

// The names we wrote, oldest first. In a folder from before the list was kept, the files that
// are ours by name (a backup by its size too), in the order of their names.
std::vector<std::string> WrittenOrder(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    const fs::path orderFile = folder / kOrderFileName;
    if (fs::exists(fs::symlink_status(orderFile, error))) {
        std::string text;
        FileFailure failure;
        if (!ReadInputFile(orderFile, kOrderFileLimit, text, &failure))
            Trace("backups: %s", failure.Describe().c_str());
        std::istringstream lines(text);
        std::unordered_set<std::string> seen;
        for (std::string name; std::getline(lines, name);)
            if (FamilyOf(name) != kNotOurs && seen.insert(name).second)
                names.push_back(name);
        return names;
    }
    std::vector<std::pair<std::pair<std::string, int>, std::string>> found;
    for (const fs::directory_entry& item : fs::directory_iterator(folder, error)) {
        std::string name = Utf8Path(item.path().filename());
        const Family family = FamilyOf(name);
        uintmax_t size = 0;
        if (family != kNotOurs && PlainFile(item.path(), size) && (family == kRecoveryFamily || size == kSettingsFileSize))
            found.emplace_back(NameTime(name), std::move(name));
    }
    std::sort(found.begin(), found.end());
    for (auto& [time, name] : found)
        names.push_back(std::move(name));
    return names;
}

void WriteOrder(const fs::path& folder, const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += name + '\n';
    FileFailure failure;
    if (!SafeWriteFile(folder / kOrderFileName, ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
                       LinkRule::Replace, &failure))
        Trace("backups: %s", failure.Describe().c_str());
}

// Removes the oldest written files of each kind beyond the limits; everything older than the
// first that does not fit goes, the newest always stays. The names that remain, oldest first.
std::vector<std::string> Pruned(const fs::path& folder, const std::vector<std::string>& names, BackupLimits limits)
{
    struct Tally {
        size_t kept = 0;
        uintmax_t bytes = 0;
        bool full = false;
    } tallies[kFamilies];
    std::vector<std::string> remaining;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        const fs::path path = folder / *name;
        uintmax_t size = 0;
        if (!PlainFile(path, size))
            continue;   // gone: no longer listed
        Tally& tally = tallies[FamilyOf(*name)];
        tally.full = tally.full || (tally.kept > 0 && (tally.kept >= limits.count || tally.bytes + size > limits.bytes));
        std::error_code error;
        if (tally.full && fs::remove(path, error))
            continue;
        if (error)
            Trace("PruneBackups: \"%s\" stays: %s", Utf8Path(path).c_str(), error.message().c_str());
        ++tally.kept;
        tally.bytes += size;
        remaining.push_back(*name);
    }
    std::reverse(remaining.begin(), remaining.end());
    return remaining;
}

// The file just placed in the folder becomes the newest written of its kind.
void Record(const fs::path& folder, const std::string& name, BackupLimits limits)
{
    std::vector<std::string> names = WrittenOrder(folder);
    std::erase(names, name);
    names.push_back(name);
    WriteOrder(folder, Pruned(folder, names, limits));
}

struct Listed {
    BackupEntry entry;
    size_t written = 0;   // 1 + the place in the writing order; 0: not written by us
    std::pair<std::string, int> nameTime;
};

std::optional<Listed> Parse(const fs::path& path)
{
    const std::string name = Utf8Path(path.filename());
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
    listed.nameTime = {name.substr(0, 19), m[9].matched ? std::stoi(m[9]) : 1};
    return listed;
}

// 1 + each name's place in the writing order.
std::unordered_map<std::string, size_t> WrittenPlaces(const fs::path& folder)
{
    std::unordered_map<std::string, size_t> written;
    const std::vector<std::string> order = WrittenOrder(folder);
    for (size_t place = 0; place < order.size(); ++place)
        written[order[place]] = place + 1;
    return written;
}

std::vector<Listed> ListNewestFirst(const fs::path& folder)
{
    const std::unordered_map<std::string, size_t> written = WrittenPlaces(folder);
    std::vector<Listed> found;
    std::error_code error;
    for (const fs::directory_entry& item : fs::directory_iterator(folder, error)) {
        std::error_code kindError;
        if (!item.is_regular_file(kindError) || item.is_symlink(kindError))
            continue;
        if (std::optional<Listed> listed = Parse(item.path())) {
            const auto place = written.find(Utf8Path(item.path().filename()));
            listed->written = place == written.end() ? 0 : place->second;
            found.push_back(std::move(*listed));
        }
    }
    std::sort(found.begin(), found.end(), [](const Listed& a, const Listed& b) {
        return std::tie(a.written, a.nameTime, a.entry.path) > std::tie(b.written, b.nameTime, b.entry.path);
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
    Record(folder, Utf8Path(path.filename()), limits);
    uintmax_t size = 0;
    if (!PlainFile(path, size)) {   // removed by someone else since: a path that is gone is no backup
        if (failure)
            *failure = {path, "the backup is gone"};
        return std::nullopt;
    }
    return path;
}

std::vector<BackupEntry> ListBackups(const fs::path& folder)
{
    std::vector<BackupEntry> entries;
    for (Listed& listed : ListNewestFirst(folder))
        entries.push_back(std::move(listed.entry));
    return entries;
}

void KeepInBackups(const fs::path& folder, const fs::path& file, BackupLimits limits)
{
    const std::string name = Utf8Path(file.filename());
    if (FamilyOf(name) == kNotOurs)
        Trace("KeepInBackups: \"%s\" is not a name of ours", name.c_str());
    else
        Record(folder, name, limits);
}

bool IsKeptRecoveryFile(const fs::path& path)
{
    return FamilyOf(Utf8Path(path.filename())) == kRecoveryFamily;
}

std::vector<fs::path> ListKeptRecoveryFiles(const fs::path& folder)
{
    const std::unordered_map<std::string, size_t> written = WrittenPlaces(folder);
    std::vector<std::tuple<size_t, std::pair<std::string, int>, fs::path>> found;
    std::error_code error;
    for (const fs::directory_entry& item : fs::directory_iterator(folder, error)) {
        const std::string name = Utf8Path(item.path().filename());
        uintmax_t size = 0;
        if (FamilyOf(name) != kRecoveryFamily || !PlainFile(item.path(), size))
            continue;
        const auto place = written.find(name);
        found.emplace_back(place == written.end() ? 0 : place->second, NameTime(name), item.path());
    }
    std::sort(found.rbegin(), found.rend());
    std::vector<fs::path> paths;
    for (auto& listed : found)
        paths.push_back(std::move(std::get<2>(listed)));
    return paths;
}

void PruneBackups(const fs::path& folder, BackupLimits limits)
{
    WriteOrder(folder, Pruned(folder, WrittenOrder(folder), limits));
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
