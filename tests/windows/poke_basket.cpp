// Another program on the desktop sending the basket's own message numbers with made-up contents,
// as any program may: to the basket window and the program's message windows, found by their
// class names, and with --broadcast to every top-level window as well. Prints what it reached;
// the exit code is 1 when it found no basket.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Pointers that point nowhere, into this process, and the plain numbers a careless program sends.
std::vector<LPARAM> madeUpContents() {
    static int local = 0;
    return {static_cast<LPARAM>(0xDEADBEEF), 1, -1, reinterpret_cast<LPARAM>(&local),
            static_cast<LPARAM>(0x10000)};
}

int poke(HWND window) {
    int sent = 0;
    for (UINT message = WM_APP; message <= WM_APP + 3; ++message)
        for (LPARAM lParam : madeUpContents()) {
            DWORD_PTR result = 0;
            if (SendMessageTimeoutW(window, message, static_cast<WPARAM>(lParam), lParam,
                                    SMTO_ABORTIFHUNG, 5000, &result))
                ++sent;
            PostMessageW(window, message, 0, lParam);
        }
    return sent;
}

}  // namespace

int main(int argc, char** argv) {
    const bool broadcast = argc > 1 && std::strcmp(argv[1], "--broadcast") == 0;
    int baskets = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"Talvoro.Frmlan", nullptr));) {
        std::printf("basket %p: %d messages answered\n", static_cast<void*>(w), poke(w));
        ++baskets;
    }
    for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, L"Talvoro.MessageWindow", nullptr));)
        std::printf("message window %p: %d messages answered\n", static_cast<void*>(w), poke(w));
    if (broadcast)
        for (LPARAM lParam : madeUpContents())
            for (UINT message = WM_APP; message <= WM_APP + 3; ++message)
                PostMessageW(HWND_BROADCAST, message, 0, lParam);
    return baskets > 0 ? 0 : 1;
}
