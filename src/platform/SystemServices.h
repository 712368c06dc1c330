#pragma once
// What provisioning the speech runtime needs of the system: its folders, the program's own resources, starting a program.

namespace talvoro {

class SystemServices {
public:
    virtual ~SystemServices() = default;
};

}  // namespace talvoro
