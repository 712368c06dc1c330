#pragma once
// What provisioning the speech runtime and the help viewer need of the system: its folders, the
// program's own resources, files written byte for byte, and starting a program.
//
// Files are written only as new files: creating one fails when anything stands at the path, a
// link included, so a write never lands where a link points. Deleting removes a link itself,
// never its target. Every call that fails throws AppError.

#include <cstdint>
#include <string>
#include <vector>

namespace talvoro {

// An open file of the platform, from createFile to closeFile.
using FileNumber = std::intptr_t;

// Show state of a started program's first window: minimized and active (SW_SHOWMINIMIZED).
inline constexpr int kShowMinimized = 2;

class SystemServices {
public:
    virtual ~SystemServices() = default;

    // The system's own program folder, without a trailing separator.
    virtual std::string systemDirectory() = 0;
    // The full path of the help file called `name`, in the folder the platform keeps it in.
    // Throws when no folder is safe to write in.
    virtual std::string helpFilePath(const std::string& name) = 0;

    // Whether anything stands at `path`: a file, a folder, or a link even when it leads nowhere.
    virtual bool fileExists(const std::string& path) = 0;
    virtual void deleteFile(const std::string& path) = 0;

    // The bytes of the program's own resource of `type` and `id`; throws when it carries none.
    virtual std::vector<std::uint8_t> loadResource(int id, const std::string& type) = 0;
    virtual FileNumber createFile(const std::string& path) = 0;
    // Writes all of `bytes` at the file's current end.
    virtual void writeFile(FileNumber file, const std::vector<std::uint8_t>& bytes) = 0;
    // Closes the file; throws when what was written cannot be kept.
    virtual void closeFile(FileNumber file) = 0;

    // Starts a command line as a new process whose first window takes `showState`, and returns
    // without waiting for it.
    virtual void startProcess(const std::string& commandLine, int showState) = 0;
};

}  // namespace talvoro
