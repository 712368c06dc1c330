#include "platform/qt/BasketWindow.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <memory>
#include <tuple>
#include <utility>

#include "platform/qt/AppLife.h"
#include "platform/qt/DropData.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/Trace.h"
#include "platform/qt/X11Move.h"

namespace talvoro::qt {
namespace {

// A place in pixels of `widget` in twips of its screen.
std::pair<float, float> twipsOf(const QWidget& widget, QPointF at) {
    const TwipsPerPixel scale = twipsPerPixelOf(widget.screen());
    return {static_cast<float>(pixelsToTwips(at.x(), scale.x)),
            static_cast<float>(pixelsToTwips(at.y(), scale.y))};
}

void report(const BasketEvents::Mouse& handler, const QWidget& widget, int button, QMouseEvent* e,
            QPointF at) {
    if (!handler) return;
    const auto [x, y] = twipsOf(widget, at);
    handler(button, keysOf(e->modifiers()), x, y);
}

}  // namespace

PictureBox::PictureBox(QWidget* parent, const BasketLayout& layout, BasketEvents& handlers,
                       std::function<void()> beforePress)
    : QWidget(parent),
      handlers_(handlers),
      beforePress_(std::move(beforePress)),
      picture_(QStringLiteral(":/basket.bmp")),
      imageSize_(layout.imageWidth, layout.imageHeight) {
    setObjectName(QStringLiteral("Picture1"));
    const PixelRect& at = layout.picture;
    setGeometry(at.left, at.top, at.width, at.height);
    setCursor(Qt::SizeAllCursor);
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    setPalette(pal);
}

// The image from the picture's top-left corner, at the size the screen's scale gives it; the
// picture is a little shorter, so its bottom rows are cut.
void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (picture_.size() == imageSize_) {
        p.drawPixmap(0, 0, picture_);
    } else {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(QRect(QPoint(0, 0), imageSize_), picture_);
    }
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
    pressedAt_ = e->globalPosition().toPoint();
    if (beforePress_) beforePress_();
    if (const int b = buttonsOf(e->button())) report(handlers_.press, *this, b, e, e->position());
}

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
    report(handlers_.move, *this, buttonsOf(e->buttons()), e, e->position());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
    if (const int b = buttonsOf(e->button())) report(handlers_.release, *this, b, e, e->position());
}

BasketWindow::BasketWindow(BasketEvents& handlers)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      handlers_(handlers) {
    setObjectName(QStringLiteral("Frmlan"));
    setWindowTitle(QString());
    const BasketLayout layout = basketLayout(twipsPerPixelOf(nullptr));
    setFixedSize(layout.width, layout.height);
    setAutoFillBackground(true);
    QPalette pal = palette();
    const Colour background = kBasketDesign.background;
    pal.setColor(QPalette::Window,
                 QColor(redOf(background), greenOf(background), blueOf(background)));
    setPalette(pal);
    setMouseTracking(true);
    // Drags are taken by the window and handed to the picture here (see overPicture).
    setAcceptDrops(true);
    picture_ = new PictureBox(this, layout, handlers_, [this] { handHeldDrops(); });
}

void BasketWindow::whenOnScreen(std::function<void()> work) {
    if (onScreen_) {
        work();
        return;
    }
    onScreenWork_.push_back(std::move(work));
    if (!onScreenTimer_) {
        onScreenTimer_ = true;
        QTimer::singleShot(kOnScreenWait, this, [this] { putOnScreen(); });
    }
}

void BasketWindow::putOnScreen() {
    onScreen_ = true;
    for (auto& work : std::exchange(onScreenWork_, {})) work();
}

// Qt tells the widget when it is shown, which is before the window manager has mapped it; the
// native window's first expose is when it is really on screen.
void BasketWindow::showEvent(QShowEvent* e) {
    if (QWindow* w = windowHandle(); w && !onScreen_) w->installEventFilter(this);
    QWidget::showEvent(e);
}

