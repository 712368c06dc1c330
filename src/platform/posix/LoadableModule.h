#pragma once
// The program's own loadable modules (shared libraries built with it): found beside the program
// in a build tree, or in lib/talvoro when installed, and opened once. A module is never closed:
// code of it may still run while the program ends.

#include <optional>
#include <string>

namespace talvoro::posix {

struct LoadableModule {
    void* handle = nullptr;
    std::string error;  // why it could not be opened, when handle is null

    // The address of `name` in the module, or null.
    void* symbol(const char* name) const;
};

// Where the module file `fileName` stands, or nullopt.
std::optional<std::string> findModule(const char* fileName);

// Finds and opens the module, its symbols bound now and kept to itself.
LoadableModule openModule(const char* fileName);

}  // namespace talvoro::posix
