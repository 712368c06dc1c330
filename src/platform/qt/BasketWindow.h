#pragma once
// The basket: a frameless, always-on-top window of the core's design whose picture forwards the
// mouse to the core.

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <functional>
#include <vector>

#include "ui/BasketDesign.h"
#include "intake/HeldDrops.h"
#include "platform/DataObject.h"

namespace talvoro::qt {

// What the basket reports, in the core's terms: buttons and keys as its codes, places in twips
// relative to the picture.
struct BasketEvents {
    using Mouse = std::function<void(int button, int shift, float x, float y)>;
    Mouse press, move, release;
    // A move over the basket's frame, outside the picture.
    Mouse frameMove;
    // A drag over the picture (kDragEnter, kDragLeave, kDragOver), and a drop on it once its
    // source has been answered.
    std::function<void(DataObject&, int effect, int buttons, int shift, float x, float y,
                       int state)>
        dragOver;
    std::function<void(HeldDrop& drop)> drop;
    std::function<void()> close;
};

class PictureBox : public QWidget {
    Q_OBJECT
public:
    // `beforePress` runs ahead of every press on the picture.
    PictureBox(QWidget* parent, const BasketLayout& layout, BasketEvents& handlers,
               std::function<void()> beforePress);
    // Where on the screen the last button went down: a move starts from there, wherever the
    // pointer has got to by the time the press is handled.
    QPoint pressedAt() const { return pressedAt_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    BasketEvents& handlers_;
    std::function<void()> beforePress_;
    QPoint pressedAt_;
    QPixmap picture_;
    QSize imageSize_;
};

class BasketWindow : public QWidget {
    Q_OBJECT
public:
    explicit BasketWindow(BasketEvents& handlers);

    PictureBox* picture() const { return picture_; }
    // Hands the drops taken so far to the core.
    void handHeldDrops();
    // Runs `work` once the window system has first put the basket on screen, at once if it
    // already has. A basket that is never exposed (kept off every screen) still runs it, after
    // kOnScreenWait.
    void whenOnScreen(std::function<void()> work);
    static constexpr int kOnScreenWait = 1000;  // ms

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
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

    BasketEvents& handlers_;
    PictureBox* picture_;
    bool unloaded_ = false;
    bool dragOnPicture_ = false;
    QPointF lastDragPos_;
    HeldDrops heldDrops_;
    bool onScreen_ = false;
    bool onScreenTimer_ = false;
    std::vector<std::function<void()>> onScreenWork_;
    void putOnScreen();
};

}  // namespace talvoro::qt
