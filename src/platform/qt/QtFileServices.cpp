#include "platform/qt/QtFileServices.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <unistd.h>

#include "base/AppError.h"
#include "platform/qt/PosixFiles.h"
#include "platform/qt/QtUi.h"

namespace talvoro::qt {
namespace {

// "description|patterns|..." as Qt's name filters. The description is shown as it is (Qt hides
// the pattern list it reads from the final parentheses); "*.*" means every file, as it does on
// Windows, and not only names with a dot.
QStringList nameFilters(const std::string& filter) {
    const QStringList parts = qs(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

// The dialog's own refusals and questions, made before it closes, the way the system's dialog
// makes them: the dialog stays open for another choice.
class FileDialog : public QFileDialog {
public:
    FileDialog(std::int32_t flags, bool save) : flags_(flags), save_(save) {}

    void accept() override {
        const QStringList chosen = selectedFiles();
        if (chosen.size() == 1 && !QFileInfo(chosen.front()).isDir() && !allowed(chosen.front()))
            return;
        QFileDialog::accept();
    }

private:
    bool allowed(const QString& path) {
        const QFileInfo info(path);
        const QString folder = info.absolutePath();
        const std::string local = ss(info.absoluteFilePath());
        if ((flags_ & (kOfnPathMustExist | kOfnFileMustExist)) && !QDir(folder).exists()) {
            warn(path + QStringLiteral("\n路径不存在。\n请检查路径是否正确。"));
            return false;
        }
        if ((flags_ & kOfnFileMustExist) && !info.exists()) {
            warn(path + QStringLiteral("\n找不到文件。\n请检查文件名是否正确，然后重试。"));
            return false;
        }
        if (save_ && (flags_ & kOfnNoReadOnlyReturn)) {
            if (isReadOnlyFile(local)) {
                warn(path + QStringLiteral("\n此文件为只读文件。\n请使用其他文件名。"));
                return false;
            }
            if (::access(QFile::encodeName(folder).constData(), W_OK) != 0) {
                warn(folder + QStringLiteral("\n此文件夹为只读文件夹，无法在其中保存文件。"));
                return false;
            }
        }
        if (save_ && (flags_ & kOfnOverwritePrompt) && info.exists()) {
            QMessageBox box(QMessageBox::Warning, windowTitle(),
                            info.fileName() + QStringLiteral(" 已存在。\n要替换它吗？"),
                            QMessageBox::Yes | QMessageBox::No, this);
            box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
            box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
            box.setDefaultButton(QMessageBox::No);
            return box.exec() == QMessageBox::Yes;
        }
        return true;
    }

    void warn(const QString& text) {
        QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
    }

    std::int32_t flags_;
    bool save_;
};

void show(CommonDialog& dialog, bool save) {
    FileDialog box(dialog.Flags, save);
    box.setOption(QFileDialog::DontUseNativeDialog);
    box.setOption(QFileDialog::HideNameFilterDetails);
    box.setOption(QFileDialog::DontConfirmOverwrite);  // asked above, when the flags say so
    box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    box.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    box.setWindowTitle(dialog.DialogTitle.empty()
                           ? (save ? QStringLiteral("另存为") : QStringLiteral("打开"))
                           : qs(dialog.DialogTitle));
    box.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围："));
    box.setLabelText(QFileDialog::FileName, QStringLiteral("文件名："));
    box.setLabelText(QFileDialog::FileType, QStringLiteral("文件类型："));
    box.setLabelText(QFileDialog::Accept, save ? QStringLiteral("保存") : QStringLiteral("打开"));
    box.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    // Above the basket, which stays above everything else.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);

    const QStringList filters = nameFilters(dialog.Filter);
    if (!filters.isEmpty()) {
        box.setNameFilters(filters);
        if (dialog.FilterIndex >= 1 && dialog.FilterIndex <= filters.size())
            box.selectNameFilter(filters[dialog.FilterIndex - 1]);
    }
    if (!dialog.FileName.empty()) box.selectFile(qs(dialog.FileName));

    if (box.exec() != QDialog::Accepted) {
        if (dialog.CancelError) throw AppError(kErrDialogCancelled, "选定了“取消”");
        dialog.FileName.clear();
        return;
    }
    const QStringList chosen = box.selectedFiles();
    dialog.FileName =
        chosen.isEmpty() ? std::string() : ss(QDir::toNativeSeparators(chosen.front()));
    if (const qsizetype i = filters.indexOf(box.selectedNameFilter()); i >= 0)
        dialog.FilterIndex = static_cast<int>(i) + 1;
}

}  // namespace

QtFileServices::QtFileServices() : charset_(FileCharset::fromLocale()) {}
QtFileServices::QtFileServices(FileCharset charset) : charset_(std::move(charset)) {}

void QtFileServices::ShowOpen(CommonDialog& dialog) {
    show(dialog, false);
}
void QtFileServices::ShowSave(CommonDialog& dialog) {
    show(dialog, true);
}

std::string QtFileServices::readWholeFile(const std::string& path) {
    return qt::readWholeFile(path);
}

void QtFileServices::replaceFile(const std::string& path, const std::string& bytes) {
    qt::replaceFile(path, bytes);
}

std::string QtFileServices::ansiToText(std::string bytes) {
    return charset_.decode(std::move(bytes));
}

std::optional<std::string> QtFileServices::textToAnsi(const std::string& text) {
    return charset_.encode(text);
}

}  // namespace talvoro::qt
