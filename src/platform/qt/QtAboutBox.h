#pragma once
// The Linux edition's about box.

#include "platform/AboutBox.h"

namespace talvoro::qt {

class QtAboutBox : public AboutBox {
public:
};

}  // namespace talvoro::qt
