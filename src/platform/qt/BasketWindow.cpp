#include "platform/qt/BasketWindow.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/qt/AppLife.h"

namespace talvoro::qt {

int buttonValue(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton: return 1;
        case Qt::RightButton: return 2;
        case Qt::MiddleButton: return 4;
        default: return 0;
    }
}

PictureBox::PictureBox(QWidget* parent, BasketEvents& handlers)
    : QWidget(parent), handlers_(handlers), picture_(QStringLiteral(":/basket.bmp")) {
    setObjectName(QStringLiteral("Picture1"));
    setGeometry(1, 1, 38, 37);
    setCursor(Qt::SizeAllCursor);
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    setPalette(pal);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, picture_);  // 38 x 38: the bottom row falls outside the 37-pixel box
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
    if (const int b = buttonValue(e->button())) handlers_.press(b, e->position());
}

void PictureBox::mouseMoveEvent(QMouseEvent* e) { handlers_.move(0, e->position()); }

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
    if (const int b = buttonValue(e->button())) handlers_.release(b, e->position());
}

BasketWindow::BasketWindow(BasketEvents& handlers)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      handlers_(handlers) {
    setObjectName(QStringLiteral("Frmlan"));
    setWindowTitle(QString());
    setFixedSize(40, 40);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 192));
    setPalette(pal);
    setMouseTracking(true);
    picture_ = new PictureBox(this, handlers_);
}

void BasketWindow::closeEvent(QCloseEvent* e) {
    if (!unloaded_) {
        unloaded_ = true;
        if (handlers_.close) handlers_.close();
    }
    e->accept();
    quitWhenNoWindowsRemain();
}

// The frame around the picture: moves here reach the picture only while it holds the capture,
// which the handlers of the picture decide.
void BasketWindow::mouseMoveEvent(QMouseEvent* e) {
    handlers_.frameMove(e->position() - QPointF(picture_->pos()));
}

}  // namespace talvoro::qt
