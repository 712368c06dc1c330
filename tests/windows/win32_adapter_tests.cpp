// The Windows adapters against the real system calls: run under Wine or on Windows. Prints one
// line per failed check and a summary; the exit code is the number of failed checks.

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Frmlan.h"
#include "intake/FileText.h"
#include "platform/win32/BasketWindow.h"
#include "platform/win32/DropTarget.h"
#include "platform/win32/MessageWindow.h"
#include "platform/win32/RegistrySettings.h"
#include "platform/win32/Win32Clipboard.h"
#include "platform/win32/Win32MenuPresenter.h"
#include "platform/win32/Win32UiThread.h"
#include "platform/win32/Win32WindowManager.h"
#include "platform/win32/WinText.h"
#include "platform/win32/WinUi.h"
#include "platform/win32/Win32AboutBox.h"
#include "platform/win32/Win32FileServices.h"
#include "platform/win32/Win32HelpViewer.h"
#include "platform/win32/Win32SystemServices.h"
#include "speech/sapi/OutsideResources.h"
#include "speech/EngineErrors.h"
#include "speech/sapi/SapiEngine.h"

using namespace talvoro;
using namespace talvoro::win32;

namespace {

int failures = 0;

void check(bool ok, const char* what, int line) {
    if (!ok) {
        ++failures;
        std::printf("  FAILED line %d: %s\n", line, what);
    }
}
#define CHECK(...) check((__VA_ARGS__), #__VA_ARGS__, __LINE__)

template <typename Body>
long errorNumberOf(Body&& body) {
    try {
        body();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

// The message the basket's drop target wakes it with.
constexpr UINT kDropWakeUp = WM_APP + 1;

void pumpUntil(const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    MSG message;
    while (!done() && GetTickCount() - start < 5000) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(1);
    }
}

void pumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    pumpUntil([&] { return GetTickCount() - start >= milliseconds; });
}

// A scratch registry key, deleted afterwards, standing in for HKEY_CURRENT_USER.
class ScratchKey {
public:
    ScratchKey() {
        path_ = L"Software\\TalvoroTests\\" + std::to_wstring(GetCurrentProcessId());
        RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key_, nullptr);
    }
    ~ScratchKey() {
        RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\TalvoroTests");
    }
    HKEY get() const { return key_; }

private:
    std::wstring path_;
    HKEY key_ = nullptr;
};

void textConversions() {
    const std::string chinese =
        "请拖放要朗读的文本至拖放篮中！ \xF0\x9F\x8E\xA7";  // with a surrogate pair
    CHECK(wideToUtf8(utf8ToWide(chinese)) == chinese);
    CHECK(utf8ToWide("朗读") == L"\u6717\u8bfb");
    CHECK(utf8ToWide("").empty() && wideToUtf8(L"").empty());
    // GB2312 bytes of "中文", as a Simplified Chinese system's clipboard holds them.
    CHECK(codePageToUtf8("\xD6\xD0\xCE\xC4", 936) == "中文");

    const AppError notImplemented = hresultError(E_NOTIMPL);
    CHECK(notImplemented.number() == kErrNotImplemented);
    CHECK(!notImplemented.description().empty());
    const AppError missing = win32Error(ERROR_FILE_NOT_FOUND);
    CHECK(missing.number() == -2147024894);  // 0x80070002
    CHECK(!missing.description().empty());
    CHECK(win32Error(ERROR_SUCCESS).number() == static_cast<long>(E_FAIL));
}

MenuItem item(MenuName name, const std::string& caption, int index = kNoIndex) {
    MenuItem m;
    m.name = name;
    m.caption = caption;
    m.index = index;
    return m;
}

