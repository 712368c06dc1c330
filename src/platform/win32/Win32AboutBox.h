#pragma once
// The Windows edition's about box.

#include "platform/AboutBox.h"

namespace talvoro::win32 {

class Win32AboutBox : public AboutBox {
public:
};

}  // namespace talvoro::win32
