#include "usb/usb_backend.h"

std::vector<std::pair<bool, std::string>> PollChanges(const std::set<std::string>& before,
                                                      const std::set<std::string>& now)
{
    std::vector<std::pair<bool, std::string>> changes;
    for (const auto& path : before)
        if (!now.count(path))
            changes.emplace_back(false, path);
    for (const auto& path : now)
        if (!before.count(path))
            changes.emplace_back(true, path);
    return changes;
}
