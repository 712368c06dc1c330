#pragma once
// The text of files: how bytes read from a file become the text taken in, and how the buffer
// becomes the bytes of a saved file. Linear in the size of the file throughout.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace talvoro {

class FileServices;

// The file's lines, each preceded by CR LF. A line ends at CR or at CR LF; a line feed alone is
// text. A line end at the very end adds no empty line, and an empty text gives "".
std::string linesOfFile(std::string text);

// The text of a file that starts with a UTF-8 or UTF-16 (LE or BE) byte-order mark, decoded by
// it (the mark dropped, bad sequences shown as U+FFFD); nullopt for a file without a mark.
std::optional<std::string> decodeByMark(std::string_view bytes);

// Offset of the first byte that is not part of well-formed UTF-8, or npos.
std::size_t firstInvalidUtf8(std::string_view bytes);
// `bytes` with every ill-formed UTF-8 byte replaced by U+FFFD.
std::string validUtf8(std::string bytes);

// A file's bytes as text: by its byte-order mark, otherwise in the system's encoding.
std::string fileTextOf(FileServices& files, std::string bytes);
// The bytes a text is saved as: the system's encoding, or UTF-8 with a byte-order mark when
// that encoding cannot hold every character (nothing is lost, and reading it back finds the
// mark).
std::string fileBytesOf(FileServices& files, const std::string& text);

}  // namespace talvoro
