#include "docs/Frmhelp.h"

#include "app/ErrorPolicy.h"
#include "provision/Provisioning.h"

namespace talvoro {

void Frmhelp::Show() {
    withSilentEnd([this] {
        if (!p_.help.helpLoaded()) {
            p_.help.loadHelp(kHelpCaption);
            Form_Load();
        }
        p_.help.showHelp();
    });
}

void Frmhelp::Form_Load() {
    SystemServices& system = p_.system;
    std::string path;
    if (!withSilentEnd([&] { path = system.helpFilePath(kHelpFileName); })) return;

    eachStepOnItsOwn([&] {
        if (system.fileExists(path)) system.deleteFile(path);
    });
    // A copy that could not be deleted is never shown: it may not be ours.
    bool saved = false;
    eachStepOnItsOwn([&] {
        if (!system.fileExists(path))
            saved = SaveResourceToFile(system, kManualResource, kCustomResource, path);
    });
    if (saved) eachStepOnItsOwn([&] { p_.help.navigate2(path); });
}

}  // namespace talvoro
