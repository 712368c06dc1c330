#include "app/MenuTree.h"

#include "app/AppError.h"

namespace talvoro {
namespace {

MenuItem leaf(MenuName name, std::string caption, int index = kNoIndex) {
    MenuItem m;
    m.name = name;
    m.caption = std::move(caption);
    m.index = index;
    return m;
}

MenuItem checkedLeaf(MenuName name, std::string caption, int index = kNoIndex) {
    MenuItem m = leaf(name, std::move(caption), index);
    m.checked = true;
    return m;
}

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

MenuTree::MenuTree() {
    root_ = leaf(MenuName::mnupopup1, "popup1");
    root_.visible = false;
    auto& r = root_.children;
    r.push_back(leaf(MenuName::mnuopen, "打开"));
    r.push_back(leaf(MenuName::mnusave, "保存"));
    r.push_back(leaf(MenuName::sp1, "-"));
    r.push_back(leaf(MenuName::mnupales, "粘贴"));
    r.push_back(leaf(MenuName::mnudeleteall, "清除"));
    r.push_back(leaf(MenuName::sp2, "-"));
    r.push_back(leaf(MenuName::mnuadddata, "叠加"));
    r.push_back(checkedLeaf(MenuName::mnutd, "自动"));
    r.push_back(leaf(MenuName::sp3, "-"));
    r.push_back(leaf(MenuName::mnuvoice, "朗读"));
    r.push_back(leaf(MenuName::mnustop, "停止"));
    r.push_back(leaf(MenuName::mnupause, "暂停"));
    r.push_back(leaf(MenuName::sp20, "-"));

    MenuItem voices = leaf(MenuName::mnuvoicetype, "语音");
    voices.children.push_back(checkedLeaf(MenuName::mnumru, "mnumru", 0));
    r.push_back(std::move(voices));

    MenuItem rate = leaf(MenuName::mnuyst, "语速");
    const char* rateCaptions[] = {"加快", "减慢", "-", "慢速", "较慢", "中速", "正常", "较快", "快速"};
    for (int i = 1; i <= 9; ++i) rate.children.push_back(leaf(MenuName::mnuys, rateCaptions[i - 1], i));
    rate.children[6].checked = true;  // "正常"
    r.push_back(std::move(rate));

    MenuItem volume = leaf(MenuName::mnuylT, "音量");
    const char* volumeCaptions[] = {"增加", "减小", "-", "最小", "较小", "中等", "较大", "最大"};
    for (int i = 1; i <= 8; ++i)
        volume.children.push_back(leaf(MenuName::mnuyl, volumeCaptions[i - 1], i));
    volume.children[7].checked = true;  // "最大"
    r.push_back(std::move(volume));

    r.push_back(leaf(MenuName::sp4, "-"));
    r.push_back(leaf(MenuName::mnuhelp, "帮助"));
    r.push_back(leaf(MenuName::mnuabout, "关于"));
    r.push_back(leaf(MenuName::sp5, "-"));
    r.push_back(leaf(MenuName::mnuexit, "关闭"));
}

MenuItem& MenuTree::item(MenuName name, int index) {
    MenuItem* found = findIn(root_, [&](const MenuItem& m) {
        return m.name == name && m.index == index;
    });
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
    MenuItem element = leaf(name, lowest->caption, index);
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
