#include "platform/posix/LoadableModule.h"

#include <dlfcn.h>

#include <filesystem>

namespace talvoro::posix {

namespace fs = std::filesystem;

void* LoadableModule::symbol(const char* name) const {
    return handle ? dlsym(handle, name) : nullptr;
}

std::optional<std::string> findModule(const char* fileName) {
    std::error_code ec;
    const fs::path dir = fs::read_symlink("/proc/self/exe", ec).parent_path();
    for (const fs::path& path : {dir / fileName, dir / ".." / "lib" / "talvoro" / fileName}) {
        if (fs::exists(path, ec)) return path.string();
    }
    return std::nullopt;
}

LoadableModule openModule(const char* fileName) {
    LoadableModule module;
    const std::optional<std::string> path = findModule(fileName);
    if (!path) {
        module.error = std::string("找不到 ") + fileName;
        return module;
    }
    module.handle = dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module.handle) module.error = dlerror();
    return module;
}

}  // namespace talvoro::posix
