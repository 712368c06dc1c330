// Opening a text file into the buffer and saving the buffer to a file, through the one common
// dialog of the window.

#include "app/ErrorPolicy.h"
#include "app/Frmlan.h"
#include "intake/FileText.h"

namespace talvoro {
namespace {

constexpr const char* kFileFilter =
    "All Files (*.*)|*.*|Text, XML Files (*.txt;*.xml)|*.txt;*.xml";
constexpr int kTextAndXmlEntry = 2;
constexpr std::int32_t kOpenFlags = kOfnPathMustExist | kOfnFileMustExist;  // 6144
constexpr std::int32_t kSaveFlags =
    kOfnOverwritePrompt | kOfnPathMustExist | kOfnNoReadOnlyReturn;  // 34818

void prepare(CommonDialog& dialog, std::int32_t flags, const char* title) {
    dialog.Flags = flags;
    dialog.DialogTitle = title;
    dialog.Filter = kFileFilter;
    dialog.FilterIndex = kTextAndXmlEntry;
}

}  // namespace

// Everything that can fail happens before TakeInText, so a failure leaves the buffer, the menu
// and the reading as they were.
void Frmlan::mnuopen_Click() {
    ComDlg.CancelError = true;
    withCommonErrorBoxUnlessCancelled(p_.messages, [&] {
        prepare(ComDlg, kOpenFlags, "打开文件");
        p_.files.ShowOpen(ComDlg);
        if (ComDlg.FileName.empty()) return;
        TakeInText(linesOfFile(fileTextOf(p_.files, p_.files.readWholeFile(ComDlg.FileName))));
    });
}

void Frmlan::mnusave_Click() {
    ComDlg.CancelError = true;
    withCommonErrorBoxUnlessCancelled(p_.messages, [&] {
        prepare(ComDlg, kSaveFlags, "保存文件");
        p_.files.ShowSave(ComDlg);
        if (ComDlg.FileName.empty()) return;
        p_.files.replaceFile(ComDlg.FileName, fileBytesOf(p_.files, TextBuffer + "\r\n"));
    });
}

}  // namespace talvoro
