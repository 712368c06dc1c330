#include "intake/TextFiles.h"

#include "intake/FileText.h"

namespace talvoro {
namespace {

constexpr const char* kFileFilter = "All Files (*.*)|*.*|Text, XML Files (*.txt;*.xml)|*.txt;*.xml";
constexpr int kTextAndXmlEntry = 2;
constexpr std::int32_t kOpenFlags = kOfnPathMustExist | kOfnFileMustExist;  // 6144
constexpr std::int32_t kSaveFlags =
    kOfnOverwritePrompt | kOfnPathMustExist | kOfnNoReadOnlyReturn;  // 34818

void prepare(CommonDialog& dialog, std::int32_t flags, const char* title) {
    dialog.CancelError = true;
    dialog.Flags = flags;
    dialog.DialogTitle = title;
    dialog.Filter = kFileFilter;
    dialog.FilterIndex = kTextAndXmlEntry;
}

}  // namespace

std::optional<std::string> TextFiles::open() {
    prepare(ComDlg, kOpenFlags, "打开文件");
    files_.ShowOpen(ComDlg);
    if (ComDlg.FileName.empty()) return std::nullopt;
    return linesOfFile(fileTextOf(files_, files_.readWholeFile(ComDlg.FileName)));
}

void TextFiles::save(const std::string& text) {
    prepare(ComDlg, kSaveFlags, "保存文件");
    files_.ShowSave(ComDlg);
    if (ComDlg.FileName.empty()) return;
    files_.replaceFile(ComDlg.FileName, fileBytesOf(files_, text + "\r\n"));
}

}  // namespace talvoro
