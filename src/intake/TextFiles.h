#pragma once
// Opening a text file and saving the buffer to a file, through the one common dialog of the
// basket, which keeps its file name from one showing to the next.

#include <optional>
#include <string>

#include "platform/FileServices.h"

namespace talvoro {

class TextFiles {
public:
    explicit TextFiles(FileServices& files) : files_(files) {}

    // Asks for a file and reads it: its text in lines as the line rule makes them, or nullopt
    // when no file was chosen. Cancelling raises kErrDialogCancelled; any other failure its own
    // error, before anything is taken in.
    std::optional<std::string> open();
    // Asks for a file and writes `text` and a line break to it, in the system's encoding.
    void save(const std::string& text);

    const CommonDialog& dialog() const { return ComDlg; }

private:
    FileServices& files_;
    CommonDialog ComDlg;
};

}  // namespace talvoro
