#pragma once
// The basket: a frameless, always-on-top window of the core's design whose picture forwards the
// mouse to the core.

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>

#include "app/BasketDesign.h"
#include "platform/DataObject.h"

namespace talvoro::qt {

// What the basket reports: mouse events of the picture, in pixels relative to the picture, and
// the window's closing.
struct BasketEvents {
    std::function<void(int button, QPointF pos)> press, move, release;
    // A move over the basket's frame, outside the picture.
    std::function<void(QPointF pos)> frameMove;
    // A drag over the picture (kDragEnter, kDragLeave, kDragOver) and a drop on it; effect,
    // buttons and keys as the core's handlers take them.
    std::function<void(DataObject&, int effect, int buttons, int shift, QPointF pos, int state)>
        dragOver;
    std::function<void(DataObject&, int effect, int buttons, int shift, QPointF pos)> drop;
    std::function<void()> close;
};

class PictureBox : public QWidget {
    Q_OBJECT
public:
    // `beforePress` runs ahead of every press on the picture.
    PictureBox(QWidget* parent, const BasketLayout& layout, BasketEvents& handlers,
               std::function<void()> beforePress);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    BasketEvents& handlers_;
    std::function<void()> beforePress_;
    QPixmap picture_;
    QSize imageSize_;
};

class BasketWindow : public QWidget {
    Q_OBJECT
public:
    explicit BasketWindow(BasketEvents& handlers);

    PictureBox* picture() const { return picture_; }
    // Hands the drops taken so far to the core, oldest first.
    void handPendingDrops();

protected:
    void closeEvent(QCloseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // Where a drag event is, relative to the picture.
    QPointF overPicture(const QDropEvent* e);
    void dragMoved(QDropEvent* e);
    void leavePicture();

    struct PendingDrop {
        std::shared_ptr<DataObject> data;
        int effect, buttons, shift;
        QPointF at;
    };

    BasketEvents& handlers_;
    PictureBox* picture_;
    bool unloaded_ = false;
    bool dragOnPicture_ = false;
    QPointF lastDragPos_;
    std::deque<PendingDrop> pendingDrops_;
};

}  // namespace talvoro::qt
