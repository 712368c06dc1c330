#pragma once

#include <string>

namespace talvoro {

// The platform's plain-text clipboard format (CF_TEXT on Windows): the only one the program
// asks a drag for.
inline constexpr int kFormatText = 1;

// DV_E_FORMATETC: the data has no such format (files, a picture).
inline constexpr long kErrNoSuchFormat = -2147221404;
// E_FAIL: the data was not handed over (too large, or its source stopped answering).
inline constexpr long kErrTransferFailed = -2147467259;

// What a drag carries, as the drop and drag-over handlers see it.
class DataObject {
public:
    virtual ~DataObject() = default;
    // The data in `format`, as UTF-8 text. Throws AppError when the data has no such format or
    // cannot be transferred.
    virtual std::string GetData(int format) = 0;
};

}  // namespace talvoro