std::wstring menuText(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

void popupMenuFromTree() {
    MenuItem root = item(MenuName::mnupopup1, "popup1");
    root.children.push_back(item(MenuName::mnuopen, "打开"));
    MenuItem hidden = item(MenuName::mnuhelp, "隐藏");
    hidden.visible = false;
    root.children.push_back(hidden);
    root.children.push_back(item(MenuName::sp1, "-"));
    MenuItem save = item(MenuName::mnusave, "保存");
    save.enabled = false;
    root.children.push_back(save);
    MenuItem automatic = item(MenuName::mnutd, "自动");
    automatic.checked = true;
    root.children.push_back(automatic);
    MenuItem voices = item(MenuName::mnuvoicetype, "语音");
    voices.enabled = false;
    MenuItem placeholder = item(MenuName::mnumru, "mnumru", 0);
    placeholder.visible = false;
    voices.children.push_back(placeholder);
    MenuItem voice = item(MenuName::mnumru, "Wine Default Voice", 1);
    voice.checked = true;
    voices.children.push_back(voice);
    root.children.push_back(voices);
    MenuItem rates = item(MenuName::mnuyst, "语速");
    rates.children.push_back(item(MenuName::mnuys, "加快", 1));
    rates.children.push_back(item(MenuName::mnuys, "-", 3));
    rates.children.push_back(item(MenuName::mnuys, "正常", 7));
    root.children.push_back(rates);

    const PopupMenu popup = buildPopupMenu(root);
    HMENU menu = popup.handle.get();
    CHECK(GetMenuItemCount(menu) == 6);  // the hidden item left out
    CHECK(menuText(menu, 0) == L"打开");
    CHECK(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
    CHECK(menuText(menu, 2) == L"保存");
    CHECK(GetMenuState(menu, 2, MF_BYPOSITION) & MF_GRAYED);
    CHECK(GetMenuState(menu, 3, MF_BYPOSITION) & MF_CHECKED);
    CHECK(!(GetMenuState(menu, 3, MF_BYPOSITION) & MF_GRAYED));

    HMENU voiceMenu = GetSubMenu(menu, 4);
    CHECK(voiceMenu != nullptr);
    CHECK(GetMenuState(menu, 4, MF_BYPOSITION) & MF_GRAYED);  // a disabled head
    CHECK(GetMenuItemCount(voiceMenu) == 1);
    CHECK(menuText(voiceMenu, 0) == L"Wine Default Voice");
    CHECK(GetMenuState(voiceMenu, 0, MF_BYPOSITION) & MF_CHECKED);
    HMENU rateMenu = GetSubMenu(menu, 5);
    CHECK(GetMenuItemCount(rateMenu) == 3);
    CHECK(GetMenuState(rateMenu, 1, MF_BYPOSITION) & MF_SEPARATOR);

    // Every command leads back to its item, control-array index included.
    const auto idOf = [&](HMENU m, int position) {
        return popup.itemForCommand(GetMenuItemID(m, position));
    };
    CHECK(idOf(menu, 0) == MenuItemId{MenuName::mnuopen, kNoIndex});
    CHECK(idOf(menu, 3) == MenuItemId{MenuName::mnutd, kNoIndex});
    CHECK(idOf(voiceMenu, 0) == MenuItemId{MenuName::mnumru, 1});
    CHECK(idOf(rateMenu, 2) == MenuItemId{MenuName::mnuys, 7});
    CHECK(!popup.itemForCommand(0));  // the menu was dismissed
    CHECK(!popup.itemForCommand(999));
}

void registrySettings() {
    ScratchKey scratch;
    RegistrySettings store(scratch.get());
    CHECK(store.getSetting("Talvoro", "site", "top", "") == "");
    CHECK(store.getSetting("Talvoro", "site", "top", "fallback") == "fallback");

    store.saveSetting("Talvoro", "site", "top", "3000");
    store.saveSetting("Talvoro", "site", "left", "-150");
    CHECK(store.getSetting("Talvoro", "site", "top", "") == "3000");
    CHECK(store.getSetting("Talvoro", "site", "left", "") == "-150");
    store.saveSetting("Talvoro", "site", "top", "中文值");
    CHECK(store.getSetting("Talvoro", "site", "top", "") == "中文值");

    // The layout other tools see: Software\<app>\<section>, REG_SZ values.
    HKEY site = nullptr;
    CHECK(RegOpenKeyExW(scratch.get(), L"Software\\Talvoro\\site", 0, KEY_READ, &site) ==
          ERROR_SUCCESS);
    DWORD type = 0;
    CHECK(RegQueryValueExW(site, L"left", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS);
    CHECK(type == REG_SZ);
    RegCloseKey(site);

    // Values written by other programs: without a final NUL, or of another type.
    HKEY key = nullptr;
    RegCreateKeyExW(scratch.get(), L"Software\\Talvoro\\site", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    const wchar_t digits[] = {L'4', L'5', L'0', L'0'};
    RegSetValueExW(key, L"bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(digits), sizeof digits);
    const DWORD number = 7;
    RegSetValueExW(key, L"number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegCloseKey(key);
    CHECK(store.getSetting("Talvoro", "site", "bare", "") == "4500");
    CHECK(store.getSetting("Talvoro", "site", "number", "none") == "none");

    // A store that cannot be written reports it, with the system's error.
    RegistrySettings broken(reinterpret_cast<HKEY>(static_cast<std::intptr_t>(0x7ead)));
    CHECK(errorNumberOf([&] { broken.saveSetting("Talvoro", "site", "top", "1"); }) ==
          static_cast<long>(HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE)));
}

void clipboardText() {
    MessageWindow owner([](UINT, WPARAM, LPARAM) {});
    Win32Clipboard clipboard(owner.handle());
    const auto put = [&](UINT format, const void* data, std::size_t size) {
        OpenClipboard(owner.handle());
        EmptyClipboard();
        if (format != 0) {
            HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
            std::memcpy(GlobalLock(memory), data, size);
            GlobalUnlock(memory);
            SetClipboardData(format, memory);
        }
        CloseClipboard();
    };

    put(0, nullptr, 0);
    CHECK(clipboard.clipboardText() == "");
    put(CF_TEXT, "hello basket", 13);
    CHECK(clipboard.clipboardText() == "hello basket");
    put(CF_TEXT, " ", 2);  // a single blank is text
    CHECK(clipboard.clipboardText() == " ");
    put(CF_TEXT, "line 1\0hidden", 14);  // the text ends at its first NUL
    CHECK(clipboard.clipboardText() == "line 1");
    // A Unicode program's text reaches the plain-text format through the system's conversion.
    put(CF_UNICODETEXT, L"from unicode", sizeof L"from unicode");
    CHECK(clipboard.clipboardText() == "from unicode");
    const UINT custom = RegisterClipboardFormatW(L"Talvoro test format");
    put(custom, "not text", 9);
    CHECK(clipboard.clipboardText() == "");

    // Another program holding the clipboard open: the read fails and says so.
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        OpenClipboard(nullptr);
        SetEvent(opened);
        WaitForSingleObject(release, 5000);
        CloseClipboard();
    });
    WaitForSingleObject(opened, 5000);
    CHECK(errorNumberOf([&] { clipboard.clipboardText(); }) == 521);
    SetEvent(release);
    holder.join();
    CloseHandle(opened);
    CloseHandle(release);
    CHECK(clipboard.clipboardText() == "");  // readable again once released
}

// Records message boxes instead of showing them; a real box would wait for a user.
struct RecordingBoxes : MessageBoxes {
    std::vector<std::string> titles, texts;
    void messageBox(const std::string& text, int, const std::string& title) override {
        titles.push_back(title);
        texts.push_back(text);
    }
};

void uiThreadQueue() {
    RecordingBoxes boxes;
    Win32UiThread ui(boxes);
    const DWORD uiThread = GetCurrentThreadId();
    std::vector<int> seen;
    bool allOnUiThread = true;
    constexpr int kPerWorker = 200;

    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([&, w] {
            for (int i = 0; i < kPerWorker; ++i)
                ui.post([&, w, i] {
                    allOnUiThread = allOnUiThread && GetCurrentThreadId() == uiThread;
                    seen.push_back(w * kPerWorker + i);
                });
        });
    for (auto& worker : workers) worker.join();
    pumpUntil([&] { return seen.size() == 4 * kPerWorker; });
    CHECK(seen.size() == 4 * kPerWorker);
    CHECK(allOnUiThread);
    bool inOrderPerWorker = true;
    std::vector<int> last(4, -1);
    for (int value : seen) {
        inOrderPerWorker = inOrderPerWorker && value % kPerWorker > last[value / kPerWorker];
        last[value / kPerWorker] = value % kPerWorker;
    }
    CHECK(inOrderPerWorker);

    // A failing piece of work is shown in the common error box and costs nothing else; work that
    // runs a modal loop lets the rest run inside it, still in order; work posted by work runs
    // after it.
    std::vector<std::string> order;
    ui.post([] { throw AppError(5, "x"); });
    ui.post([&] {
        order.push_back("modal start");
        ui.post([&] { order.push_back("posted from work"); });
        pumpUntil([&] { return order.size() >= 3; });
        order.push_back("modal end");
    });
    ui.post([&] { order.push_back("second"); });
    pumpUntil([&] { return order.size() == 4; });
    const std::vector<std::string> expected{"modal start", "second", "posted from work",
                                            "modal end"};
    CHECK(order == expected);
    CHECK(boxes.titles == std::vector<std::string>{"错误信息：5"});
    CHECK(boxes.texts == std::vector<std::string>{"x"});
}

struct FakeMenus : MenuPresenter {
    std::optional<MenuItemId> popupMenu(const MenuItem&) override { return std::nullopt; }
};

struct OneVoiceEngine : SpeechEngine {
    VoiceCollection GetVoices(const std::string&, const std::string&) override {
        return {{"voice"}};
    }
    std::string GetDescription(const VoiceToken&, int) override { return "Voice"; }
    void SetVoice(const VoiceToken&) override {}
    int Rate() override { return 0; }
    void SetRate(int) override {}
    int Volume() override { return 100; }
    void SetVolume(int) override {}
    long Speak(const std::string&, int) override { return 1; }
    void Pause() override {}
    void Resume() override {}
};

// The real file services, with the open dialog answered by the test instead of a user.
struct OpenWithoutDialog : Win32FileServices {
    std::string next;  // the file the "user" picks
    void ShowOpen(CommonDialog& dialog) override { dialog.FileName = next; }
};

// The basket on the real window system driving the core, with recorded message boxes, a
// scratch registry key and an engine of one voice.
struct LiveBasket {
    ScratchKey scratch;
    BasketWindow basket{GetModuleHandleW(nullptr)};
    Win32WindowManager windows{basket.mainWindow(), basket.picture()};
    FakeMenus menus;
    RecordingBoxes boxes;
    Win32Clipboard clipboard{basket.mainWindow()};
    RegistrySettings settings{scratch.get()};
    Win32UiThread ui{boxes};
    OpenWithoutDialog files;
    Win32HelpViewer help;
    Win32AboutBox about{boxes};
    Win32SystemServices system;
    Platform platform{windows, menus, boxes, clipboard, settings, ui, files, help, about, system};
    Frmlan form{platform, [](SpeechEvents&) { return std::make_unique<OneVoiceEngine>(); }, {}};

    ~LiveBasket() { basket.detach(); }

    void load() {
        basket.attach(form, boxes);
        form.Form_Load();
        basket.show();
        // Lets the window manager's activation settle; losing the focus cancels a capture.
        const DWORD shown = GetTickCount();
        pumpUntil([&] { return GetTickCount() - shown > 500; });
    }
};

// What reaches the basket's window as the system's move from a press on a title bar; answered
// here, so that no move starts.
std::vector<std::pair<WPARAM, LPARAM>> captionPresses;
WNDPROC basketProc = nullptr;

LRESULT CALLBACK recordCaptionPress(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCLBUTTONDOWN) {
        captionPresses.emplace_back(wParam, lParam);
        return 0;
    }
    return CallWindowProcW(basketProc, window, message, wParam, lParam);
}

// Each operation of the window manager is the user32 call that does it, seen in what the window
// holds afterwards; on no window at all the ones the core looks at say they failed.
void windowOperations() {
    BasketWindow basket(GetModuleHandleW(nullptr));
    HWND main = basket.mainWindow();
    Win32WindowManager windows(main, basket.picture());
    const auto style = [&] { return GetWindowLongW(main, GWL_EXSTYLE); };

    SetWindowPos(main, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    CHECK(!(style() & WS_EX_TOPMOST));
    windows.keepOnTop(windows.mainWindow());
    CHECK(style() & WS_EX_TOPMOST);

    SetWindowLongW(main, GWL_EXSTYLE, style() & ~WS_EX_LAYERED);
    CHECK(windows.makeLayered(windows.mainWindow()));
    CHECK((style() & WS_EX_LAYERED) && (style() & WS_EX_TOOLWINDOW) && (style() & WS_EX_TOPMOST));
    CHECK(windows.setOpacity(windows.mainWindow(), 128));
    BYTE alpha = 0;
    DWORD flags = 0;
    CHECK(GetLayeredWindowAttributes(main, nullptr, &alpha, &flags) && alpha == 128 &&
          (flags & LWA_ALPHA));
    CHECK(!windows.makeLayered(0));
    CHECK(!windows.setOpacity(0, 255));

    SetWindowRgn(main, CreateRectRgn(0, 0, 10, 10), FALSE);
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    CHECK(GetWindowRgn(main, shape) == SIMPLEREGION);
    windows.clearShape(windows.mainWindow());
    CHECK(GetWindowRgn(main, shape) == ERROR);
    DeleteObject(shape);

    captionPresses.clear();
    basketProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordCaptionPress)));
    windows.startMove(windows.mainWindow());
    SetWindowLongPtrW(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(basketProc));
    CHECK(captionPresses == (std::vector<std::pair<WPARAM, LPARAM>>{{HTCAPTION, 0}}));
}

