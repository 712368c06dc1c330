#pragma once
// The command menu as a Win32 pop-up menu, built afresh from the menu tree for every pop-up.

#include <windows.h>

#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "platform/MenuPresenter.h"

namespace talvoro::win32 {

struct MenuDeleter {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuHandle = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

// A pop-up menu made from the children of a tree's root. Each command item gets its own
// command id, which leads back to the tree item it stands for.
struct PopupMenu {
    MenuHandle handle;
    std::vector<MenuItemId> commands;  // command id n stands for commands[n - 1]

    std::optional<MenuItemId> itemForCommand(UINT commandId) const;
};

// Hidden items are left out, "-" captions become separators, items with children become
// sub-menus (whatever their children's visibility); disabled items are grayed and ticked items
// checked. Throws AppError when a menu cannot be built.
PopupMenu buildPopupMenu(const MenuItem& root);

class Win32MenuPresenter : public MenuPresenter {
public:
    explicit Win32MenuPresenter(HWND owner) : owner_(owner) {}
    std::optional<MenuItemId> popupMenu(const MenuItem& root) override;

private:
    HWND owner_;
};

}  // namespace talvoro::win32
