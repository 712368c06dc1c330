#pragma once
// The Windows edition's system services.

#include "platform/SystemServices.h"

namespace talvoro::win32 {

class Win32SystemServices : public SystemServices {
public:
};

}  // namespace talvoro::win32
