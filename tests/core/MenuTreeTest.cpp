#include <gtest/gtest.h>

#include "base/AppError.h"
#include "app/CommandMenu.h"
#include "ui/MenuTree.h"

namespace talvoro {
namespace {

std::string describe(const MenuItem& m, int level = 0) {
    std::string s = std::string(level * 2, ' ') + nameOf(m.name);
    if (m.index != kNoIndex) s += "(" + std::to_string(m.index) + ")";
    s += " " + m.caption;
    if (!m.enabled) s += " [disabled]";
    if (!m.visible) s += " [hidden]";
    if (m.checked) s += " [ticked]";
    s += "\n";
    for (const auto& c : m.children) s += describe(c, level + 1);
    return s;
}

TEST(MenuTree, DesignTimeTree) {
    MenuTree tree(designedCommandMenu());
    EXPECT_EQ(describe(tree.root()),
              "mnupopup1 popup1 [hidden]\n"
              "  mnuopen 打开\n"
              "  mnusave 保存\n"
              "  sp1 -\n"
              "  mnupales 粘贴\n"
              "  mnudeleteall 清除\n"
              "  sp2 -\n"
              "  mnuadddata 叠加\n"
              "  mnutd 自动 [ticked]\n"
              "  sp3 -\n"
              "  mnuvoice 朗读\n"
              "  mnustop 停止\n"
              "  mnupause 暂停\n"
              "  sp20 -\n"
              "  mnuvoicetype 语音\n"
              "    mnumru(0) mnumru [ticked]\n"
              "  mnuyst 语速\n"
              "    mnuys(1) 加快\n"
              "    mnuys(2) 减慢\n"
              "    mnuys(3) -\n"
              "    mnuys(4) 慢速\n"
              "    mnuys(5) 较慢\n"
              "    mnuys(6) 中速\n"
              "    mnuys(7) 正常 [ticked]\n"
              "    mnuys(8) 较快\n"
              "    mnuys(9) 快速\n"
              "  mnuylT 音量\n"
              "    mnuyl(1) 增加\n"
              "    mnuyl(2) 减小\n"
              "    mnuyl(3) -\n"
              "    mnuyl(4) 最小\n"
              "    mnuyl(5) 较小\n"
              "    mnuyl(6) 中等\n"
              "    mnuyl(7) 较大\n"
              "    mnuyl(8) 最大 [ticked]\n"
              "  sp4 -\n"
              "  mnuhelp 帮助\n"
              "  mnuabout 关于\n"
              "  sp5 -\n"
              "  mnuexit 关闭\n");
}

TEST(MenuTree, ControlArraysGrowAfterTheirLastElement) {
    MenuTree tree(designedCommandMenu());
    tree.item(MenuName::mnumru, 0).enabled = false;
    MenuItem& first = tree.loadElement(MenuName::mnumru, 1);
    EXPECT_EQ(first.caption, "mnumru");  // copied from the lowest element
    EXPECT_TRUE(first.checked);
    EXPECT_FALSE(first.enabled);
    EXPECT_FALSE(first.visible);  // a loaded element starts hidden
    tree.loadElement(MenuName::mnumru, 2);
    EXPECT_EQ(tree.upperBound(MenuName::mnumru), 2);
    const auto& children = tree.item(MenuName::mnuvoicetype).children;
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(children[2].index, 2);
    EXPECT_EQ(tree.upperBound(MenuName::mnuys), 9);
    EXPECT_EQ(tree.upperBound(MenuName::mnuopen), -1);  // not a control array
}

TEST(MenuTree, BadAddressesRaiseErrors) {
    MenuTree tree(designedCommandMenu());
    try {
        tree.loadElement(MenuName::mnumru, 0);
        FAIL();
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), kErrAlreadyLoaded);
    }
    EXPECT_THROW(tree.item(MenuName::mnumru, 7), AppError);
    EXPECT_THROW(tree.item(MenuName::mnuopen, 0), AppError);
    EXPECT_THROW(tree.loadElement(MenuName::mnuopen, 1), AppError);  // not a control array
    EXPECT_FALSE(tree.exists(MenuName::mnuys, 10));
    EXPECT_TRUE(tree.exists(MenuName::mnuys, 3));
}

}  // namespace
}  // namespace talvoro
