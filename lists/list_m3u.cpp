#include "lists/list_m3u.h"

#include <array>

namespace lists {

std::string WriteM3u(const ForeignList& list, std::vector<std::string>& notes)
{
    std::string text = "#EXTM3U\n";
    std::array<uint32_t, 2> position{};
    for (const ForeignSvc& svc : list.services) {
        std::string name = svc.name;
        if (!OneLine(name))
            notes.push_back(svc.where + ": " + Quoted(svc.name) + " holds a line end, written as a space");
        text += "#EXTINF:-1 tvg-chno=\"" + std::to_string(++position[svc.kind]) + "\" group-title=\"" +
                (svc.kind == kTvKind ? "TV" : "Radio") + "\"," + name + "\n";
    }
    notes.push_back("no stream URLs: the STB's services have none, and none are made up");
    return text;
}

} // namespace lists
