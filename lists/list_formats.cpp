#include "lists/list_formats.h"

#include "lists/list_m3u.h"
#include "lists/list_vdr.h"

namespace lists {

namespace {

template <std::string (*Write)(const ForeignList&, std::vector<std::string>&)>
FolderFiles OneFile(const ForeignList& list, std::vector<std::string>& notes)
{
    return {{std::string(), Write(list, notes)}};
}

bool ReadVdrFile(const FolderFiles& files, ForeignList& list, std::string& error)
{
    const auto file = files.find(std::string());
    if (file == files.end())
        error = "no file";
    return file != files.end() && ReadVdr(file->second, list, error);
}

} // namespace

const std::vector<ListFormat>& ListFormats()
{
    static const std::vector<ListFormat> formats = {
        {"vdr", "VDR channels.conf", false, {.pmtPid = false}, OneFile<WriteVdr>, ReadVdrFile},
        {"lamedb", "Linux receiver settings folder (lamedb, bouquets)", true, {}, WriteLamedb, ReadLamedb},
        {"m3u", "M3U playlist (names only)", false, {.tp = false, .pids = false, .scrambled = false, .groups = false},
         OneFile<WriteM3u>, nullptr},
    };
    return formats;
}

const ListFormat* FindListFormat(std::string_view name)
{
    for (const ListFormat& format : ListFormats())
        if (name == format.name)
            return &format;
    return nullptr;
}

ListExport ExportList(const COrvanel1Doc& doc, const ListFormat& format, CSatPlaces& places)
{
    ListExport result;
    ForeignList list = ListOfDocument(doc, format.keeps.tp ? &places : nullptr);
    NoteWhatIsLost(doc, format.keeps, result.notes);
    result.notes.insert(result.notes.end(), list.notes.begin(), list.notes.end());
    result.files = format.write(list, result.notes);
    return result;
}

bool ImportList(COrvanel1Doc& doc, const ListFormat& format, const FolderFiles& files, CSatPlaces& places,
                ImportReport& report, std::string& error)
{
    ForeignList list;
    if (!format.read) {
        error = std::string("the ") + format.name + " format is written, never read";
        return false;
    }
    if (!format.read(files, list, error))
        return false;
    report = ImportForeignList(doc, list, places);
    return true;
}

} // namespace lists
