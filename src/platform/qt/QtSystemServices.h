#pragma once
// The Linux edition's system services. The speech engine is part of the program, so there is
// no runtime to put in place and no system directory to offer; the help file is kept in a
// private folder of the user's.

#include <string>

#include "platform/SystemServices.h"

namespace talvoro::qt {

class QtSystemServices : public SystemServices {
public:
    std::string systemDirectory() override;
    // $XDG_RUNTIME_DIR/talvoro when the runtime folder is the user's own and private, else
    // talvoro in the user's cache folder. The talvoro folder must be a real folder of the
    // user's, not a link; it is made private (0700) when it is not.
    std::string helpFilePath(const std::string& name) override;

    bool fileExists(const std::string& path) override;
    void deleteFile(const std::string& path) override;
    std::vector<std::uint8_t> loadResource(int id, const std::string& type) override;
    // New files only (O_EXCL, O_NOFOLLOW), readable by the user alone.
    FileNumber createFile(const std::string& path) override;
    void writeFile(FileNumber file, const std::vector<std::uint8_t>& bytes) override;
    void closeFile(FileNumber file) override;
    void startProcess(const std::string& commandLine, int showState) override;
};

// The private folder `name` inside `base`, made when missing. Throws AppError when `base` is not
// usable or the folder is a link or belongs to someone else.
std::string privateFolder(const std::string& base, const std::string& name);

}  // namespace talvoro::qt
