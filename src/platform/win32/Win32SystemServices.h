#pragma once
// The Windows edition's system services: the system directory, the program's own resources,
// files created with CreateFileW, and CreateProcessW.

#include <windows.h>

#include <string>

#include "platform/SystemServices.h"

namespace talvoro::win32 {

class Win32SystemServices : public SystemServices {
public:
    // `resources` is the module whose resources loadResource reads; a non-empty
    // `systemDirectory` stands in for the system's own (for tests).
    explicit Win32SystemServices(HMODULE resources = GetModuleHandleW(nullptr),
                                 std::string systemDirectory = {});

    std::string systemDirectory() override;
    // %WINDIR%\temp\<name>; with WINDIR unset, \temp\<name> on the current drive.
    std::string helpFilePath(const std::string& name) override;
    bool fileExists(const std::string& path) override;
    void deleteFile(const std::string& path) override;
    std::vector<std::uint8_t> loadResource(int id, const std::string& type) override;
    // CREATE_NEW on the name itself (FILE_FLAG_OPEN_REPARSE_POINT): a link standing there
    // makes it fail rather than be followed.
    FileNumber createFile(const std::string& path) override;
    void writeFile(FileNumber file, const std::vector<std::uint8_t>& bytes) override;
    void closeFile(FileNumber file) override;
    void startProcess(const std::string& commandLine, int showState) override;

private:
    HMODULE resources_;
    std::string systemDirectory_;
};

}  // namespace talvoro::win32
