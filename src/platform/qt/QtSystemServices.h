#pragma once
// The Linux edition's system services.

#include "platform/SystemServices.h"

namespace talvoro::qt {

class QtSystemServices : public SystemServices {
public:
};

}  // namespace talvoro::qt
