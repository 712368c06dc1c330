#include "app/CommandMenu.h"

namespace talvoro {
namespace {

MenuItem leaf(MenuName name, std::string caption, int index = kNoIndex) {
    MenuItem m;
    m.name = name;
    m.index = index;
    m.caption = std::move(caption);
    return m;
}

MenuItem checkedLeaf(MenuName name, std::string caption, int index = kNoIndex) {
    MenuItem m = leaf(name, std::move(caption), index);
    m.checked = true;
    return m;
}

}  // namespace

MenuItem designedCommandMenu() {
    MenuItem root = leaf(MenuName::mnupopup1, "popup1");
    root.visible = false;
    auto& r = root.children;
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
    const char* rateCaptions[] = {"加快", "减慢", "-",    "慢速", "较慢",
                                  "中速", "正常", "较快", "快速"};
    for (int i = 1; i <= 9; ++i)
        rate.children.push_back(leaf(MenuName::mnuys, rateCaptions[i - 1], i));
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
    return root;
}

}  // namespace talvoro
