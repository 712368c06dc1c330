// The Windows edition's entry point: OLE, the basket window, the platform adapters, the core's
// main window and the message loop.

#include <windows.h>

#include "app/Frmlan.h"
#include "platform/win32/BasketWindow.h"
#include "platform/win32/RegistrySettings.h"
#include "platform/win32/Win32Clipboard.h"
#include "platform/win32/Win32MenuPresenter.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "platform/win32/Win32UiThread.h"
#include "platform/win32/Win32WindowManager.h"
#include "platform/win32/WinText.h"
#include "platform/win32/Win32AboutBox.h"
#include "platform/win32/Win32FileServices.h"
#include "platform/win32/Win32HelpViewer.h"
#include "platform/win32/Win32SystemServices.h"
#include "provision/Provisioning.h"
#include "speech/sapi/SapiEngine.h"

namespace {

// OLE on the user-interface thread: the single-threaded COM apartment the speech engine lives in,
// and the drag and drop the basket picture takes text by.
class OleApartment {
public:
    OleApartment() : hr_(OleInitialize(nullptr)) {}
    ~OleApartment() {
        if (SUCCEEDED(hr_)) OleUninitialize();
    }
    OleApartment(const OleApartment&) = delete;
    OleApartment& operator=(const OleApartment&) = delete;

private:
    HRESULT hr_;
};

// Enter, Esc and Tab in the modeless About box are the dialog manager's.
int runMessageLoop(talvoro::win32::Win32AboutBox& about) {
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        if (about.preTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int run(HINSTANCE instance) {
    using namespace talvoro;
    using namespace talvoro::win32;

    OleApartment ole;
    BasketWindow basket(instance);
    Win32WindowManager windows(basket.mainWindow(), basket.picture());
    Win32MenuPresenter menus(basket.mainWindow());
    Win32MessageBoxes messages(basket.mainWindow());
    Win32Clipboard clipboard(basket.mainWindow());
    RegistrySettings settings;
    Win32UiThread ui(messages);
    Win32FileServices files(basket.mainWindow());
    Win32HelpViewer help;
    Win32AboutBox about(messages);
    Win32SystemServices system;
    Platform platform{windows, menus, messages, clipboard, settings,
                      ui,      files, help,     about,     system};

    Frmlan form(platform, createSapiEngine, [&system] { Save_Reg_Sapi(system); });
    basket.attach(form, messages);
    form.Form_Load();
    basket.show();
    int exitCode = runMessageLoop(about);
    // The basket has gone; an About box still open keeps the program until it closes too.
    if (about.isOpen()) {
        about.quitWhenClosed();
        exitCode = runMessageLoop(about);
    }
    // So does an open help viewer; whichever of the two closes last ends it.
    while (help.isOpen()) {
        help.quitWhenClosed();
        exitCode = runMessageLoop(about);
    }
    basket.detach();
    return exitCode;
}

void reportFatal(const std::string& description) {
    try {
        const std::wstring text = talvoro::win32::utf8ToWide(description);
        MessageBoxW(nullptr, text.c_str(), L"Talvoro", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxW(nullptr, L"Talvoro", L"Talvoro", MB_OK | MB_ICONERROR);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return run(instance);
    } catch (const std::exception& e) {
        // Only the basket's own creation fails this way; everything later has its own policy.
        reportFatal(e.what());
        return 1;
    }
}
