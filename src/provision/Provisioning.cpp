#include "provision/Provisioning.h"

#include <cstdint>
#include <vector>

#include "base/ErrorPolicy.h"

namespace talvoro {

bool SaveResourceToFile(SystemServices& system, int ResId, const std::string& ResType,
                        const std::string& FileName) {
    std::vector<std::uint8_t> bytes;
    FileNumber file = 0;
    const bool opened = withSilentEnd([&] {
        bytes = system.loadResource(ResId, ResType);
        file = system.createFile(FileName);
    });
    if (!opened) return false;

    // The file is closed even when a write failed, so that it can be removed.
    const bool written = eachStepOnItsOwn([&] { system.writeFile(file, bytes); });
    const bool closed = eachStepOnItsOwn([&] { system.closeFile(file); });
    if (written && closed) return true;
    eachStepOnItsOwn([&] { system.deleteFile(FileName); });
    return false;
}

void Save_Reg_Sapi(SystemServices& system) {
    withSilentEnd([&] {
        const std::string directory = system.systemDirectory();
        const std::string runtime = directory + "\\sapi.dll";
        // Whatever stands there is taken for the runtime: its version is not our business.
        if (system.fileExists(runtime)) return;
        if (!SaveResourceToFile(system, kSapiRuntimeResource, kCustomResource, runtime)) return;
        // Both paths are quoted: a directory with blanks keeps the argument whole, and the
        // system cannot take the start of the tool's path for another program to run. No
        // silent switch: the tool reports its outcome to the user itself.
        system.startProcess("\"" + directory + "\\regsvr32.exe\" \"" + runtime + "\"",
                            kShowMinimized);
    });
}

}  // namespace talvoro
