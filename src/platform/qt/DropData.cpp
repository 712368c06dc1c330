#include "platform/qt/DropData.h"

#include <QUrl>

#include "base/AppError.h"

namespace talvoro::qt {
namespace {

[[noreturn]] void noText() {
    throw AppError(kErrNoSuchFormat, "拖放的数据中没有文本（例如文件或图片）");
}

}  // namespace

bool carriesFiles(const QMimeData& mime) {
    // The copied-files lists of GNOME's and MATE's file managers, which some put on the
    // clipboard without a text/uri-list beside them.
    if (mime.hasFormat(QStringLiteral("x-special/gnome-copied-files")) ||
        mime.hasFormat(QStringLiteral("x-special/mate-copied-files")))
        return true;
    // A list of addresses that are not files (a link copied from a page) is still text.
    if (!mime.hasUrls()) return false;
    for (const QUrl& url : mime.urls())
        if (url.isLocalFile()) return true;
    return false;
}

std::optional<std::string> plainText(const QMimeData& mime) {
    if (carriesFiles(mime) || !mime.hasText()) return std::nullopt;
    const QByteArray utf8 = mime.text().toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// A drag that offers text but hands over none has failed on its way (the source gave up, or
// its data was too large for it to send): that is an error, not an empty text that would
// replace the buffer.
DroppedData::DroppedData(const QMimeData* mime) {
    if (!mime) return;
    text_ = plainText(*mime);
    if (text_ && text_->empty()) {
        text_.reset();
        transferFailed_ = true;
    }
}

std::string DroppedData::GetData(int format) {
    if (format != kFormatText) noText();
    if (transferFailed_)
        throw AppError(kErrTransferFailed, "未能取得拖放的文本（数据太大或来源程序没有响应）");
    if (!text_) noText();
    return *text_;
}

std::string DraggedData::GetData(int format) {
    if (format != kFormatText || !mime_) noText();
    if (auto text = plainText(*mime_)) return *text;
    noText();
}

}  // namespace talvoro::qt
