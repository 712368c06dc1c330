#pragma once
// The Windows edition's file services.

#include "platform/FileServices.h"

namespace talvoro::win32 {

class Win32FileServices : public FileServices {
public:
};

}  // namespace talvoro::win32