void basketWindowLife() {
    LiveBasket live;
    BasketWindow& basket = live.basket;
    HWND main = basket.mainWindow();
    Win32WindowManager& windows = live.windows;
    RegistrySettings& settings = live.settings;
    Frmlan& form = live.form;
    settings.saveSetting("Talvoro", "site", "top", "3000");
    settings.saveSetting("Talvoro", "site", "left", "4500");
    live.load();
    CHECK(live.boxes.titles.empty());

    const TwipsPerPixel scale = screenTwipsPerPixel();
    RECT r{};
    GetWindowRect(main, &r);
    CHECK(r.left == twipsToPixels(4500, scale.x) && r.top == twipsToPixels(3000, scale.y));
    const BasketLayout layout = basketLayout(scale);
    CHECK(r.right - r.left == layout.width && r.bottom - r.top == layout.height);
    CHECK(windows.windowLeft() == static_cast<float>(r.left * scale.x));
    const int pictureWidth = layout.picture.width, pictureHeight = layout.picture.height;
    CHECK(windows.pictureWidth() == static_cast<float>(pictureWidth * scale.x));
    CHECK(windows.pictureHeight() == static_cast<float>(pictureHeight * scale.y));
    const LONG exStyle = GetWindowLongW(main, GWL_EXSTYLE);
    CHECK((exStyle & WS_EX_TOPMOST) && (exStyle & WS_EX_LAYERED));
    CHECK(!windows.screens().empty() && windows.screens()[0].whole.width > 0);

    // A stored place far beyond any screen neither crashes nor overflows.
    windows.setWindowTop(1e30f);
    CHECK(std::isfinite(windows.windowTop()));
    windows.setWindowTop(3000);
    CHECK(windows.windowTop() == static_cast<float>(twipsToPixels(3000, scale.y) * scale.y));

    // The basket holding the capture (after a release) passes the pointer on to the picture:
    // a move over the picture gives the capture back to it, one outside releases it.
    SetCapture(main);
    SendMessageW(main, WM_MOUSEMOVE, 0,
                 MAKELPARAM(layout.picture.left + 5, layout.picture.top + 5));
    CHECK(GetCapture() == basket.picture());
    SendMessageW(basket.picture(), WM_MOUSEMOVE, 0, MAKELPARAM(pictureWidth, 0));
    CHECK(GetCapture() == basket.picture());  // the right edge counts as inside
    SendMessageW(basket.picture(), WM_MOUSEMOVE, 0, MAKELPARAM(pictureWidth + 1, 0));
    CHECK(GetCapture() == nullptr);

    // Closing runs the unload handler once, saves the place and ends the message loop.
    windows.setWindowLeft(-150);
    windows.unloadMainWindow();
    CHECK(!IsWindow(main));
    CHECK(settings.getSetting("Talvoro", "site", "left", "") ==
          std::to_string(static_cast<int>(twipsToPixels(-150, scale.x) * scale.x)));
    CHECK(form.voice().empty());
    settings.saveSetting("Talvoro", "site", "left", "unchanged");
    SendMessageW(main, WM_CLOSE, 0, 0);
    CHECK(settings.getSetting("Talvoro", "site", "left", "") == "unchanged");
    MSG quit;
    CHECK(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE);
}

