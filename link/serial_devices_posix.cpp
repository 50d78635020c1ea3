#include "link/serial_devices.h"

#include "link/serial_port.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>
#include <system_error>
#include <tuple>

namespace fs = std::filesystem;

namespace {

const char* const kFamilies[] = {"ttyS", "ttyUSB", "ttyACM"};

// The family's rank and the device's number; false for any other name.
bool SortKey(const std::string& name, std::tuple<int, long>& key)
{
    for (int family = 0; family < 3; ++family) {
        std::string prefix = kFamilies[family];
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            !std::all_of(name.begin() + long(prefix.size()), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        key = {family, std::stol(name.substr(prefix.size()).substr(0, 9))};
        return true;
    }
    return false;
}

// A legacy port node exists whether or not a UART is behind it.
bool PortBehind(const SerialDeviceRoots& roots, const std::string& name)
{
    if (name.rfind("ttyS", 0) != 0)
        return true;
    std::ifstream type(roots.sysTty / name / "type");
    int value = 0;
    return type >> value && value != 0;
}

// Device name to its stable name, from the by-id links (resolved one step only).
std::map<std::string, fs::path> StableNames(const fs::path& dev)
{
    std::map<std::string, fs::path> names;
    std::error_code error;
    fs::path byId = dev / "serial" / "by-id";
    for (const auto& entry : fs::directory_iterator(byId, error)) {
        fs::path target = fs::read_symlink(entry.path(), error);
        if (!error)
            names.emplace((byId / target).lexically_normal().filename().string(), entry.path());
    }
    return names;
}

}  // namespace

std::vector<SerialDeviceEntry> ListSerialDevices(const SerialDeviceRoots& roots)
{
    std::vector<std::pair<std::tuple<int, long>, std::string>> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(roots.dev, error)) {
        std::string name = entry.path().filename().string();
        std::tuple<int, long> key;
        if (SortKey(name, key) && PortBehind(roots, name))
            found.emplace_back(key, name);
    }
    std::sort(found.begin(), found.end());
    std::map<std::string, fs::path> stable = StableNames(roots.dev);
    std::vector<SerialDeviceEntry> devices;
    for (const auto& [key, name] : found) {
        std::string path = (roots.dev / name).string();
        auto it = stable.find(name);
        if (it == stable.end())
            devices.push_back({path, path});
        else
            devices.push_back({it->second.string(), path + "  (" + it->second.filename().string() + ")"});
    }
    return devices;
}

int CheckSerialDevice(const std::string& path, const SerialDeviceRoots& roots)
{
    const int error = SerialDeviceError(path);
    std::error_code ignored;
    if (error == 0 && !PortBehind(roots, fs::canonical(path, ignored).filename().string()))
        return ENXIO;
    return error;
}

std::string SerialDeviceBehind(const std::string& path)
{
    std::error_code error;
    if (!fs::is_symlink(path, error))
        return "";
    fs::path target = fs::canonical(path, error);
    return error ? "" : target.string();
}
