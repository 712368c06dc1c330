#pragma once
// Whole files on Linux: read at once, and replaced all or nothing.

#include <string>
#include <string_view>

#include "app/AppError.h"

namespace talvoro::qt {

// An errno value as the program's file error (number and Chinese description).
AppError fileError(int error);

// All bytes of a regular file (a link to one is followed). Anything else, a folder, a device or
// a named pipe, is refused with the error of a file that cannot be accessed, without waiting.
std::string readWholeFile(const std::string& path);

// Writes `bytes` to a new file beside `path` (flushed to the disk), then renames it over `path`:
// a write that fails part-way, a full disk above all, leaves the old file whole. The new file
// keeps the old one's permissions; a symbolic link is followed, not replaced. A read-only file
// is refused, since a rename would go round its protection.
void replaceFile(const std::string& path, std::string_view bytes);

// Whether `path` is a file that must not be written: it has no write permission for anyone, or
// not for this user.
bool isReadOnlyFile(const std::string& path);

}  // namespace talvoro::qt
