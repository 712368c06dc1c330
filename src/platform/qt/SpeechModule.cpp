#include "platform/qt/SpeechModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <string>

#include "app/AppError.h"
#include "speech/espeak/EspeakModule.h"

namespace talvoro::qt {
namespace {

namespace fs = std::filesystem;

struct Loaded {
    espeak::ModuleCreate create = nullptr;
    std::string error;
};

// Beside the program in a build tree, in lib/talvoro when installed.
std::vector<fs::path> candidates() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    const fs::path dir = exe.parent_path();
    return {dir / espeak::kModuleFile, dir / ".." / "lib" / "talvoro" / espeak::kModuleFile};
}

Loaded load() {
    Loaded out;
    for (const fs::path& path : candidates()) {
        std::error_code ec;
        if (!fs::exists(path, ec)) continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            out.error = dlerror();
            continue;
        }
        auto start = reinterpret_cast<espeak::ModuleStart>(dlsym(handle, espeak::kStartSymbol));
        out.create = reinterpret_cast<espeak::ModuleCreate>(dlsym(handle, espeak::kCreateSymbol));
        if (!start || !out.create) {
            out.error = path.string() + ": not a speech engine module";
            out.create = nullptr;
            continue;
        }
        start();
        return out;
    }
    if (out.error.empty()) out.error = std::string("找不到 ") + espeak::kModuleFile;
    return out;
}

std::shared_future<Loaded>& module() {
    static std::shared_future<Loaded> loaded = std::async(std::launch::async, load).share();
    return loaded;
}

}  // namespace

void loadSpeechModuleEarly() { module(); }

SpeechEngineFactory speechModuleFactory(UiThread& ui) {
    return [&ui](SpeechEvents& events) -> std::unique_ptr<SpeechEngine> {
        const Loaded& loaded = module().get();
        if (!loaded.create) throw AppError(429, "无法创建语音引擎：" + loaded.error);
        return loaded.create(events, ui);
    };
}

}  // namespace talvoro::qt
