#include "ui/MenuTree.h"

#include "base/AppError.h"

namespace talvoro {
namespace {

template <typename Item, typename Fn>
Item* findIn(Item& parent, const Fn& match) {
    for (auto& child : parent.children) {
        if (match(child)) return &child;
        if (Item* found = findIn(child, match)) return found;
    }
    return nullptr;
}

// The parent whose children hold the elements of a control array.
template <typename Item>
Item* arrayParent(Item& parent, MenuName name) {
    for (auto& child : parent.children) {
        if (child.name == name) return &parent;
        if (Item* found = arrayParent(child, name)) return found;
    }
    return nullptr;
}

AppError noSuchElement(MenuName name, int index) {
    std::string text = "控件数组元素 '";
    text += nameOf(name);
    if (index != kNoIndex) {
        text += '(';
        text += std::to_string(index);
        text += ')';
    }
    text += "' 不存在";
    return AppError(340, text);
}

}  // namespace

MenuTree::MenuTree(MenuItem root) : root_(std::move(root)) {}

MenuItem& MenuTree::item(MenuName name, int index) {
    MenuItem* found =
        findIn(root_, [&](const MenuItem& m) { return m.name == name && m.index == index; });
    if (!found) throw noSuchElement(name, index);
    return *found;
}

const MenuItem& MenuTree::item(MenuName name, int index) const {
    return const_cast<MenuTree*>(this)->item(name, index);
}

bool MenuTree::exists(MenuName name, int index) const {
    return findIn(root_, [&](const MenuItem& m) { return m.name == name && m.index == index; });
}

MenuItem& MenuTree::loadElement(MenuName name, int index) {
    MenuItem* parent = arrayParent(root_, name);
    if (!parent || index < 0) throw noSuchElement(name, index);
    const MenuItem* lowest = nullptr;
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < parent->children.size(); ++i) {
        const MenuItem& c = parent->children[i];
        if (c.name != name) continue;
        if (c.index == index) throw AppError(kErrAlreadyLoaded, "对象已经加载");
        if (!lowest || c.index < lowest->index) lowest = &c;
        insertAt = i + 1;
    }
    if (lowest->index == kNoIndex) throw noSuchElement(name, index);  // not a control array
    MenuItem element;
    element.name = name;
    element.index = index;
    element.caption = lowest->caption;
    element.enabled = lowest->enabled;
    element.checked = lowest->checked;
    element.visible = false;
    auto it = parent->children.insert(parent->children.begin() + static_cast<long>(insertAt),
                                      std::move(element));
    return *it;
}

int MenuTree::upperBound(MenuName name) const {
    const MenuItem* parent = arrayParent(root_, name);
    int upper = -1;
    if (parent)
        for (const auto& c : parent->children)
            if (c.name == name && c.index > upper) upper = c.index;
    return upper;
}

}  // namespace talvoro
