#pragma once
// A platform and an engine that record every call, in order, in one shared log, and answer from
// a script that each test sets up.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/AppError.h"
#include "platform/Platform.h"
#include "speech/EngineErrors.h"
#include "speech/SpeechEngine.h"

namespace talvoro::testing {

struct CallLog {
    std::vector<std::string> calls;
    void add(std::string call) { calls.push_back(std::move(call)); }
    void clear() { calls.clear(); }
};

// Throws the scripted error when a call named `name` is set to fail.
struct FailureScript {
    std::map<std::string, AppError> failing;
    void check(const std::string& name) const {
        auto it = failing.find(name);
        if (it != failing.end()) throw it->second;
    }
};

class FakePlatform : public WindowManager,
                     public MenuPresenter,
                     public MessageBoxes,
                     public Clipboard,
                     public SettingsStore,
                     public UiThread,
                     public FileServices,
                     public HelpViewer,
                     public AboutBox,
                     public SystemServices {
public:
    explicit FakePlatform(CallLog& log) : log_(log) {}

    Platform platform() {
        return Platform{*this, *this, *this, *this, *this, *this, *this, *this, *this, *this};
    }

    // Script.
    std::map<std::string, std::string> stored;  // "section/key" -> value
    std::string clipboard;
    bool clipboardFails = false;
    bool settingsWriteFails = false;
    bool layeredCallsFail = false;
    std::deque<std::optional<MenuItemId>> menuChoices;
    std::vector<Screen> screenList{
        {{0, 0, 1280 * 15.0, 800 * 15.0}, {0, 0, 1280 * 15.0, 800 * 15.0}}};
    float top = 0, left = 0;
    float twipsPerPixel = 15;
    std::vector<std::function<void()>> posted;
    // What each popup saw, for asserting the menu state at the moment it opened.
    std::vector<MenuItem> shownMenus;

    static constexpr WindowHandle kMain = 100;
    static constexpr WindowHandle kPicture = 101;

    // WindowManager
    WindowHandle mainWindow() override { return kMain; }
    WindowHandle pictureWindow() override { return kPicture; }
    void keepOnTop(WindowHandle w) override { log_.add("KeepOnTop(" + h(w) + ")"); }
    bool makeLayered(WindowHandle w) override {
        log_.add("MakeLayered(" + h(w) + ")");
        return !layeredCallsFail;
    }
    bool setOpacity(WindowHandle w, std::uint8_t alpha) override {
        log_.add("SetOpacity(" + h(w) + "," + std::to_string(alpha) + ")");
        return !layeredCallsFail;
    }
    void clearShape(WindowHandle w) override { log_.add("ClearShape(" + h(w) + ")"); }
    void startMove(WindowHandle w) override { log_.add("StartMove(" + h(w) + ")"); }
    void setCapture(WindowHandle w) override { log_.add("SetCapture(" + h(w) + ")"); }
    void releaseCapture() override { log_.add("ReleaseCapture()"); }
    float windowTop() override { return top; }
    float windowLeft() override { return left; }
    void setWindowTop(float twips) override {
        log_.add("Top=" + num(twips));
        top = twips;
    }
    void setWindowLeft(float twips) override {
        log_.add("Left=" + num(twips));
        left = twips;
    }
    float windowWidth() override { return 40 * twipsPerPixel; }
    float windowHeight() override { return 40 * twipsPerPixel; }
    float pictureWidth() override { return 570; }
    float pictureHeight() override { return 555; }
    std::vector<Screen> screens() override { return screenList; }
    void unloadMainWindow() override { log_.add("UnloadMainWindow()"); }

    // MenuPresenter
    std::optional<MenuItemId> popupMenu(const MenuItem& root) override {
        log_.add(std::string("PopupMenu(") + nameOf(root.name) + ")");
        shownMenus.push_back(root);
        if (menuChoices.empty()) return std::nullopt;
        auto choice = menuChoices.front();
        menuChoices.pop_front();
        return choice;
    }

    // MessageBoxes
    // Runs inside each message box, as the events a box's modal loop lets in.
    std::function<void()> onMessageBox;
    void messageBox(const std::string& text, int style, const std::string& title) override {
        log_.add("MsgBox(" + text + "," + std::to_string(style) + "," + title + ")");
        if (onMessageBox) onMessageBox();
    }

    // Clipboard
    std::string clipboardText() override {
        log_.add("ClipboardText()");
        if (clipboardFails) throw AppError(521, "无法打开剪贴板");
        return clipboard;
    }

    // SettingsStore
    std::string getSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& fallback) override {
        log_.add("GetSetting(" + app + "," + section + "," + key + ")");
        auto it = stored.find(section + "/" + key);
        return it == stored.end() ? fallback : it->second;
    }
    void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        log_.add("SaveSetting(" + app + "," + section + "," + key + "," + value + ")");
        if (settingsWriteFails) throw AppError(75, "路径/文件访问错误");
        stored[section + "/" + key] = value;
    }

    // UiThread
    void post(std::function<void()> work) override { posted.push_back(std::move(work)); }

    // FileServices. The dialogs answer a file name, or cancel (nullopt); each showing keeps a
    // copy of the dialog's properties as they were when it opened. Files live on `disk`;
    // `fileFailures` makes ShowOpen, ShowSave, ReadWholeFile or ReplaceFile raise. The
    // system's encoding of text files is Latin-1 here.
    std::deque<std::optional<std::string>> dialogAnswers;
    std::vector<CommonDialog> shownDialogs;
    std::map<std::string, std::string> disk;
    FailureScript fileFailures;

    void ShowOpen(CommonDialog& dialog) override { showDialog("ShowOpen", dialog); }
    void ShowSave(CommonDialog& dialog) override { showDialog("ShowSave", dialog); }
    std::string readWholeFile(const std::string& path) override {
        log_.add("ReadWholeFile(" + path + ")");
        fileFailures.check("ReadWholeFile");
        auto it = disk.find(path);
        if (it == disk.end()) throw AppError(kErrFileNotFound, "文件未找到");
        return it->second;
    }
    void replaceFile(const std::string& path, const std::string& bytes) override {
        log_.add("ReplaceFile(" + path + "," + bytes + ")");
        fileFailures.check("ReplaceFile");
        disk[path] = bytes;
    }
    std::string ansiToText(std::string bytes) override {
        log_.add("AnsiToText(" + bytes + ")");
        std::string text;
        for (unsigned char c : bytes) {
            if (c < 0x80) {
                text += static_cast<char>(c);
            } else {
                text += static_cast<char>(0xC0 | (c >> 6));
                text += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return text;
    }
    std::optional<std::string> textToAnsi(const std::string& text) override {
        log_.add("TextToAnsi(" + text + ")");
        std::string bytes;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c < 0x80) {
                bytes += static_cast<char>(c);
            } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
                bytes += static_cast<char>(((c & 0x03) << 6) | (text[++i] & 0x3F));
            } else {
                return std::nullopt;
            }
        }
        return bytes;
    }

    // HelpViewer. The window is loaded from loadHelp until the test closes it.
    bool helpWindowLoaded = false;
    bool helpWindowFails = false;
    bool helpLoaded() override { return helpWindowLoaded; }
    const FormDesign* helpDesign = nullptr;
    void loadHelp(const FormDesign& design) override {
        log_.add("LoadHelp(" + design.caption + ")");
        helpDesign = &design;
        if (helpWindowFails) throw AppError(7, "内存溢出");
        helpWindowLoaded = true;
    }
    void navigate2(const std::string& path) override { log_.add("Navigate2(" + path + ")"); }
    void showHelp() override { log_.add("ShowHelp()"); }

    // AboutBox. The window's events are raised by the test through `aboutEvents`; closing it
    // reports Unload as the adapters do.
    const FormDesign* aboutDesign = nullptr;
    AboutEvents* aboutEvents = nullptr;
    bool shellAnswers = true;
    bool aboutLoadFails = false;

    void loadAbout(const FormDesign& design, AboutEvents& events) override {
        log_.add("LoadAbout(" + design.name + ")");
        if (aboutLoadFails) throw AppError(7, "内存溢出");
        aboutDesign = &design;
        aboutEvents = &events;
    }
    void showAbout() override { log_.add("ShowAbout()"); }
    void setAboutForeColour(const std::string& control, Colour c) override {
        log_.add("ForeColor(" + control + "," + std::to_string(redOf(c)) + "," +
                 std::to_string(greenOf(c)) + "," + std::to_string(blueOf(c)) + ")");
    }
    void unloadAbout() override {
        log_.add("UnloadAbout()");
        if (AboutEvents* events = std::exchange(aboutEvents, nullptr)) events->Unload();
    }
    bool openAddress(const std::string& address) override {
        log_.add("OpenAddress(" + address + ")");
        return shellAnswers;
    }

    // SystemServices, over a file system of path -> bytes. A path in `links` stands for a link:
    // it exists, and deleting it removes only the link.
    std::string systemDir = "C:\\WINDOWS\\system32";
    bool systemDirFails = false;
    std::string helpFolder = "/run/user/1000/talvoro";
    bool helpFolderFails = false;
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::set<std::string> links;
    std::set<std::string> undeletable;
    std::map<int, std::vector<std::uint8_t>> customResources;
    std::set<std::string> unwritableFolders;
    // Bytes a write gets out before the disk is full; all of them when unset.
    std::optional<std::size_t> diskSpace;
    bool closeFails = false;
    bool processStartFails = false;
    std::vector<std::string> startedProcesses;

    std::string systemDirectory() override {
        log_.add("SystemDirectory()");
        if (systemDirFails) throw AppError(5, "无效的过程调用或参数");
        return systemDir;
    }
    std::string helpFilePath(const std::string& name) override {
        log_.add("HelpFilePath(" + name + ")");
        if (helpFolderFails) throw AppError(76, "路径未找到");
        return helpFolder + "/" + name;
    }
    bool fileExists(const std::string& path) override {
        log_.add("FileExists(" + path + ")");
        return files.count(path) || links.count(path);
    }
    void deleteFile(const std::string& path) override {
        log_.add("DeleteFile(" + path + ")");
        if (undeletable.count(path)) throw AppError(75, "路径/文件访问错误");
        if (!links.erase(path) && !files.erase(path)) throw AppError(53, "文件未找到");
    }
    std::vector<std::uint8_t> loadResource(int id, const std::string& type) override {
        log_.add("LoadResource(" + std::to_string(id) + "," + type + ")");
        auto it = customResources.find(id);
        if (type != "CUSTOM" || it == customResources.end())
            throw AppError(326, "找不到标识符为 '" + std::to_string(id) + "' 的资源");
        return it->second;
    }
    FileNumber createFile(const std::string& path) override {
        log_.add("CreateFile(" + path + ")");
        const std::string folder = path.substr(0, path.find_last_of("\\/"));
        if (unwritableFolders.count(folder)) throw AppError(75, "路径/文件访问错误");
        if (files.count(path) || links.count(path)) throw AppError(58, "文件已存在");
        files[path];
        openFiles[++lastFile] = path;
        return lastFile;
    }
    void writeFile(FileNumber file, const std::vector<std::uint8_t>& bytes) override {
        log_.add("WriteFile(#" + std::to_string(file) + "," + std::to_string(bytes.size()) + ")");
        auto& content = files.at(openFiles.at(file));
        const std::size_t room =
            diskSpace ? *diskSpace - std::min(*diskSpace, content.size()) : bytes.size();
        const std::size_t n = std::min(room, bytes.size());
        content.insert(content.end(), bytes.begin(), bytes.begin() + static_cast<long>(n));
        if (n < bytes.size()) throw AppError(61, "磁盘已满");
    }
    void closeFile(FileNumber file) override {
        log_.add("CloseFile(#" + std::to_string(file) + ")");
        openFiles.erase(file);
        if (closeFails) throw AppError(57, "设备 I/O 错误");
    }
    void startProcess(const std::string& commandLine, int showState) override {
        log_.add("StartProcess(" + commandLine + "," + std::to_string(showState) + ")");
        if (processStartFails) throw AppError(53, "文件未找到");
        startedProcesses.push_back(commandLine);
    }
    std::map<FileNumber, std::string> openFiles;
    FileNumber lastFile = 0;

    static std::string h(WindowHandle w) {
        return w == kMain ? "main" : w == kPicture ? "picture" : std::to_string(w);
    }
    static std::string num(float v) {
        std::string s = std::to_string(v);
        s.erase(s.find_last_not_of('0') + 1);
        if (!s.empty() && s.back() == '.') s.pop_back();
        return s;
    }

