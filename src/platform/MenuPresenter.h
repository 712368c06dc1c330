#pragma once
// Shows the command menu tree as a pop-up at the pointer and reports the chosen item.

#include <optional>

#include "ui/Menu.h"

namespace talvoro {

class MenuPresenter {
public:
    virtual ~MenuPresenter() = default;
    // Shows the children of `root` as a pop-up at the pointer's position and returns when the
    // user has chosen an item or dismissed the menu. Engine events may run meanwhile.
    virtual std::optional<MenuItemId> popupMenu(const MenuItem& root) = 0;
};

}  // namespace talvoro
