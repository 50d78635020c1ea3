// Loading a library while the program runs, as each system offers it.
#pragma once
#include <string>

namespace explorer {

// Null when the library cannot be loaded, with the system's reason in error.
void* OpenSharedLibrary(const std::string& path, std::string& error);
// Null when the library has no function of that name.
void* SharedLibraryFunction(void* library, const char* name);
void CloseSharedLibrary(void* library);
// Sets a variable of this process's environment, as the loaded library reads it.
void SetLibraryVariable(const char* name, const std::string& value);

}  // namespace explorer
