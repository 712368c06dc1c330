#include "platform/win32/Win32SystemServices.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

// The size of the buffer the system directory is read into, as the program has always had it.
constexpr UINT kDirectoryBuffer = 255;

AppError lastError() {
    return win32Error(GetLastError());
}

HANDLE handleOf(FileNumber file) {
    return reinterpret_cast<HANDLE>(file);
}

}  // namespace

Win32SystemServices::Win32SystemServices(HMODULE resources, std::string systemDirectory)
    : resources_(resources), systemDirectory_(std::move(systemDirectory)) {}

std::string Win32SystemServices::systemDirectory() {
    if (!systemDirectory_.empty()) return systemDirectory_;
    wchar_t buffer[kDirectoryBuffer];
    const UINT n = GetSystemDirectoryW(buffer, kDirectoryBuffer);
    if (n == 0) throw lastError();
    // A longer path does not fit: the count is then the size it needs, not a length.
    if (n >= kDirectoryBuffer) throw AppError(kErrInvalidCall, "系统目录的路径太长");
    return wideToUtf8(std::wstring_view(buffer, n));
}

std::string Win32SystemServices::helpFilePath(const std::string& name) {
    std::wstring windir;
    const DWORD size = GetEnvironmentVariableW(L"WINDIR", nullptr, 0);
    if (size > 0) {
        windir.resize(size);
        const DWORD n = GetEnvironmentVariableW(L"WINDIR", windir.data(), size);
        windir.resize(n < size ? n : 0);
    }
    return wideToUtf8(windir) + "\\temp\\" + name;
}

bool Win32SystemServices::fileExists(const std::string& path) {
    // The attributes of the name itself: a link is not followed.
    if (GetFileAttributesW(utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_INVALID_NAME)
        return false;
    throw win32Error(error);
}

void Win32SystemServices::deleteFile(const std::string& path) {
    const std::wstring name = utf8ToWide(path);
    // Both calls remove a link itself, never what it leads to; a link to a folder is a folder.
    const DWORD attributes = GetFileAttributesW(name.c_str());
    const bool folderLink = attributes != INVALID_FILE_ATTRIBUTES &&
                            (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                            (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (!(folderLink ? RemoveDirectoryW(name.c_str()) : DeleteFileW(name.c_str())))
        throw lastError();
}

std::vector<std::uint8_t> Win32SystemServices::loadResource(int id, const std::string& type) {
    const std::wstring typeName = utf8ToWide(type);
    HRSRC found = FindResourceW(resources_, MAKEINTRESOURCEW(id), typeName.c_str());
    HGLOBAL loaded = found ? LoadResource(resources_, found) : nullptr;
    const auto* data = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
    if (!data) throw AppError(326, "找不到标识符为 '" + std::to_string(id) + "' 的资源");
    return std::vector<std::uint8_t>(data, data + SizeofResource(resources_, found));
}

FileNumber Win32SystemServices::createFile(const std::string& path) {
    HANDLE file = CreateFileW(utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw lastError();
    return reinterpret_cast<FileNumber>(file);
}

void Win32SystemServices::writeFile(FileNumber file, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(handleOf(file), bytes.data() + done, chunk, &written, nullptr))
            throw lastError();
        if (written == 0) throw win32Error(ERROR_HANDLE_DISK_FULL);
        done += written;
    }
}

void Win32SystemServices::closeFile(FileNumber file) {
    if (!CloseHandle(handleOf(file))) throw lastError();
}

void Win32SystemServices::startProcess(const std::string& commandLine, int showState) {
    std::wstring line = utf8ToWide(commandLine);  // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        throw lastError();
    // Neither waited for nor watched.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace talvoro::win32
