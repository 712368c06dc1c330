// Provisioning and the help viewer against the real system calls: run under Wine or on Windows.
// Provisioning runs against a stand-in system directory whose regsvr32.exe is this program,
// which, started under that name, only writes down how it was started. Prints one line per
// failed check and a summary; the exit code is the number of failed checks.

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "docs/Frmhelp.h"
#include "platform/win32/Win32HelpViewer.h"
#include "platform/win32/Win32SystemServices.h"
#include "platform/win32/WinText.h"
#include "provision/Provisioning.h"

using namespace talvoro;
using namespace talvoro::win32;

namespace {

namespace fs = std::filesystem;

int failures = 0;
int checks = 0;

void check(bool ok, const char* what, int line) {
    ++checks;
    if (!ok) {
        ++failures;
        std::printf("  FAILED line %d: %s\n", line, what);
    }
}
#define CHECK(...) check((__VA_ARGS__), #__VA_ARGS__, __LINE__)

constexpr const wchar_t* kRecordName = L"registration.txt";

std::wstring folderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring ownPath() {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::wstring(buffer, n);
}

// Started as the stand-in registration tool: writes the command line and the show state it was
// given beside itself.
bool startedAsRegistrationTool() {
    std::wstring self = ownPath();
    for (auto& c : self) c = static_cast<wchar_t>(towlower(c));
    return self.size() >= 13 && self.compare(self.size() - 13, 13, L"\\regsvr32.exe") == 0;
}

int recordStart() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    std::ofstream out(fs::path(folderOf(ownPath()) + L"\\" + kRecordName), std::ios::binary);
    out << wideToUtf8(GetCommandLineW()) << "\n" << show << "\n";
    return 0;
}