// What another program hands over as a drag's data: plain text (CF_TEXT in an HGLOBAL) made on
// request, formats it only names, or a failure of its own. Every request is recorded; the blocks
// it hands over stay its own, released through pUnkForRelease, which counts the releases.
class FakeDragData final : public IDataObject {
public:
    std::vector<CLIPFORMAT> offered;
    std::string text;                   // the bytes of its CF_TEXT
    std::function<HGLOBAL()> makeText;  // when set, makes the CF_TEXT block instead
    HRESULT failure = S_OK;
    std::vector<FORMATETC> asked;

    FakeDragData() = default;
    FakeDragData(std::vector<CLIPFORMAT> formats, std::string bytes)
        : offered(std::move(formats)), text(std::move(bytes)) {}
    ~FakeDragData() {
        for (HGLOBAL block : blocks_) GlobalFree(block);
    }

    LONG references() const { return references_; }
    int mediaReleased() const { return releaser_.count; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the stack: counts references without ever deleting itself.
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        asked.push_back(*format);
        if (FAILED(failure)) return failure;
        if (std::find(offered.begin(), offered.end(), format->cfFormat) == offered.end())
            return DV_E_FORMATETC;
        if (format->cfFormat != CF_TEXT) return E_UNEXPECTED;  // named, never made
        if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
        HGLOBAL block = makeText ? makeText() : globalBlock(text.data(), text.size() + 1);
        blocks_.push_back(block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = &releaser_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return std::find(offered.begin(), offered.end(), format->cfFormat) == offered.end()
                   ? DV_E_FORMATETC
                   : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

    static HGLOBAL globalBlock(const void* bytes, std::size_t size) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
        return block;
    }

private:
    struct Releaser final : IUnknown {
        int count = 0;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
        ULONG STDMETHODCALLTYPE Release() override {
            ++count;
            return 1;
        }
    };

    LONG references_ = 1;
    Releaser releaser_;
    std::vector<HGLOBAL> blocks_;
};

bool onlyPlainTextAsked(const FakeDragData& data) {
    for (const FORMATETC& f : data.asked)
        if (f.cfFormat != CF_TEXT || f.ptd != nullptr || f.dwAspect != DVASPECT_CONTENT ||
            f.lindex != -1 || f.tymed != TYMED_HGLOBAL)
            return false;
    return !data.asked.empty();
}

const std::string kNoTextDescription = "拖放的数据中没有文本（例如文件或图片）";

void dragDataAsText() {
    FakeDragData hello({CF_TEXT}, "hello");
    CHECK(OleDataObject(&hello).GetData(kFormatText) == "hello");
    CHECK(onlyPlainTextAsked(hello) && hello.asked.size() == 1);
    CHECK(hello.mediaReleased() == 1);  // the block goes back to its owner

    // The system's ANSI code page: 1252 under this Wine, where E9 is "é".
    FakeDragData accented({CF_TEXT}, "caf\xE9");
    if (GetACP() == 1252)
        CHECK(OleDataObject(&accented).GetData(kFormatText) == "caf\xC3\xA9");
    else
        std::printf("  (code page %u: the 1252 text not checked)\n", GetACP());

    // Without a NUL the text ends with the block: this one was cut down from 64 bytes of "x",
    // which still lie beyond its end.
    FakeDragData unterminated({CF_TEXT}, "");
    unterminated.makeText = [] {
        const std::string full(64, 'x');
        HGLOBAL block = FakeDragData::globalBlock(full.data(), full.size());
        std::memcpy(GlobalLock(block), "abcde", 5);
        GlobalUnlock(block);
        return GlobalReAlloc(block, 5, GMEM_MOVEABLE);
    };
    CHECK(OleDataObject(&unterminated).GetData(kFormatText) == "abcde");

    // Files, pictures and the like: no text, in the words the Linux edition uses too. Only the
    // plain text is asked for, never the file list or the Unicode text beside it.
    const auto noTextFrom = [](FakeDragData& data) {
        try {
            OleDataObject(&data).GetData(kFormatText);
        } catch (const AppError& e) {
            return e.number() == kErrNoSuchFormat && e.description() == kNoTextDescription;
        }
        return false;
    };
    FakeDragData files({CF_HDROP, CF_UNICODETEXT}, "");
    CHECK(noTextFrom(files));
    CHECK(onlyPlainTextAsked(files));
    FakeDragData nothing;
    CHECK(noTextFrom(nothing));
    FakeDragData textInAnotherMedium({CF_TEXT}, "unreachable");
    textInAnotherMedium.failure = DV_E_TYMED;
    CHECK(noTextFrom(textInAnotherMedium));
    CHECK(errorNumberOf([&] { OleDataObject(&hello).GetData(CF_UNICODETEXT); }) ==
          kErrNoSuchFormat);
    CHECK(hello.asked.size() == 1);  // other formats are refused without asking

    // Any other failure of the source is its own error.
    FakeDragData gone({CF_TEXT}, "text");
    gone.failure = RPC_E_DISCONNECTED;
    CHECK(errorNumberOf([&] { OleDataObject(&gone).GetData(kFormatText); }) ==
          static_cast<long>(RPC_E_DISCONNECTED));
    CHECK(files.mediaReleased() == 0 && gone.mediaReleased() == 0);
}

// The picture's top-left corner on the screen, plus an offset in pixels.
POINTL onPicture(HWND picture, int dx, int dy) {
    POINT origin{0, 0};
    ClientToScreen(picture, &origin);
    return {origin.x + dx, origin.y + dy};
}

void dropsOnTheBasket() {
    auto live = std::make_unique<LiveBasket>();
    live->load();
    HWND picture = live->basket.picture();
    IDropTarget* target = live->basket.dropTarget();
    const PixelRect edges = basketLayout(screenTwipsPerPixel()).picture;
    const int pictureWidth = edges.width, pictureHeight = edges.height;
    CHECK(target != nullptr);
    if (!target) return;
    target->AddRef();  // kept past the basket, to see every other reference let go

    // The picture is registered: a second registration is refused.
    CHECK(RegisterDragDrop(picture, target) == DRAGDROP_E_ALREADYREGISTERED);

    // A drag over the picture takes the capture, its right and bottom edges included, and is
    // answered with a copy whatever it carries; past the edge the capture is let go.
    FakeDragData files({CF_HDROP}, "");
    const DWORD copyOrMove = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    DWORD effect = copyOrMove;
    CHECK(target->DragEnter(&files, MK_LBUTTON, onPicture(picture, pictureWidth, pictureHeight),
                            &effect) == S_OK);
    CHECK(effect == DROPEFFECT_COPY);
    CHECK(GetCapture() == picture);
    CHECK(files.references() > 1);  // held while the drag lasts
    effect = copyOrMove;
    target->DragOver(MK_LBUTTON, onPicture(picture, pictureWidth + 1, 0), &effect);
    CHECK(GetCapture() == nullptr);
    CHECK(effect == DROPEFFECT_COPY);
    effect = DROPEFFECT_MOVE | DROPEFFECT_LINK;
    target->DragOver(MK_LBUTTON, onPicture(picture, 0, pictureHeight), &effect);
    CHECK(GetCapture() == picture);
    CHECK(effect == (DROPEFFECT_MOVE | DROPEFFECT_LINK));  // no copy allowed: as proposed
    effect = copyOrMove;
    target->DragOver(MK_LBUTTON, onPicture(picture, -1, 5), &effect);
    CHECK(GetCapture() == nullptr);
    CHECK(target->DragLeave() == S_OK);
    CHECK(files.references() == 1);
    CHECK(files.asked.empty());  // passing over, nothing is transferred
    CHECK(live->boxes.titles.empty());

    // Any program can send the basket the message that wakes it for drops, with anything in it:
    // nothing it carries is trusted, and with no drop kept it does nothing.
    HWND main = live->basket.mainWindow();
    int onStack = 0;
    SendMessageW(main, kDropWakeUp, 0, static_cast<LPARAM>(0xDEADBEEF));
    SendMessageW(main, kDropWakeUp, ~WPARAM{0}, reinterpret_cast<LPARAM>(&onStack));
    PostMessageW(main, kDropWakeUp, 1, reinterpret_cast<LPARAM>(main));
    pumpFor(200);
    CHECK(IsWindow(main) && live->form.buffer().text().str().empty() && live->boxes.titles.empty());

    // A drop takes the data at once and reports a copy; the text reaches the buffer once the
    // source has been answered.
    FakeDragData hello({CF_TEXT, CF_UNICODETEXT}, "hello");
    effect = copyOrMove;
    target->DragEnter(&hello, MK_LBUTTON, onPicture(picture, 10, 10), &effect);
    effect = copyOrMove;
    CHECK(target->Drop(&hello, MK_LBUTTON, onPicture(picture, 10, 10), &effect) == S_OK);
    CHECK(effect == DROPEFFECT_COPY);
    CHECK(onlyPlainTextAsked(hello) && hello.mediaReleased() == 1);
    CHECK(hello.references() == 1);  // not held past the drop
    CHECK(live->form.buffer().text().str().empty());
    pumpUntil([&] { return !live->form.buffer().text().str().empty(); });
    CHECK(live->form.buffer().text().str() == "hello");

    // A stranger's wake-up that comes first hands a kept drop over early; the drop's own
    // wake-up then finds nothing, so the text is taken in once (叠加 ticked: twice would show).
    live->form.mnuadddata_Click();
    effect = copyOrMove;
    target->Drop(&hello, MK_LBUTTON, onPicture(picture, 10, 10), &effect);
    SendMessageW(main, kDropWakeUp, 0, static_cast<LPARAM>(0x1));
    CHECK(live->form.buffer().text().str() == "hellohello");
    pumpFor(200);
    CHECK(live->form.buffer().text().str() == "hellohello");
    live->form.mnuadddata_Click();

    // A drop without text: the common error box, the buffer kept.
    FakeDragData noText({CF_HDROP}, "");
    effect = DROPEFFECT_COPY;
    target->Drop(&noText, MK_LBUTTON, onPicture(picture, 10, 10), &effect);
    pumpUntil([&] { return !live->boxes.titles.empty(); });
    CHECK(live->boxes.titles == std::vector<std::string>{"错误信息：-2147221404"});
    CHECK(live->boxes.texts == std::vector<std::string>{kNoTextDescription});
    CHECK(live->form.buffer().text().str() == "hellohello");

    // A source failing otherwise shows its own error number.
    FakeDragData failing({CF_TEXT}, "text");
    failing.failure = E_OUTOFMEMORY;
    target->Drop(&failing, MK_LBUTTON, onPicture(picture, 10, 10), &effect);
    pumpUntil([&] { return live->boxes.titles.size() > 1; });
    CHECK(live->boxes.titles.size() == 2 && live->boxes.titles[1] == "错误信息：-2147024882");

    // Closing revokes the registration: once the basket is gone, only our reference is left.
    live->windows.unloadMainWindow();
    live.reset();
    CHECK(target->Release() == 0);
}

struct CountingEvents : SpeechEvents {
    int starts = 0, ends = 0;
    void Voice_StartStream() override { ++starts; }
    void Voice_EndStream() override { ++ends; }
};

bool underWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Wine 8's speech service: the voice object is made and its voices are listed, but every call
// on the voice is a stub answering E_NOTIMPL. The program relies on exactly that: the engine is
// still created (the missing stream events are tolerated), a failed Speak is the read command's
// silent reset, and the failed rate at start-up its one error box.
void sapiStubs(SpeechEngine& engine, CountingEvents& events) {
    const long notImplemented = kErrNotImplemented;
    CHECK(errorNumberOf([&] {
              engine.Speak("<speak>hello</speak>", kSvsfAsync | kSvsfPurgeBeforeSpeak | kSvsfIsXml);
          }) == notImplemented);
    CHECK(errorNumberOf([&] { engine.Speak("", kSvsfPurgeBeforeSpeak); }) == notImplemented);
    CHECK(errorNumberOf([&] { engine.SetRate(5); }) == notImplemented);
    CHECK(errorNumberOf([&] { engine.SetVolume(100); }) == notImplemented);
    CHECK(errorNumberOf([&] { engine.Rate(); }) == notImplemented);
    CHECK(errorNumberOf([&] { engine.Pause(); }) == notImplemented);
    CHECK(errorNumberOf([&] { engine.Resume(); }) == notImplemented);
    pumpFor(300);
    CHECK(events.starts == 0 && events.ends == 0);
}

// A real speech service: each stream is reported started and ended on this thread, a purge
// included, and rate and volume read back as set.
void sapiSpeaking(SpeechEngine& engine, CountingEvents& events) {
    engine.SetRate(3);
    CHECK(engine.Rate() == 3);
    engine.SetVolume(40);
    CHECK(engine.Volume() == 40);
    engine.SetRate(0);
    engine.SetVolume(100);

    CHECK(engine.Speak("<silence msec=\"10\"/>ok",
                       kSvsfAsync | kSvsfPurgeBeforeSpeak | kSvsfIsXml) > 0);
    pumpUntil([&] { return events.ends >= 1; });
    CHECK(events.starts == 1 && events.ends == 1);

    // A long reading cut off by the stop command's purge still ends its stream.
    engine.Speak(std::string(200, 'a') + " " + std::string(200, 'b'), kSvsfAsync);
    pumpUntil([&] { return events.starts >= 2; });
    engine.Speak("", kSvsfPurgeBeforeSpeak);
    pumpUntil([&] { return events.ends >= events.starts && events.starts >= 2; });
    CHECK(events.starts >= 2 && events.ends == events.starts);
}

void sapiEngine() {
    CountingEvents events;
    std::unique_ptr<SpeechEngine> engine;
    try {
        engine = createSapiEngine(events);
    } catch (const AppError& e) {
        std::printf("  the speech service cannot be created: %ld %s\n", e.number(), e.what());
        CHECK(!"the speech service can be created");
        return;
    }
    const VoiceCollection voices = engine->GetVoices("", "");
    CHECK(!voices.empty());
    if (!voices.empty()) CHECK(!engine->GetDescription(voices.front(), 0).empty());
    CHECK(errorNumberOf([&] { engine->GetDescription({"no such voice"}, 0); }) < 0);

    // Out-of-range values are refused before they reach the service, with the number the Linux
    // engine gives them too.
    CHECK(errorNumberOf([&] { engine->SetRate(11); }) == kErrInvalidArgument);
    CHECK(errorNumberOf([&] { engine->SetRate(-11); }) == kErrInvalidArgument);
    CHECK(errorNumberOf([&] { engine->SetVolume(101); }) == kErrInvalidArgument);
    CHECK(errorNumberOf([&] { engine->SetVolume(-1); }) == kErrInvalidArgument);

    if (underWine())
        sapiStubs(*engine, events);
    else
        sapiSpeaking(*engine, events);
}

// What would make the speech service fetch a file or an address is taken out of markup before
// it is spoken; the service's own tags and everything else stay as written.
void markupNamingOutsideResources() {
    using sapi::namesOutsideResources;
    using sapi::withoutOutsideResources;
    const std::string own =
        "<volume level=\"50\">a</volume><rate speed=\"-5\"/><voice required=\"Gender=Female\">"
        "b</voice><silence msec=\"200\"/><spell>c</spell> a<b & c <pron sym=\"h eh 1\"/>";
    CHECK(!namesOutsideResources(own) && withoutOutsideResources(own) == own);
    CHECK(withoutOutsideResources("<audiobook>x</audiobook><p>y</p>") ==
          "<audiobook>x</audiobook><p>y</p>");

    // <audio> goes and its fallback words stay; <lexicon> goes; the document is kept.
    const std::string speak =
        "<speak version=\"1.0\" xmlns=\"http://www.w3.org/2001/10/synthesis\" xml:lang=\"zh-CN\">";
    CHECK(withoutOutsideResources(
              speak + "<lexicon uri=\"http://example.com/words.pls\"/>"
                      "<audio src=\"C:\\Windows\\Media\\ding.wav\">叮</audio>好</speak>") ==
          speak + "  叮 好</speak>");
    // In any letter case, under any prefix, empty or not, whatever the spacing.
    for (const char* tag :
         {"<AUDIO SRC='file:///C:/x.wav'/>", "<ssml:audio src=\"\\\\server\\share\\x.wav\">",
          "<Lexicon\n uri=\"x.pls\" />", "</audio>", "</ audio>", "< audio src=\"x\">",
          "<audio src=x>", "<x:lexicon uri='a'></x:lexicon>"}) {
        const std::string text = speak + "a" + tag + "b</speak>";
        CHECK(namesOutsideResources(text));
        CHECK(!namesOutsideResources(withoutOutsideResources(text)));
    }

    // Declarations name outside subsets and entities: they go, with their internal subset.
    CHECK(withoutOutsideResources(
              "<?xml version=\"1.0\"?><!DOCTYPE speak SYSTEM \"http://example.com/s.dtd\" "
              "[<!ENTITY e SYSTEM \"file:///C:/secret.txt\">]><speak>&e;</speak>") ==
          "<speak>&e;</speak>");
    // Comments and processing instructions are nothing to the service; CDATA stays as text.
    CHECK(withoutOutsideResources("<!-- <audio src=\"a\"/> --><speak><![CDATA[<x> & y]]>"
                                  "<?pi <audio src='b'/>?></speak>") ==
          "<speak>&lt;x> &amp; y</speak>");

    // Nothing taken out joins its neighbours into a new tag: a '<' that starts no markup is
    // written as text, and so is one inside an attribute's value.
    CHECK(withoutOutsideResources("<<audio src=\"a\"/>audio src=\"b\"/>") ==
          "&lt; audio src=\"b\"/>");
    CHECK(withoutOutsideResources("<a<audio/>udio src=\"c\">") == "&lt;a udio src=\"c\">");
    CHECK(withoutOutsideResources("<voice optional=\"<audio src='d'/>\">x</voice><audio/>") ==
          "<voice optional=\"&lt;audio src='d'/>\">x</voice> ");
    CHECK(withoutOutsideResources("<!<!DOCTYPE x>DOCTYPE y SYSTEM \"e\">") ==
          "&lt;!DOCTYPE y SYSTEM \"e\">");

    // The same from every mixture of the pieces such markup is made of.
    const char* pieces[] = {
        "<", "/", "!",  "audio", "LEXICON", "DOCTYPE", "x:",        " ", "src=", "\"",
        "'", ">", "/>", "--",    "[",       "]]>",     "<![CDATA[", "?", "a",    "&"};
    unsigned seed = 12345;
    int leaks = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = 0; n < 12; ++n) {
            seed = seed * 1103515245u + 12345u;
            text += pieces[(seed >> 16) % std::size(pieces)];
        }
        if (namesOutsideResources(withoutOutsideResources(text))) {
            if (++leaks == 1) std::printf("  left in: %s\n", text.c_str());
        }
    }
    CHECK(leaks == 0);

    // What Speak hands SAPI: markup is cut only where SAPI reads markup, and is then read as
    // markup; NULs are blanks either way.
    const std::string audio = "<audio src=\"x.wav\">a</audio>b";
    const auto forSpeaking = [](const std::string& text, unsigned flags) {
        return std::make_pair(sapi::textForSpeaking(text, flags), flags);
    };
    using Spoken = std::pair<std::string, unsigned>;
    CHECK(forSpeaking(audio, 11) == Spoken(" a b", 11));
    CHECK(forSpeaking(audio, 1) == Spoken(" a b", 9));                 // begins with a tag
    CHECK(forSpeaking(" \r\n" + audio, 0) == Spoken(" \r\n a b", 8));  // blanks before it
    CHECK(forSpeaking("x" + audio, 0) == Spoken("x" + audio, 0));  // plain text: said as written
    CHECK(forSpeaking(audio, 16) == Spoken(audio, 16));
    // A NUL would end what SAPI reads: read as a blank, also where it stands in a tag.
    CHECK(forSpeaking(std::string("a\0b<audio\0src='y'/>", 19), 8) == Spoken("a b ", 8));
    CHECK(forSpeaking(std::string("<rate speed=\"2\"/>\0", 18), 11) ==
          Spoken("<rate speed=\"2\"/> ", 11));
}

