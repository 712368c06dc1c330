#pragma once
// The basket: a 40 x 40 frameless, always-on-top window whose picture forwards the mouse to the
// core.

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <functional>

namespace talvoro::qt {

// What the basket reports: mouse events of the picture, in pixels relative to the picture, and
// the window's closing.
struct BasketEvents {
    std::function<void(int button, QPointF pos)> press, move, release;
    // A move over the basket's frame, outside the picture.
    std::function<void(QPointF pos)> frameMove;
    std::function<void()> close;
};

class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(QWidget* parent, BasketEvents& handlers);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    BasketEvents& handlers_;
    QPixmap picture_;
};

class BasketWindow : public QWidget {
    Q_OBJECT
public:
    explicit BasketWindow(BasketEvents& handlers);

    PictureBox* picture() const { return picture_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    BasketEvents& handlers_;
    PictureBox* picture_;
    bool unloaded_ = false;
};

// The core's button value for a Qt button: 1 left, 2 right, 4 middle, 0 for others.
int buttonValue(Qt::MouseButton b);

}  // namespace talvoro::qt
