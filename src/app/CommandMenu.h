#pragma once
// The basket's command menu as designed: every command of the program in one tree, whose hidden
// root opens as the pop-up. Each run starts from this state.

#include "ui/Menu.h"

namespace talvoro {

MenuItem designedCommandMenu();

}  // namespace talvoro
