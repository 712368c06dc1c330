#pragma once
// The Linux edition's file services: Qt's own file dialog, POSIX files and the locale's charset.

#include "platform/FileServices.h"
#include "platform/qt/FileCharset.h"

namespace talvoro::qt {

class QtFileServices : public FileServices {
public:
    // Text files in the locale's charset.
    QtFileServices();
    explicit QtFileServices(FileCharset charset);

    void ShowOpen(CommonDialog& dialog) override;
    void ShowSave(CommonDialog& dialog) override;
    std::string readWholeFile(const std::string& path) override;
    void replaceFile(const std::string& path, const std::string& bytes) override;
    std::string ansiToText(std::string bytes) override;
    std::optional<std::string> textToAnsi(const std::string& text) override;

private:
    FileCharset charset_;
};

}  // namespace talvoro::qt
