#pragma once
// Opening and saving text files: the common dialog, reading and writing files, and the text
// encoding of files.

#include <cstdint>
#include <optional>
#include <string>

namespace talvoro {

// Options of the open and save dialogs, with the values of the system's open-file-name flags.
inline constexpr std::int32_t kOfnOverwritePrompt = 0x2;
inline constexpr std::int32_t kOfnPathMustExist = 0x800;
inline constexpr std::int32_t kOfnFileMustExist = 0x1000;
inline constexpr std::int32_t kOfnNoReadOnlyReturn = 0x8000;

// Error numbers of file work, the same on both editions.
inline constexpr long kErrFileNotFound = 53;
inline constexpr long kErrDeviceIo = 57;
inline constexpr long kErrDiskFull = 61;
inline constexpr long kErrPermissionDenied = 70;
inline constexpr long kErrPathFileAccess = 75;
inline constexpr long kErrPathNotFound = 76;
inline constexpr long kErrDialogFailed = 32765;

// The common dialog's properties. The program sets them before each showing; whatever it does
// not set (the file name above all) stays as the last showing left it.
struct CommonDialog {
    // Cancel raises error 32755 (kErrDialogCancelled); otherwise cancel empties FileName.
    bool CancelError = false;
    std::int32_t Flags = 0;
    std::string DialogTitle;
    // Pairs of description and patterns, all separated by '|'; patterns separated by ';'.
    std::string Filter;
    // 1 for the first pair of Filter. Left at the user's choice after the dialog.
    int FilterIndex = 0;
    // The dialog opens on this path and leaves the chosen one here, in full.
    std::string FileName;
};

class FileServices {
public:
    virtual ~FileServices() = default;

    // Show the dialog modally and wait for the user, honouring dialog.Flags. Failures of the
    // dialog itself raise an AppError.
    virtual void ShowOpen(CommonDialog& dialog) = 0;
    virtual void ShowSave(CommonDialog& dialog) = 0;

    // All bytes of a file.
    virtual std::string readWholeFile(const std::string& path) = 0;
    // Replaces (or creates) a file with `bytes`: a failure to write them, a full disk above all,
    // leaves an existing file as it was. A read-only file is refused with kErrPermissionDenied.
    virtual void replaceFile(const std::string& path, const std::string& bytes) = 0;

    // Bytes of a text file without a byte-order mark, in the system's encoding for text files,
    // as UTF-8 text. Never fails on bad bytes.
    virtual std::string ansiToText(std::string bytes) = 0;
    // UTF-8 text in the system's encoding for text files; nullopt when that encoding cannot
    // hold some of its characters.
    virtual std::optional<std::string> textToAnsi(const std::string& text) = 0;
};

}  // namespace talvoro