bool BasketWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        putOnScreen();
    }
    return QWidget::eventFilter(watched, e);
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
    report(handlers_.frameMove, *this, buttonsOf(e->buttons()), e,
           e->position() - QPointF(picture_->pos()));
}

// The basket only ever copies: a source that offers to move would otherwise delete the text it
// lent us. Qt's copy, move and link actions have the values of the system's drop effects.
static void acceptAsCopy(QDropEvent* e) {
    if (e->possibleActions() & Qt::CopyAction) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->acceptProposedAction();
    }
}

// Qt places a drag relative to its own idea of the window's position, which can stay at the
// window manager's frame origin when the window was placed while being framed; the X server
// knows better. The event is taken back to the screen the way Qt made it, and placed again.
QPointF BasketWindow::overPicture(const QDropEvent* e) {
    QWindow* w = windowHandle();
    const QPoint believed = w ? w->geometry().topLeft() : pos();
    const QPointF global = e->position() + QPointF(believed);
    const QPoint actual = x11WindowOrigin(*this).value_or(believed);
    return global - QPointF(actual) - QPointF(picture_->pos());
}

void BasketWindow::leavePicture() {
    if (!dragOnPicture_) return;
    dragOnPicture_ = false;
    if (!handlers_.dragOver) return;
    DraggedData none(nullptr);
    const auto [x, y] = twipsOf(*this, lastDragPos_);
    handlers_.dragOver(none, 0, 0, 0, x, y, kDragLeave);
}

// Over the picture every drag is let through to the drop, whatever it carries; over the frame
// around it none is.
void BasketWindow::dragMoved(QDropEvent* e) {
    const QPointF at = overPicture(e);
    if (!QRectF(picture_->rect()).contains(at)) {
        e->ignore();
        leavePicture();
        return;
    }
    acceptAsCopy(e);
    const int state = dragOnPicture_ ? kDragOver : kDragEnter;
    dragOnPicture_ = true;
    lastDragPos_ = at;
    if (!handlers_.dragOver) return;
    DraggedData data(e->mimeData());
    const auto [x, y] = twipsOf(*this, at);
    handlers_.dragOver(data, static_cast<int>(e->dropAction()), buttonsOf(e->buttons()),
                       keysOf(e->modifiers()), x, y, state);
}

// A drag that enters over the frame is still taken in, or Qt would send the moves that follow
// onto the picture nowhere; whether it may drop is decided move by move.
void BasketWindow::dragEnterEvent(QDragEnterEvent* e) {
    dragOnPicture_ = false;
    dragMoved(e);
    if (!e->isAccepted()) acceptAsCopy(e);
}

void BasketWindow::dragMoveEvent(QDragMoveEvent* e) {
    dragMoved(e);
}

void BasketWindow::dragLeaveEvent(QDragLeaveEvent*) {
    leavePicture();
}

// The data is transferred now, while the drop lasts; the handler runs once the drag source has
// been answered, so that it never waits on a message box.
void BasketWindow::dropEvent(QDropEvent* e) {
    const QPointF at = overPicture(e);
    dragOnPicture_ = false;
    if (!QRectF(picture_->rect()).contains(at)) {
        e->ignore();
        return;
    }
    auto data = std::make_unique<DroppedData>(e->mimeData());
    trace("taken", static_cast<long long>(data->size()));
    acceptAsCopy(e);
    HeldDrop drop{std::move(data), static_cast<int>(e->dropAction()), buttonsOf(e->buttons()),
                  keysOf(e->modifiers())};
    std::tie(drop.x, drop.y) = twipsOf(*this, at);
    heldDrops_.hold(std::move(drop));
    QTimer::singleShot(0, this, [this] { handHeldDrops(); });
}

void BasketWindow::handHeldDrops() {
    heldDrops_.handOver([this](HeldDrop& drop) {
        if (handlers_.drop) handlers_.drop(drop);
    });
}

}  // namespace talvoro::qt
