#include "platform/qt/X11Move.h"

#include <QGuiApplication>
#include <QWidget>
#include <xcb/xcb.h>

#include <cstring>
#include <memory>

namespace talvoro::qt {
namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Whether the window manager lists the atom in _NET_SUPPORTED.
bool supported(xcb_connection_t* c, xcb_window_t root, xcb_atom_t wanted) {
    const xcb_atom_t netSupported = atom(c, "_NET_SUPPORTED");
    auto cookie = xcb_get_property(c, 0, root, netSupported, XCB_ATOM_ATOM, 0, 4096);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply || reply->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int n = xcb_get_property_value_length(reply.get()) / 4;
    for (int i = 0; i < n; ++i)
        if (atoms[i] == wanted) return true;
    return false;
}

}  // namespace

// Qt's own startSystemMove() cancels the move again as soon as a pointer event that was already
// queued reaches it, which happens whenever the pointer moves fast; so the request is sent here.
bool startWindowManagerMove(QWidget& window, QPoint globalPos) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return false;
    xcb_connection_t* c = x11->connection();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
    const xcb_atom_t moveResize = atom(c, "_NET_WM_MOVERESIZE");
    if (moveResize == XCB_ATOM_NONE || !supported(c, root, moveResize)) return false;

    const qreal scale = window.devicePixelRatioF();
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = static_cast<xcb_window_t>(window.winId());
    ev.type = moveResize;
    ev.data.data32[0] = static_cast<uint32_t>(globalPos.x() * scale);
    ev.data.data32[1] = static_cast<uint32_t>(globalPos.y() * scale);
    ev.data.data32[2] = 8;  // _NET_WM_MOVERESIZE_MOVE
    ev.data.data32[3] = XCB_BUTTON_INDEX_1;
    ev.data.data32[4] = 1;  // a normal application
    // The press gave us the pointer; the window manager takes it from here.
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(c);
    return true;
}

std::optional<QPoint> x11WindowOrigin(QWidget& window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return std::nullopt;
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen) return std::nullopt;
    auto cookie = xcb_translate_coordinates(c, id, screen->root, 0, 0);
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> reply(
        xcb_translate_coordinates_reply(c, cookie, nullptr), &std::free);
    if (!reply) return std::nullopt;
    return QPoint(reply->dst_x, reply->dst_y);
}

}  // namespace talvoro::qt
