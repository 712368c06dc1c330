#pragma once
// The Windows edition's help viewer.

#include "platform/HelpViewer.h"

namespace talvoro::win32 {

class Win32HelpViewer : public HelpViewer {
public:
};

}  // namespace talvoro::win32
