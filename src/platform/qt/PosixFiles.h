#pragma once
// Whole files on Linux: read at once, and replaced all or nothing.

#include <string>
#include <string_view>

#include "base/AppError.h"

namespace talvoro::qt {

// An errno value as the program's file error (number and Chinese description).
AppError fileError(int error);

// All bytes of a regular file (a link to one is followed). Anything else, a folder, a device or
// a named pipe, is refused with the error of a file that cannot be accessed, without waiting.
std::string readWholeFile(const std::string& path);

// Saves `bytes` as the file `path`. They are first written whole to a new file beside it and
// flushed to the disk, so that a write that fails part-way, on a full disk above all, leaves the
// old file whole. Then:
// - a new file, or a file with one name, is replaced by that new file (renamed over it), which
//   takes the old one's permissions and owner;
// - a file with several names (hard links) keeps them all: the new file is removed and the old
//   one written over in place, so that every name shows the new text. The new file has shown
//   that the text fits; only an I/O error, or another program taking the room meanwhile, can
//   still leave it part-written.
// A symbolic link is followed, not replaced, also when it points at no file yet: the file is
// made where it points. A read-only file is refused, since a rename would go round its
// protection, and so are folders, devices and named pipes.
void replaceFile(const std::string& path, std::string_view bytes);

// Whether `path` is a file that must not be written: it has no write permission for anyone, or
// not for this user.
bool isReadOnlyFile(const std::string& path);

}  // namespace talvoro::qt