private:
    void showDialog(const char* name, CommonDialog& dialog) {
        log_.add(std::string(name) + "(" + dialog.FileName + ")");
        shownDialogs.push_back(dialog);
        fileFailures.check(name);
        std::optional<std::string> answer;
        if (!dialogAnswers.empty()) {
            answer = dialogAnswers.front();
            dialogAnswers.pop_front();
        }
        if (answer) {
            dialog.FileName = *answer;
        } else if (dialog.CancelError) {
            throw AppError(kErrDialogCancelled, "选定了“取消”");
        } else {
            dialog.FileName.clear();
        }
    }

    CallLog& log_;
};

class FakeEngine : public SpeechEngine {
public:
    FakeEngine(CallLog& log, std::vector<std::string> voices, FailureScript& failures)
        : log_(log), voices_(std::move(voices)), failures_(failures) {}

    VoiceCollection GetVoices(const std::string& req, const std::string& opt) override {
        log_.add("GetVoices(" + req + "," + opt + ")");
        failures_.check("GetVoices");
        VoiceCollection c;
        for (const auto& v : voices_) c.push_back({v});
        return c;
    }
    std::string GetDescription(const VoiceToken& t, int locale) override {
        log_.add("GetDescription(" + t.id + "," + std::to_string(locale) + ")");
        failures_.check("GetDescription");
        return "Voice " + t.id;
    }
    void SetVoice(const VoiceToken& t) override {
        log_.add("SetVoice(" + t.id + ")");
        failures_.check("SetVoice");
    }
    int Rate() override {
        log_.add("Rate");
        return rate_;
    }
    void SetRate(int r) override {
        log_.add("Rate=" + std::to_string(r));
        failures_.check("SetRate");
        refuseOutside(r, checkRate);
        rate_ = r;
    }
    int Volume() override {
        log_.add("Volume");
        return volume_;
    }
    void SetVolume(int v) override {
        log_.add("Volume=" + std::to_string(v));
        failures_.check("SetVolume");
        refuseOutside(v, checkVolume);
        volume_ = v;
    }
    long Speak(const std::string& text, int flags) override {
        log_.add("Speak(" + text + "," + std::to_string(flags) + ")");
        if (onSpeak) onSpeak();
        failures_.check("Speak");
        return 1;
    }
    // Logged as Speak; the text is kept as a real engine keeps it while it reads.
    long speakShared(const SpeechText& text, int flags) override {
        const long stream = Speak(*text, flags);
        spoken = text;
        return stream;
    }
    SpeechText spoken;  // the text of the last reading
    void Pause() override {
        log_.add("Pause()");
        failures_.check("Pause");
    }
    void Resume() override {
        log_.add("Resume()");
        failures_.check("Resume");
    }
    ~FakeEngine() override { log_.add("ReleaseEngine()"); }

    // The values as set, and how many were refused.
    int rate() const { return rate_; }
    int volume() const { return volume_; }
    int refused = 0;
    // Runs inside each Speak, to look at the program's state at that moment.
    std::function<void()> onSpeak;

private:
    // The real engines refuse a rate or volume outside their range, and keep the value they
    // had.
    template <typename Check>
    void refuseOutside(int value, Check check) {
        try {
            check(value);
        } catch (const AppError&) {
            ++refused;
            throw;
        }
    }

    CallLog& log_;
    std::vector<std::string> voices_;
    FailureScript& failures_;
    int rate_ = 0;
    int volume_ = 100;
};

}  // namespace talvoro::testing
