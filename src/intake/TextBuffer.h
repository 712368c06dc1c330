#pragma once
// The text buffer and its two intake options, "叠加" (append) and "自动" (read at once), whose
// ticks are the options themselves. "清除" and "保存" follow the buffer as it is taken in and
// cleared.

#include <string>

#include "intake/SharedText.h"
#include "ui/MenuTree.h"

namespace talvoro {

class TextBuffer {
public:
    explicit TextBuffer(MenuTree& menu) : menu_(menu) {}

    const SharedText& text() const { return text_; }

    // The one intake rule of open, paste and drop: `text` replaces the buffer, or is appended
    // while 叠加 is ticked, and 清除 and 保存 are offered. True when 自动 is ticked: the buffer
    // is to be read now. The text is moved, not copied: files and drops can be hundreds of
    // megabytes.
    bool takeIn(std::string text);
    // Empties the buffer; 清除 and 保存 are withdrawn.
    void clear();
    void toggleAppend() { toggle(MenuName::mnuadddata); }
    void toggleAutomatic() { toggle(MenuName::mnutd); }

private:
    void toggle(MenuName option);

    MenuTree& menu_;
    SharedText text_;
};

}  // namespace talvoro
