#pragma once
// The Linux edition's file services.

#include "platform/FileServices.h"

namespace talvoro::qt {

class QtFileServices : public FileServices {
public:
};

}  // namespace talvoro::qt