// A folder of its own under the temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"talvoro-files-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        for (const std::wstring& name : names()) {
            const std::wstring file = path_ + L"\\" + name;
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file.c_str());
        }
        RemoveDirectoryW(path_.c_str());
    }
    std::string file(const char* name) const { return wideToUtf8(path_) + "\\" + name; }
    std::vector<std::wstring> names() const {
        std::vector<std::wstring> out;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return out;
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") out.push_back(name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return out;
    }

private:
    std::wstring path_;
};

void textFilesEncoding() {
    // A Simplified Chinese system's code page, whatever this system's is.
    Win32FileServices chinese(nullptr, 936);
    CHECK(chinese.ansiToText("\xD6\xD0\xCE\xC4\r\n") == "中文\r\n");
    CHECK(chinese.textToAnsi("中文") == std::optional<std::string>("\xD6\xD0\xCE\xC4"));
    CHECK(!chinese.textToAnsi("中文 한국어"));  // no Hangul in code page 936
    CHECK(fileBytesOf(chinese, "中文\r\n") == "\xD6\xD0\xCE\xC4\r\n");
    CHECK(fileBytesOf(chinese, "한국어\r\n") == "\xEF\xBB\xBF한국어\r\n");
    // A marked file goes by its mark, not by the code page.
    CHECK(fileTextOf(chinese, "\xEF\xBB\xBF中文") == "中文");
    CHECK(fileTextOf(chinese, std::string("\xFF\xFE\x2D\x4E\x87\x65", 6)) == "中文");
    CHECK(fileTextOf(chinese, std::string("\xFE\xFF\x4E\x2D\x65\x87", 6)) == "中文");

    Win32FileServices western(nullptr, 1252);
    CHECK(western.ansiToText("caf\xE9") == "café");
    CHECK(western.textToAnsi("café") == std::optional<std::string>("caf\xE9"));
    CHECK(!western.textToAnsi("\xC4\x81"));  // ā, which a best fit would write as a

    Win32FileServices system;
    const std::optional<std::string> plain = system.textToAnsi("plain text\r\n");
    CHECK(plain && system.ansiToText(*plain) == "plain text\r\n");
}

