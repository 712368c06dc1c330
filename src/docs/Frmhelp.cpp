#include "docs/Frmhelp.h"

#include "base/ErrorPolicy.h"
#include "provision/Provisioning.h"

namespace talvoro {

const FormDesign& Frmhelp::design() {
    static const FormDesign d = [] {
        FormDesign f;
        f.name = "Frmhelp";
        f.caption = kHelpCaption;
        f.border = Border::Sizable;
        f.clientWidth = 4680;
        f.clientHeight = 3195;
        f.systemPlaced = true;
        return f;
    }();
    return d;
}

void Frmhelp::Show() {
    withSilentEnd([this] {
        if (!p_.help.helpLoaded()) {
            p_.help.loadHelp(design());
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
