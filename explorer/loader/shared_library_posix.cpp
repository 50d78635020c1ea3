#include "explorer/loader/shared_library.h"
#include "explorer/loader/zbdll_loader.h"

#include "common/input_file.h"
#include "common/system_paths.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>

namespace explorer {

void* OpenSharedLibrary(const std::string& path, std::string& error)
{
    // dlopen would wait on a FIFO and read a device without end: a path must name a regular file.
    FileFailure refused;
    if (path.find('/') != std::string::npos && !CInputFile().Open(path, &refused)) {
        error = refused.reason;
        return nullptr;
    }
    // A library once used stays mapped: its copy threads may outlive the program's use of it.
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!library)
        error = ::dlerror();
    return library;
}

void* SharedLibraryFunction(void* library, const char* name) { return ::dlsym(library, name); }
void CloseSharedLibrary(void* library) { ::dlclose(library); }
void SetLibraryVariable(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

std::string EmulatorLibraryPath(const std::string& programDir)
{
    return PackagedLibraryPath(programDir, "libzbdll-emu.so");
}

std::string DefaultDeviceLibraryPath(const std::string& programDir) { return EmulatorLibraryPath(programDir); }

}  // namespace explorer
