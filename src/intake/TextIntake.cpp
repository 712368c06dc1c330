// The text buffer: taking text in, the append and automatic-reading options, clearing and
// pasting.

#include "app/ErrorPolicy.h"
#include "app/Frmlan.h"

namespace talvoro {

// The text is moved, not copied, into the buffer: files and drops can be hundreds of megabytes.
void Frmlan::TakeInText(std::string text) {
    if (menu_.item(MenuName::mnuadddata).checked)
        TextBuffer += text;
    else
        TextBuffer = std::move(text);
    menu_.item(MenuName::mnudeleteall).enabled = true;
    menu_.item(MenuName::mnusave).enabled = true;
    if (menu_.item(MenuName::mnutd).checked) mnuvoice_Click();
}

void Frmlan::toggleCheck(MenuName name) {
    MenuItem& item = menu_.item(name);
    item.checked = !item.checked;
}

void Frmlan::mnuadddata_Click() { toggleCheck(MenuName::mnuadddata); }
void Frmlan::mnutd_Click() { toggleCheck(MenuName::mnutd); }

void Frmlan::mnudeleteall_Click() {
    TextBuffer.clear();
    menu_.item(MenuName::mnudeleteall).enabled = false;
    menu_.item(MenuName::mnusave).enabled = false;
}

void Frmlan::mnupales_Click() {
    withCommonErrorBox(p_.messages, [&] { TakeInText(p_.clipboard.clipboardText()); });
}

// Only the data counts: a drag carrying no text fails in GetData, before the buffer is touched.
void Frmlan::Picture1_OLEDragDrop(DataObject& Data, std::int32_t&, int, int, float, float) {
    withCommonErrorBox(p_.messages, [&] { TakeInText(Data.GetData(kFormatText)); });
}

// Every drag is let through; over the picture it takes the capture, as ordinary moves do.
void Frmlan::Picture1_OLEDragOver(DataObject&, std::int32_t&, int, int, float X, float Y, int) {
    withCommonErrorBox(p_.messages, [&] { captureWhileOverPicture(X, Y); });
}

}  // namespace talvoro