void textFilesOnDisk() {
    ScratchFolder folder;
    Win32FileServices files;
    const std::string path = folder.file("saved.txt");
    files.replaceFile(path, "first\r\n");
    CHECK(files.readWholeFile(path) == "first\r\n");
    files.replaceFile(path, "second");
    CHECK(files.readWholeFile(path) == "second");
    CHECK(folder.names() == std::vector<std::wstring>{L"saved.txt"});
    files.replaceFile(folder.file("empty.txt"), "");
    CHECK(files.readWholeFile(folder.file("empty.txt")).empty());

    // A file another program holds without sharing cannot be replaced: the new text was written
    // by then, yet the old file stays as it was and the new copy goes.
    HANDLE held = CreateFileW(utf8ToWide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE);
    CHECK(errorNumberOf([&] { files.replaceFile(path, std::string(100000, 'x')); }) == 70);
    CloseHandle(held);
    CHECK(files.readWholeFile(path) == "second");
    CHECK(folder.names().size() == 2);

    // Read-only files are refused, not moved over.
    SetFileAttributesW(utf8ToWide(path).c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(errorNumberOf([&] { files.replaceFile(path, "lost"); }) == 70);
    CHECK(files.readWholeFile(path) == "second");

    CHECK(errorNumberOf([&] { files.readWholeFile(folder.file("missing.txt")); }) == 53);
    CHECK(errorNumberOf([&] { files.replaceFile(folder.file("missing\\x.txt"), "x"); }) == 76);

    // On a small drive (the Wine test maps one when it can), a save larger than the free space
    // fails as a full disk and leaves the old file whole.
    if (const char* drive = std::getenv("TALVORO_SMALL_DRIVE"); drive && *drive) {
        const std::string small = std::string(drive) + "\\old.txt";
        files.replaceFile(small, "the old text");
        CHECK(errorNumberOf([&] { files.replaceFile(small, std::string(1 << 20, 'n')); }) == 61);
        CHECK(files.readWholeFile(small) == "the old text");
        std::printf("  (a full disk checked on %s)\n", drive);
    }
}

// Opening what is no file on a disk: a pipe, whose read would wait for its writer; NUL, which
// reads as empty; a folder; and, where the Wine test makes one, a file that is a link to
// /dev/zero, which never ends. Each is refused with the open command's error box before a byte
// is read, and the buffer keeps its text.
void openingWhatIsNoFile() {
    LiveBasket live;
    live.load();
    live.form.TakeInText("kept");
    ScratchFolder folder;

    const std::wstring pipeName =
        L"\\\\.\\pipe\\talvoro-open-" + std::to_wstring(GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0,
                                   0, nullptr);
    CHECK(pipe != INVALID_HANDLE_VALUE);
    // Should the open wait on the pipe, this writer ends the wait and says so.
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool pipeHeldTheOpen = false;
    std::thread writer([&] {
        if (WaitForSingleObject(opened, 10000) == WAIT_OBJECT_0) return;
        pipeHeldTheOpen = true;
        DWORD put = 0;
        WriteFile(pipe, "from the pipe", 13, &put, nullptr);
        DisconnectNamedPipe(pipe);
    });

    std::string folderPath = folder.file("");
    folderPath.pop_back();
    std::vector<std::string> paths{wideToUtf8(pipeName), "NUL", folderPath};
    if (const char* link = std::getenv("TALVORO_DEVICE_LINK"); link && *link) paths.push_back(link);
    for (const std::string& path : paths) {
        live.boxes.titles.clear();
        live.boxes.texts.clear();
        live.files.next = path;
        live.form.mnuopen_Click();
        const bool refused = live.boxes.titles == std::vector<std::string>{"错误信息：75"} &&
                             live.boxes.texts == std::vector<std::string>{"路径/文件访问错误"};
        if (!refused) std::printf("  opening %s was not refused\n", path.c_str());
        CHECK(refused);
        CHECK(live.form.buffer().text().str() == "kept");
    }
    SetEvent(opened);
    writer.join();
    CHECK(!pipeHeldTheOpen);
    CloseHandle(opened);
    CloseHandle(pipe);

    // A file on the disk opens as ever.
    const std::string story = folder.file("story.txt");
    live.files.replaceFile(story, "once\r\nupon");
    live.files.next = story;
    live.form.mnuopen_Click();
    CHECK(live.form.buffer().text().str() == "\r\nonce\r\nupon");
}

}  // namespace

int main() {
    OleInitialize(nullptr);
    const std::pair<const char*, void (*)()> groups[] = {
        {"text and error conversions", textConversions},
        {"window manager operations", windowOperations},
        {"pop-up menu from the menu tree", popupMenuFromTree},
        {"registry settings", registrySettings},
        {"clipboard text", clipboardText},
        {"user-interface thread queue", uiThreadQueue},
        {"basket window life", basketWindowLife},
        {"drag data as text", dragDataAsText},
        {"drops on the basket", dropsOnTheBasket},
        {"SAPI engine", sapiEngine},
        {"markup naming outside resources", markupNamingOutsideResources},
        {"text file encodings", textFilesEncoding},
        {"text files on disk", textFilesOnDisk},
        {"opening what is no file", openingWhatIsNoFile},
    };
    for (const auto& [name, run] : groups) {
        const int before = failures;
        try {
            run();
        } catch (const std::exception& e) {
            ++failures;
            std::printf("  FAILED: unexpected error: %s\n", e.what());
        }
        std::printf("%s %s\n", failures == before ? "ok  " : "FAIL", name);
    }
    std::printf("%d failed check(s)\n", failures);
    OleUninitialize();
    return failures;
}
