#pragma once
// The command menu as the core and the platform's menu presenter share it: every item by a
// name the compiler knows, and the tree of items with their state that the pop-up is built from.

#include <string>
#include <vector>

namespace talvoro {

// Every item of the command menu. Separators have names too, so that every item of the tree
// can be addressed the same way.
enum class MenuName {
    mnupopup1,
    mnuopen,
    mnusave,
    sp1,
    mnupales,
    mnudeleteall,
    sp2,
    mnuadddata,
    mnutd,
    sp3,
    mnuvoice,
    mnustop,
    mnupause,
    sp20,
    mnuvoicetype,
    mnumru,
    mnuyst,
    mnuys,
    mnuylT,
    mnuyl,
    sp4,
    mnuhelp,
    mnuabout,
    sp5,
    mnuexit,
};

// The item's name as the program writes it ("mnuopen"), for messages.
const char* nameOf(MenuName name);

inline constexpr int kNoIndex = -1;

// An item: its name and, for an element of a control array, its index.
struct MenuItemId {
    MenuName name = MenuName::mnupopup1;
    int index = kNoIndex;
    bool operator==(const MenuItemId&) const = default;
};

struct MenuItem {
    MenuName name = MenuName::mnupopup1;
    int index = kNoIndex;
    std::string caption;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::vector<MenuItem> children;

    MenuItemId id() const { return {name, index}; }
    bool operator==(const MenuItem&) const = default;
    bool isSeparator() const { return caption == "-"; }
};

}  // namespace talvoro