std::string readFile(const std::string& path) {
    std::ifstream in(fs::path(utf8ToWide(path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(fs::path(utf8ToWide(path)), std::ios::binary) << text;
}

bool exists(const std::string& path) {
    return GetFileAttributesW(utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool waitFor(const std::function<bool()>& done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(20);
    }
    return true;
}

std::string makeFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return wideToUtf8(folder);
}

std::string asText(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

void testProvisioning() {
    std::printf("provisioning against a stand-in system directory\n");
    // Blanks in the path: the command line must keep both paths whole.
    const std::string dir = makeFolder(L"talvoro sys 32 ");
    const std::string runtime = dir + "\\sapi.dll";
    const std::string record = wideToUtf8(kRecordName);
    CHECK(CopyFileW(ownPath().c_str(), utf8ToWide(dir + "\\regsvr32.exe").c_str(), FALSE));
    Win32SystemServices system(GetModuleHandleW(nullptr), dir);
    const std::string carried = asText(system.loadResource(kSapiRuntimeResource, "CUSTOM"));
    CHECK(carried.size() > 1000);

    // A runtime of any kind already there: nothing is written or started.
    writeFile(runtime, "an old build");
    Save_Reg_Sapi(system);
    Sleep(1500);
    CHECK(readFile(runtime) == "an old build");
    CHECK(!exists(dir + "\\" + record));

    // None there: written whole, then the tool started, minimized, with both paths quoted.
    DeleteFileW(utf8ToWide(runtime).c_str());
    Save_Reg_Sapi(system);
    CHECK(readFile(runtime) == carried);
    CHECK(waitFor(
        [&] {
            return readFile(dir + "\\" + record).find('\n') != std::string::npos &&
                   readFile(dir + "\\" + record).back() == '\n';
        },
        20000));
    const std::string started = readFile(dir + "\\" + record);
    const std::string expected =
        "\"" + dir + "\\regsvr32.exe\" \"" + runtime + "\"\n" + std::to_string(kShowMinimized);
    CHECK(started.rfind(expected, 0) == 0);
    if (started.rfind(expected, 0) != 0) std::printf("  started as: %s\n", started.c_str());

    // A system directory that cannot be written, and a program without the runtime: nothing
    // is left behind and nothing escapes.
    Win32SystemServices missing(GetModuleHandleW(nullptr), dir + "\\missing");
    Save_Reg_Sapi(missing);
    CHECK(!exists(dir + "\\missing\\sapi.dll"));
    DeleteFileW(utf8ToWide(runtime).c_str());
    Win32SystemServices bare(GetModuleHandleW(L"kernel32.dll"), dir);
    Save_Reg_Sapi(bare);
    CHECK(!exists(runtime));
}

void testFiles() {
    std::printf("resources to files, links\n");
    const std::string dir = makeFolder(L"talvoro files ");
    Win32SystemServices system;
    CHECK(!SaveResourceToFile(system, 103, "CUSTOM", dir + "\\none"));
    CHECK(!exists(dir + "\\none"));
    writeFile(dir + "\\taken", "someone else's");
    CHECK(!SaveResourceToFile(system, kManualResource, "CUSTOM", dir + "\\taken"));
    CHECK(readFile(dir + "\\taken") == "someone else's");
    CHECK(SaveResourceToFile(system, kManualResource, "CUSTOM", dir + "\\manual.mht"));
    CHECK(readFile(dir + "\\manual.mht") == asText(system.loadResource(kManualResource, "CUSTOM")));

    // A link at the name: it counts as there, is never written through, and deleting it
    // leaves what it leads to alone. Not every system lets a user make one (Wine 8 answers
    // that it did, and makes none).
    const std::string target = dir + "\\target.txt";
    const std::string link = dir + "\\link.mht";
    writeFile(target, "keep me");
    CreateSymbolicLinkW(utf8ToWide(link).c_str(), utf8ToWide(target).c_str(), 0);
    const DWORD linkAttributes = GetFileAttributesW(utf8ToWide(link).c_str());
    if (linkAttributes != INVALID_FILE_ATTRIBUTES &&
        (linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CHECK(system.fileExists(link));
        CHECK(!SaveResourceToFile(system, kManualResource, "CUSTOM", link));
        CHECK(readFile(target) == "keep me");
        system.deleteFile(link);
        CHECK(!system.fileExists(link));
        CHECK(readFile(target) == "keep me");
    } else {
        std::printf("  (no symbolic links here: link checks skipped)\n");
    }

    // The help file lives in the temp folder of the Windows directory.
    wchar_t windir[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"WINDIR", windir, MAX_PATH);
    SetEnvironmentVariableW(L"WINDIR", L"D:\\Win Dir");
    CHECK(system.helpFilePath(kHelpFileName) == "D:\\Win Dir\\temp\\daveduvhelp.mht");
    SetEnvironmentVariableW(L"WINDIR", nullptr);
    CHECK(system.helpFilePath(kHelpFileName) == "\\temp\\daveduvhelp.mht");
    SetEnvironmentVariableW(L"WINDIR", n ? windir : nullptr);
}

void testHelpViewer() {
    std::printf("help viewer window\n");
    const std::string dir = makeFolder(L"talvoro help ");
    Win32SystemServices system;
    const std::string manual = dir + "\\daveduvhelp.mht";
    CHECK(SaveResourceToFile(system, kManualResource, "CUSTOM", manual));

    Win32HelpViewer viewer;
    CHECK(!viewer.helpLoaded());
    viewer.loadHelp(Frmhelp::design());
    CHECK(viewer.helpLoaded());
    HWND window = viewer.window();
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    CHECK(std::wstring(title) == L"使用手册");
    CHECK(GetWindow(window, GW_OWNER) == nullptr);
    CHECK(!(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST));
    CHECK((GetWindowLongW(window, GWL_STYLE) & WS_THICKFRAME) != 0);
    RECT client{};
    GetClientRect(window, &client);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    CHECK(client.right == MulDiv(4680, dpi, 1440));
    std::printf("  browser control: %s\n", viewer.hasBrowser() ? "made" : "not available");

    viewer.navigate2(manual);
    viewer.showHelp();
    waitFor([] { return false; }, 500);
    CHECK(IsWindowVisible(window));
    // Any size, minimized and back: the browser, when there is one, covers the client area.
    SetWindowPos(window, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(window, SW_MINIMIZE);
    waitFor([] { return false; }, 200);
    viewer.showHelp();
    waitFor([] { return false; }, 300);
    CHECK(!IsIconic(window));
    if (HWND browser = GetWindow(window, GW_CHILD)) {
        RECT inner{};
        GetClientRect(window, &client);
        GetWindowRect(browser, &inner);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&inner), 2);
        CHECK(EqualRect(&inner, &client));
    }
    CHECK(viewer.window() == window);

    // Closing unloads it; with the basket gone, closing the last window ends the message loop.
    SendMessageW(window, WM_CLOSE, 0, 0);
    CHECK(!viewer.helpLoaded());
    CHECK(!IsWindow(window));
    viewer.loadHelp(Frmhelp::design());
    viewer.showHelp();
    viewer.quitWhenClosed();
    PostMessageW(viewer.window(), WM_CLOSE, 0, 0);
    MSG m;
    bool quit = false;
    const DWORD start = GetTickCount();
    while (!quit && GetTickCount() - start < 5000) {
        if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(10);
            continue;
        }
        quit = m.message == WM_QUIT;
        DispatchMessageW(&m);
    }
    CHECK(quit);
}

}  // namespace

int main() {
    if (startedAsRegistrationTool()) return recordStart();
    OleInitialize(nullptr);
    testProvisioning();
    testFiles();
    testHelpViewer();
    OleUninitialize();
    std::printf("%d passed, %d failed\n", checks - failures, failures);
    return failures;
}
