#pragma once

#include <string>

namespace talvoro {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // The clipboard's plain text as UTF-8; empty when it holds no text. Throws AppError when
    // the clipboard cannot be read.
    virtual std::string clipboardText() = 0;
};

}  // namespace talvoro
