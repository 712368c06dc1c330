#include "app/MenuTree.h"

#include "app/AppError.h"

namespace talvoro {
namespace {

MenuItem leaf(std::string name, std::string caption, int index = kNoIndex) {
    MenuItem m;
    m.name = std::move(name);
    m.caption = std::move(caption);
    m.index = index;
    return m;
}

MenuItem checkedLeaf(std::string name, std::string caption, int index = kNoIndex) {
    MenuItem m = leaf(std::move(name), std::move(caption), index);
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
Item* arrayParent(Item& parent, const std::string& name) {
    for (auto& child : parent.children) {
        if (child.name == name) return &parent;
        if (Item* found = arrayParent(child, name)) return found;
    }
    return nullptr;
}

AppError noSuchElement(const std::string& name, int index) {
    std::string text = "控件数组元素 '";
    text += name;
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
    root_ = leaf("mnupopup1", "popup1");
    root_.visible = false;
    auto& r = root_.children;
    r.push_back(leaf("mnuopen", "打开"));
    r.push_back(leaf("mnusave", "保存"));
    r.push_back(leaf("sp1", "-"));
    r.push_back(leaf("mnupales", "粘贴"));
    r.push_back(leaf("mnudeleteall", "清除"));
    r.push_back(leaf("sp2", "-"));
    r.push_back(leaf("mnuadddata", "叠加"));
    r.push_back(checkedLeaf("mnutd", "自动"));
    r.push_back(leaf("sp3", "-"));
    r.push_back(leaf("mnuvoice", "朗读"));
    r.push_back(leaf("mnustop", "停止"));
    r.push_back(leaf("mnupause", "暂停"));
    r.push_back(leaf("sp20", "-"));

    MenuItem voices = leaf("mnuvoicetype", "语音");
    voices.children.push_back(checkedLeaf("mnumru", "mnumru", 0));
    r.push_back(std::move(voices));

    MenuItem rate = leaf("mnuyst", "语速");
    const char* rateCaptions[] = {"加快", "减慢", "-", "慢速", "较慢", "中速", "正常", "较快", "快速"};
    for (int i = 1; i <= 9; ++i) rate.children.push_back(leaf("mnuys", rateCaptions[i - 1], i));
    rate.children[6].checked = true;  // "正常"
    r.push_back(std::move(rate));

    MenuItem volume = leaf("mnuylT", "音量");
    const char* volumeCaptions[] = {"增加", "减小", "-", "最小", "较小", "中等", "较大", "最大"};
    for (int i = 1; i <= 8; ++i)
        volume.children.push_back(leaf("mnuyl", volumeCaptions[i - 1], i));
    volume.children[7].checked = true;  // "最大"
    r.push_back(std::move(volume));

    r.push_back(leaf("sp4", "-"));
    r.push_back(leaf("mnuhelp", "帮助"));
    r.push_back(leaf("mnuabout", "关于"));
    r.push_back(leaf("sp5", "-"));
    r.push_back(leaf("mnuexit", "关闭"));
}

MenuItem& MenuTree::item(const std::string& name, int index) {
    MenuItem* found = findIn(root_, [&](const MenuItem& m) {
        return m.name == name && m.index == index;
    });
    if (!found) throw noSuchElement(name, index);
    return *found;
}

const MenuItem& MenuTree::item(const std::string& name, int index) const {
    return const_cast<MenuTree*>(this)->item(name, index);
}

bool MenuTree::exists(const std::string& name, int index) const {
    return findIn(root_, [&](const MenuItem& m) { return m.name == name && m.index == index; });
}

MenuItem& MenuTree::loadElement(const std::string& name, int index) {
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
    MenuItem element = leaf(name, lowest->caption, index);
    element.enabled = lowest->enabled;
    element.checked = lowest->checked;
    element.visible = false;
    auto it = parent->children.insert(parent->children.begin() + static_cast<long>(insertAt),
                                      std::move(element));
    return *it;
}

int MenuTree::upperBound(const std::string& name) const {
    const MenuItem* parent = arrayParent(root_, name);
    int upper = -1;
    if (parent)
        for (const auto& c : parent->children)
            if (c.name == name && c.index > upper) upper = c.index;
    return upper;
}

}  // namespace talvoro
