#pragma once
// The Linux edition's help viewer.

#include "platform/HelpViewer.h"

namespace talvoro::qt {

class QtHelpViewer : public HelpViewer {
public:
};

}  // namespace talvoro::qt
