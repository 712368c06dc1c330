#pragma once
// A menu as data: the tree the pop-up is built from, with the state of every item, which the
// program's parts read and change. Items are addressed by name and, for control arrays, by index.

#include "ui/Menu.h"

namespace talvoro {

class MenuTree {
public:
    explicit MenuTree(MenuItem root);

    const MenuItem& root() const { return root_; }

    // Throws AppError 340 (no such element) when the item does not exist.
    MenuItem& item(MenuName name, int index = kNoIndex);
    const MenuItem& item(MenuName name, int index = kNoIndex) const;
    bool exists(MenuName name, int index = kNoIndex) const;

    // Loads a new element of a control array after its current last element, copying the
    // caption, enabled and checked flags of the array's lowest element; the new element starts
    // hidden. Throws AppError 360 when the element is already loaded.
    MenuItem& loadElement(MenuName name, int index);
    // Number of elements of a control array (its highest index + 1 for arrays starting at 0).
    int upperBound(MenuName name) const;

private:
    MenuItem root_;
};

}  // namespace talvoro
