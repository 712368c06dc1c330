#include "platform/win32/Win32FileServices.h"

#include <commdlg.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "base/AppError.h"
#include "intake/FileText.h"
#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

// Long enough for any path the dialog can return.
constexpr std::size_t kFileBuffer = 32768;

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (*this) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    // Closes now and tells whether the last writes reached the file.
    bool close() {
        const bool ok = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

// The temporary file of a replacement, deleted unless it took the target's place.
class TemporaryFile {
public:
    TemporaryFile(std::wstring path, HANDLE h) : path_(std::move(path)), file_(h) {}
    ~TemporaryFile() {
        if (file_) file_.close();
        if (!kept_) DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::wstring& path() const { return path_; }
    Handle& file() { return file_; }
    void keep() { kept_ = true; }

private:
    std::wstring path_;
    Handle file_;
    bool kept_ = false;
};

AppError dialogError(DWORD code) {
    switch (code) {
        case FNERR_BUFFERTOOSMALL:
            return AppError(20476, "缓冲区太小");
        case FNERR_INVALIDFILENAME:
            return AppError(20477, "文件名无效");
        default:
            return AppError(kErrDialogFailed,
                            "打开或保存对话框失败（" + std::to_string(code) + "）");
    }
}

TemporaryFile createBeside(const std::wstring& folder, const std::wstring& name) {
    static unsigned counter = 0;
    const std::wstring stem = folder + L"\\~" + name.substr(0, 160) + L".talvoro-" +
                              std::to_wstring(GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring path = stem + L"-" + std::to_wstring(counter++) + L".tmp";
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) return TemporaryFile(std::move(path), h);
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            throw fileError(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
    }
    throw fileError(ERROR_FILE_EXISTS);
}

// Only a file on a disk has an end to read up to: a pipe waits for its writer, a device such as
// NUL or a link to a never-ending one answers forever or never. Opening any of them returns at
// once, and they are told apart before the first byte is read.
void requireFileOnDisk(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        throw fileError(ERROR_BAD_FILE_TYPE);
}

}  // namespace

AppError fileError(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
            return AppError(kErrFileNotFound, "文件未找到");
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_INVALID_DRIVE:
            return AppError(kErrPathNotFound, "路径未找到");
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return AppError(kErrPermissionDenied, "没有权限");
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return AppError(kErrDiskFull, "磁盘已满");
        case ERROR_CRC:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
            return AppError(kErrDeviceIo, "设备 I/O 错误");
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return AppError(kErrOutOfMemory, "内存溢出");
        // ERROR_BAD_FILE_TYPE among them: a folder, pipe or device where a file was wanted.
        default:
            return AppError(kErrPathFileAccess, "路径/文件访问错误");
    }
}

Win32FileServices::Win32FileServices(HWND owner, UINT codePage)
    : owner_(owner), codePage_(codePage) {}

void Win32FileServices::ShowOpen(CommonDialog& dialog) {
    show(dialog, false);
}
void Win32FileServices::ShowSave(CommonDialog& dialog) {
    show(dialog, true);
}

void Win32FileServices::show(CommonDialog& dialog, bool save) {
    // "description|patterns|..." becomes the double-NUL-terminated list the dialog takes.
    std::wstring filter = utf8ToWide(dialog.Filter);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    filter.push_back(L'\0');
    const std::wstring title = utf8ToWide(dialog.DialogTitle);
    const std::wstring start = utf8ToWide(dialog.FileName);
    if (start.size() >= kFileBuffer) throw dialogError(FNERR_BUFFERTOOSMALL);
    std::vector<wchar_t> file(kFileBuffer, L'\0');
    std::copy(start.begin(), start.end(), file.begin());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner_ ? owner_ : GetActiveWindow();
    ofn.lpstrFilter = dialog.Filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(std::max(dialog.FilterIndex, 0));
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.Flags = static_cast<DWORD>(dialog.Flags);

    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) {
        const DWORD error = CommDlgExtendedError();
        if (error != 0) throw dialogError(error);
        if (dialog.CancelError) throw AppError(kErrDialogCancelled, "选定了“取消”");
        dialog.FileName.clear();
        return;
    }
    dialog.FileName = wideToUtf8(file.data());
    dialog.FilterIndex = static_cast<int>(ofn.nFilterIndex);
}

std::string Win32FileServices::readWholeFile(const std::string& path) {
    const std::wstring widePath = utf8ToWide(path);
    Handle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        // A folder cannot be opened as a file; it is no file, rather than one without access.
        const DWORD attributes = GetFileAttributesW(widePath.c_str());
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw fileError(ERROR_BAD_FILE_TYPE);
        throw fileError(error);
    }
    requireFileOnDisk(file.get());
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) throw fileError(GetLastError());
    if (static_cast<unsigned long long>(size.QuadPart) >
        std::numeric_limits<std::size_t>::max() / 2)
        throw fileError(ERROR_NOT_ENOUGH_MEMORY);

    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) bytes.resize(done + 65536);  // a file that grew
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr))
            throw fileError(GetLastError());
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

void Win32FileServices::replaceFile(const std::string& path, const std::string& bytes) {
    const std::wstring target = utf8ToWide(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) throw fileError(ERROR_DIRECTORY);
        // Moving a file over a read-only one would go round its protection.
        if (attributes & FILE_ATTRIBUTE_READONLY) throw fileError(ERROR_ACCESS_DENIED);
    } else if (const DWORD error = GetLastError(); error != ERROR_FILE_NOT_FOUND) {
        throw fileError(error);
    }

    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash);
    const std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);

    TemporaryFile temp = createBeside(folder.empty() ? L"\\" : folder, name);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 24));
        DWORD put = 0;
        if (!WriteFile(temp.file().get(), bytes.data() + done, want, &put, nullptr))
            throw fileError(GetLastError());
        done += put;
    }
    if (!FlushFileBuffers(temp.file().get())) throw fileError(GetLastError());
    if (!temp.file().close()) throw fileError(GetLastError());
    if (exists)
        SetFileAttributesW(
            temp.path().c_str(),
            attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    if (!MoveFileExW(temp.path().c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw fileError(GetLastError());
    temp.keep();
}

std::string Win32FileServices::ansiToText(std::string bytes) {
    return codePageToUtf8(bytes, codePage_);
}

std::optional<std::string> Win32FileServices::textToAnsi(const std::string& text) {
    const UINT codePage = codePage_ == CP_ACP ? GetACP() : codePage_;
    if (codePage == CP_UTF8) return validUtf8(text);
    const std::wstring wide = utf8ToWide(text);
    if (wide.empty()) return std::string();
    if (wide.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw fileError(ERROR_NOT_ENOUGH_MEMORY);
    const int length = static_cast<int>(wide.size());
    // No best fit: a character the code page lacks is not quietly written as a look-alike.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL lacking = FALSE;
    int needed =
        WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, &lacking);
    if (needed <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        flags = 0;
        needed = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr,
                                     &lacking);
    }
    if (needed <= 0) throw win32Error(GetLastError());
    if (lacking) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), length, bytes.data(), needed, nullptr,
                        nullptr);
    return bytes;
}

}  // namespace talvoro::win32
