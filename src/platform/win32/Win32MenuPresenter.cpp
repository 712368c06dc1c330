#include "platform/win32/Win32MenuPresenter.h"

#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

MenuHandle newPopup() {
    MenuHandle menu(CreatePopupMenu());
    if (!menu) throw win32Error(GetLastError());
    return menu;
}

void append(HMENU menu, UINT flags, UINT_PTR idOrSubMenu, const std::wstring* caption) {
    if (!AppendMenuW(menu, flags, idOrSubMenu, caption ? caption->c_str() : nullptr))
        throw win32Error(GetLastError());
}

void fill(HMENU menu, const MenuItem& parent, std::vector<MenuItemId>& commands) {
    for (const MenuItem& item : parent.children) {
        if (!item.visible) continue;
        if (item.isSeparator()) {
            append(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const std::wstring caption = utf8ToWide(item.caption);
        const UINT state =
            (item.enabled ? MF_ENABLED : MF_GRAYED) | (item.checked ? MF_CHECKED : MF_UNCHECKED);
        if (!item.children.empty()) {
            MenuHandle sub = newPopup();
            fill(sub.get(), item, commands);
            append(menu, MF_STRING | MF_POPUP | state, reinterpret_cast<UINT_PTR>(sub.get()),
                   &caption);
            sub.release();  // now destroyed with its parent
        } else {
            commands.push_back(item.id());
            append(menu, MF_STRING | state, commands.size(), &caption);
        }
    }
}

}  // namespace

std::optional<MenuItemId> PopupMenu::itemForCommand(UINT commandId) const {
    if (commandId == 0 || commandId > commands.size()) return std::nullopt;
    return commands[commandId - 1];
}

PopupMenu buildPopupMenu(const MenuItem& root) {
    PopupMenu popup{newPopup(), {}};
    fill(popup.handle.get(), root, popup.commands);
    return popup;
}

std::optional<MenuItemId> Win32MenuPresenter::popupMenu(const MenuItem& root) {
    const PopupMenu popup = buildPopupMenu(root);
    POINT at{};
    GetCursorPos(&at);
    // A pop-up only closes on a click elsewhere when its owner is the foreground window.
    SetForegroundWindow(owner_);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        popup.handle.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner_, nullptr));
    // A message after the menu loop keeps the next pop-up from closing at once (a documented
    // quirk of pop-ups opened from a window in the background).
    PostMessageW(owner_, WM_NULL, 0, 0);
    return popup.itemForCommand(chosen);
}

}  // namespace talvoro::win32
