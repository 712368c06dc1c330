#pragma once
// The basket's command menu as data: the tree the pop-up is built from, with the state of every
// item. Items are addressed by name and, for control arrays, by index.

#include <string>
#include <vector>

namespace talvoro {

inline constexpr int kNoIndex = -1;

struct MenuItemId {
    std::string name;
    int index = kNoIndex;
    bool operator==(const MenuItemId&) const = default;
};

struct MenuItem {
    std::string name;
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

class MenuTree {
public:
    // The tree in its design-time state.
    MenuTree();

    const MenuItem& root() const { return root_; }

    // Throws AppError 340 (no such element) when the item does not exist.
    MenuItem& item(const std::string& name, int index = kNoIndex);
    const MenuItem& item(const std::string& name, int index = kNoIndex) const;
    bool exists(const std::string& name, int index = kNoIndex) const;

    // Loads a new element of a control array after its current last element, copying the
    // caption, enabled and checked flags of the array's lowest element; the new element starts
    // hidden. Throws AppError 360 when the element is already loaded.
    MenuItem& loadElement(const std::string& name, int index);
    // Number of elements of a control array (its highest index + 1 for arrays starting at 0).
    int upperBound(const std::string& name) const;

private:
    MenuItem root_;
};

}  // namespace talvoro
