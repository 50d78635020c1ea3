// The channel-list formats of other receivers in one table: how each is named, whether its
// unit is a folder, what it keeps, and its reader and writer; and the export and import
// of a document through them.
#pragma once
#include "lists/list_import.h"
#include "lists/list_lamedb.h"

#include <string>
#include <string_view>
#include <vector>

namespace lists {

struct ListFormat {
    const char* name;     // as the command line names it
    const char* title;    // as the editor offers it
    bool folder;          // a folder of files; otherwise one file, kept under the empty name
    FormatKeeps keeps;
    FolderFiles (*write)(const ForeignList& list, std::vector<std::string>& notes);
    bool (*read)(const FolderFiles& files, ForeignList& list, std::string& error);   // null: export only
};

const std::vector<ListFormat>& ListFormats();
const ListFormat* FindListFormat(std::string_view name);

struct ListExport {
    FolderFiles files;
    std::vector<std::string> notes;   // what the format cannot carry, what was changed or left out
};
ListExport ExportList(const COrvanel1Doc& doc, const ListFormat& format, CSatPlaces& places);

// Reads the whole list before changing anything: false with the reason, the document untouched.
bool ImportList(COrvanel1Doc& doc, const ListFormat& format, const FolderFiles& files, CSatPlaces& places,
                ImportReport& report, std::string& error);

} // namespace lists
