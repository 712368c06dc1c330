#pragma once
// Opening and saving text files: the common dialog, reading and writing files, and the text encoding of files.

namespace talvoro {

class FileServices {
public:
    virtual ~FileServices() = default;
};

}  // namespace talvoro
