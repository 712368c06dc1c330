#include "platform/win32/Win32WindowManager.h"

namespace talvoro::win32 {
namespace {

HWND hwnd(WindowHandle w) {
    return reinterpret_cast<HWND>(w);
}

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<MONITORINFO>*>(data)->push_back(info);
    return TRUE;
}

}  // namespace

Win32WindowManager::Win32WindowManager(HWND mainWindow, HWND picture)
    : main_(mainWindow), picture_(picture), scale_(screenTwipsPerPixel()) {}

WindowHandle Win32WindowManager::mainWindow() {
    return reinterpret_cast<WindowHandle>(main_);
}
WindowHandle Win32WindowManager::pictureWindow() {
    return reinterpret_cast<WindowHandle>(picture_);
}

void Win32WindowManager::keepOnTop(WindowHandle w) {
    SetWindowPos(hwnd(w), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

// GetWindowLongA and SetWindowLongA return 0 both on failure and for a zero value; only the
// last error tells them apart. A style that cannot be read counts as none, and the layered
// style is written all the same.
bool Win32WindowManager::makeLayered(WindowHandle w) {
    SetLastError(ERROR_SUCCESS);
    const LONG style = GetWindowLongA(hwnd(w), GWL_EXSTYLE);
    bool ok = style != 0 || GetLastError() == ERROR_SUCCESS;
    SetLastError(ERROR_SUCCESS);
    const LONG previous = SetWindowLongA(hwnd(w), GWL_EXSTYLE, style | WS_EX_LAYERED);
    ok = (previous != 0 || GetLastError() == ERROR_SUCCESS) && ok;
    return ok;
}

bool Win32WindowManager::setOpacity(WindowHandle w, std::uint8_t alpha) {
    return SetLayeredWindowAttributes(hwnd(w), 0, alpha, LWA_ALPHA) != FALSE;
}

void Win32WindowManager::clearShape(WindowHandle w) {
    SetWindowRgn(hwnd(w), nullptr, FALSE);
}

void Win32WindowManager::startMove(WindowHandle w) {
    SendMessageA(hwnd(w), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void Win32WindowManager::setCapture(WindowHandle w) {
    SetCapture(hwnd(w));
}
void Win32WindowManager::releaseCapture() {
    ReleaseCapture();
}

RECT Win32WindowManager::windowRect(HWND w) const {
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}

float Win32WindowManager::windowTop() {
    return static_cast<float>(windowRect(main_).top * scale_.y);
}
float Win32WindowManager::windowLeft() {
    return static_cast<float>(windowRect(main_).left * scale_.x);
}

void Win32WindowManager::moveTo(int x, int y) {
    SetWindowPos(main_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32WindowManager::setWindowTop(float twips) {
    moveTo(windowRect(main_).left, twipsToPixels(twips, scale_.y));
}
void Win32WindowManager::setWindowLeft(float twips) {
    moveTo(twipsToPixels(twips, scale_.x), windowRect(main_).top);
}

float Win32WindowManager::width(HWND w) const {
    const RECT r = windowRect(w);
    return static_cast<float>(pixelsToTwips(r.right - r.left, scale_.x));
}
float Win32WindowManager::height(HWND w) const {
    const RECT r = windowRect(w);
    return static_cast<float>(pixelsToTwips(r.bottom - r.top, scale_.y));
}

std::vector<Screen> Win32WindowManager::screens() {
    std::vector<MONITORINFO> monitors;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
    const auto twips = [this](const RECT& r) {
        return ScreenRect{r.left * scale_.x, r.top * scale_.y, (r.right - r.left) * scale_.x,
                          (r.bottom - r.top) * scale_.y};
    };
    std::vector<Screen> result;
    result.reserve(monitors.size());
    for (const MONITORINFO& m : monitors) result.push_back({twips(m.rcMonitor), twips(m.rcWork)});
    return result;
}

// The basket's own close path (WM_CLOSE) runs the unload handler and destroys the window, so
// the close command and a close from the system take the same road.
void Win32WindowManager::unloadMainWindow() {
    SendMessageW(main_, WM_CLOSE, 0, 0);
}

}  // namespace talvoro::win32
