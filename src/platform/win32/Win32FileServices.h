#pragma once
// The Windows edition's file services: the system's open and save dialogs, files replaced all or
// nothing, and the ANSI code page.

#include <windows.h>

#include "base/AppError.h"
#include "platform/FileServices.h"

namespace talvoro::win32 {

class Win32FileServices : public FileServices {
public:
    // Dialogs owned by `owner`, which they disable while open; text files in `codePage` (the
    // system's ANSI code page unless a test picks another).
    explicit Win32FileServices(HWND owner = nullptr, UINT codePage = CP_ACP);

    void ShowOpen(CommonDialog& dialog) override;
    void ShowSave(CommonDialog& dialog) override;
    std::string readWholeFile(const std::string& path) override;
    void replaceFile(const std::string& path, const std::string& bytes) override;
    std::string ansiToText(std::string bytes) override;
    std::optional<std::string> textToAnsi(const std::string& text) override;

private:
    void show(CommonDialog& dialog, bool save);

    HWND owner_;
    UINT codePage_;
};

// A Win32 error code of file work as the program's file error.
AppError fileError(DWORD code);

}  // namespace talvoro::win32
