#include "platform/qt/DropData.h"

#include <QUrl>

#include "app/AppError.h"

namespace talvoro::qt {
namespace {

[[noreturn]] void noText() {
    throw AppError(kErrNoSuchFormat, "拖放的数据中没有文本（例如文件或图片）");
}

}  // namespace

bool carriesFiles(const QMimeData& mime) {
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

DroppedData::DroppedData(const QMimeData* mime) {
    if (mime) text_ = plainText(*mime);
}

std::string DroppedData::GetData(int format) {
    if (format != kFormatText || !text_) noText();
    return *text_;
}

std::string DraggedData::GetData(int format) {
    if (format != kFormatText || !mime_) noText();
    if (auto text = plainText(*mime_)) return *text;
    noText();
}

}  // namespace talvoro::qt
