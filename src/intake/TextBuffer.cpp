#include "intake/TextBuffer.h"

namespace talvoro {

bool TextBuffer::takeIn(std::string text) {
    if (menu_.item(MenuName::mnuadddata).checked)
        text_ += text;
    else
        text_ = std::move(text);
    menu_.item(MenuName::mnudeleteall).enabled = true;
    menu_.item(MenuName::mnusave).enabled = true;
    return menu_.item(MenuName::mnutd).checked;
}

void TextBuffer::clear() {
    text_.clear();
    menu_.item(MenuName::mnudeleteall).enabled = false;
    menu_.item(MenuName::mnusave).enabled = false;
}

void TextBuffer::toggle(MenuName option) {
    MenuItem& item = menu_.item(option);
    item.checked = !item.checked;
}

}  // namespace talvoro
