#pragma once
// What a drag carries, for the core's drop and drag-over handlers.

#include <QMimeData>
#include <optional>
#include <string>

#include "platform/DataObject.h"

namespace talvoro::qt {

// Whether data carries a list of files. Toolkits and file managers offer a dragged or copied
// file list's addresses as text/plain beside the list; such data counts as files, not text, so
// that a dropped or pasted file is never read out as its address.
bool carriesFiles(const QMimeData& mime);

// The plain text of a drag or of the clipboard (UTF-8, as text/plain;charset=utf-8, UTF8_STRING
// or text/plain), or nullopt when it carries none or carries files.
std::optional<std::string> plainText(const QMimeData& mime);

// The data of a drop, taken while the drop event lasts (the data transfer happens then), so
// that the core's handler can run once the drag source has been answered.
class DroppedData : public DataObject {
public:
    explicit DroppedData(const QMimeData* mime);
    std::string GetData(int format) override;
    // Bytes of text taken (0 for none).
    std::size_t size() const { return text_ ? text_->size() : 0; }

private:
    std::optional<std::string> text_;
    bool transferFailed_ = false;
};

// The data of a drag under way: the drag-over handler does not look at it.
class DraggedData : public DataObject {
public:
    explicit DraggedData(const QMimeData* mime) : mime_(mime) {}
    std::string GetData(int format) override;

private:
    const QMimeData* mime_;
};

}  // namespace talvoro::qt
