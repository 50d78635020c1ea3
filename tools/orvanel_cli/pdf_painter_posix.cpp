#include "tools/orvanel_cli/pdf_export.h"

#include "common/system_paths.h"

#include <dlfcn.h>

ListPdfEntry LoadListPdfPainter(std::string& why)
{
    const std::string path = PackagedLibraryPath(ProgramFolder(), kListPdfModule);
    if (path.empty()) {
        why = std::string("--format pdf needs ") + kListPdfModule +
              ", the list painter of the windows' package (orvanel); --format csv does not";
        return nullptr;
    }
    // Qt stays loaded until the process ends: unloading it under its own threads is unsafe.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    void* entry = module ? ::dlsym(module, kListPdfEntry) : nullptr;
    if (!entry) {
        const char* error = ::dlerror();
        why = "cannot load the list painter " + path + ": " + (error ? error : "no painter in it");
        return nullptr;
    }
    return reinterpret_cast<ListPdfEntry>(entry);
}
