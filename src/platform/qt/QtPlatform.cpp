#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QWindow>
#include <map>

#include "base/AppError.h"
#include "base/ErrorPolicy.h"
#include "app/Frmlan.h"
#include "platform/qt/DropData.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/X11Move.h"

namespace talvoro::qt {
namespace {

void addItems(QMenu& menu, const MenuItem& parent, std::map<QAction*, MenuItemId>& ids) {
    for (const MenuItem& item : parent.children) {
        if (!item.visible) continue;
        if (item.isSeparator()) {
            menu.addSeparator();
            continue;
        }
        if (!item.children.empty()) {
            QMenu* sub = menu.addMenu(qs(item.caption));
            sub->setEnabled(item.enabled);
            addItems(*sub, item, ids);
            continue;
        }
        QAction* action = menu.addAction(qs(item.caption));
        action->setEnabled(item.enabled);
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
        ids[action] = item.id();
    }
}

}  // namespace

QtPlatform::QtPlatform() {
    basket_ = std::make_unique<BasketWindow>(mouse_);
    basket_->setWindowIcon(QIcon(QStringLiteral(":/talvoro-32.png")));
}

QtPlatform::~QtPlatform() = default;

// Every event reaches the core through its one door.
void QtPlatform::attach(Frmlan& form) {
    mouse_.press = [this, &form](int button, int shift, float x, float y) {
        following_ = false;
        handleEvent(*this, [&] { form.Picture1_MouseDown(button, shift, x, y); });
    };
    mouse_.move = [this, &form](int button, int shift, float x, float y) {
        if (following_ && (QGuiApplication::mouseButtons() & Qt::LeftButton)) {
            basket_->move(QCursor::pos() - followOffset_);
            return;
        }
        handleEvent(*this, [&] { form.Picture1_MouseMove(button, shift, x, y); });
    };
    mouse_.frameMove = [this, mv = &mouse_.move](int button, int shift, float x, float y) {
        // Only a picture that holds the capture hears moves outside its own rectangle.
        if (capture_ == kPicture) (*mv)(button, shift, x, y);
    };
    mouse_.release = [this, &form](int button, int shift, float x, float y) {
        following_ = false;
        handleEvent(*this, [&] { form.Picture1_MouseUp(button, shift, x, y); });
    };
    mouse_.dragOver = [this, &form](DataObject& data, int effect, int buttons, int shift, float x,
                                    float y, int state) {
        std::int32_t e = effect;
        handleEvent(*this,
                    [&] { form.Picture1_OLEDragOver(data, e, buttons, shift, x, y, state); });
    };
    mouse_.drop = [this, &form](HeldDrop& drop) {
        handleEvent(*this, [&] {
            form.Picture1_OLEDragDrop(*drop.data, drop.effect, drop.buttons, drop.shift, drop.x,
                                      drop.y);
        });
    };
    mouse_.close = [this, &form] { handleEvent(*this, [&] { form.Form_Unload(); }); };
}

QWidget* QtPlatform::widget(WindowHandle w) const {
    if (w == kMain) return basket_.get();
    if (w == kPicture) return basket_->picture();
    return nullptr;
}

TwipsPerPixel QtPlatform::scale() const {
    return twipsPerPixelOf(basket_->screen());
}

void QtPlatform::keepOnTop(WindowHandle w) {
    if (QWidget* target = widget(w)) target->raise();
}

// Every top-level window of Qt's can be made translucent.
bool QtPlatform::makeLayered(WindowHandle w) {
    return widget(w) == basket_.get();
}

bool QtPlatform::setOpacity(WindowHandle w, std::uint8_t alpha) {
    if (widget(w) != basket_.get()) return false;
    basket_->setWindowOpacity(alpha / 255.0);
    return true;
}

void QtPlatform::clearShape(WindowHandle w) {
    if (QWidget* target = widget(w)) target->clearMask();
}

void QtPlatform::startMove(WindowHandle w) {
    if (widget(w) != basket_.get()) return;
    // From where the button went down: on a busy desktop the pointer may be further on by now,
    // and a move begun there would leave the basket behind the pointer by as much.
    const QPoint from = basket_->picture()->pressedAt();
    if (startWindowManagerMove(*basket_, from)) return;
    following_ = true;
    followOffset_ = from - basket_->pos();
}

// Capture is the program's own: it decides which handler hears the pointer over the basket. It
// never grabs the pointer away from other programs.
void QtPlatform::setCapture(WindowHandle w) {
    capture_ = w;
}
void QtPlatform::releaseCapture() {
    capture_ = 0;
}

float QtPlatform::windowTop() {
    return static_cast<float>(pixelsToTwips(basket_->pos().y(), scale().y));
}
float QtPlatform::windowLeft() {
    return static_cast<float>(pixelsToTwips(basket_->pos().x(), scale().x));
}
void QtPlatform::setWindowTop(float twips) {
    basket_->move(basket_->pos().x(), twipsToPixels(twips, scale().y));
}
void QtPlatform::setWindowLeft(float twips) {
    basket_->move(twipsToPixels(twips, scale().x), basket_->pos().y());
}
float QtPlatform::windowWidth() {
    return static_cast<float>(pixelsToTwips(basket_->width(), scale().x));
}
float QtPlatform::windowHeight() {
    return static_cast<float>(pixelsToTwips(basket_->height(), scale().y));
}
float QtPlatform::pictureWidth() {
    return static_cast<float>(pixelsToTwips(basket_->picture()->width(), scale().x));
}
float QtPlatform::pictureHeight() {
    return static_cast<float>(pixelsToTwips(basket_->picture()->height(), scale().y));
}

std::vector<Screen> QtPlatform::screens() {
    std::vector<Screen> out;
    const TwipsPerPixel t = scale();
    const auto twips = [t](const QRect& r) {
        return ScreenRect{pixelsToTwips(r.x(), t.x), pixelsToTwips(r.y(), t.y),
                          pixelsToTwips(r.width(), t.x), pixelsToTwips(r.height(), t.y)};
    };
    for (const QScreen* s : QGuiApplication::screens())
        out.push_back({twips(s->geometry()), twips(s->availableGeometry())});
    return out;
}

void QtPlatform::unloadMainWindow() {
    basket_->close();
}

std::optional<MenuItemId> QtPlatform::popupMenu(const MenuItem& root) {
    QMenu menu;
    std::map<QAction*, MenuItemId> ids;
    addItems(menu, root, ids);
    QAction* chosen = menu.exec(QCursor::pos());
    auto it = ids.find(chosen);
    if (it == ids.end()) return std::nullopt;
    return it->second;
}

void QtPlatform::messageBox(const std::string& text, int style, const std::string& title) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (style & 0x70) {
        case 16:
            icon = QMessageBox::Critical;
            break;
        case 32:
            icon = QMessageBox::Question;
            break;
        case kMbIconExclamation:
            icon = QMessageBox::Warning;
            break;
        case kMbIconInformation:
            icon = QMessageBox::Information;
            break;
    }
    QMessageBox box(icon, title.empty() ? QStringLiteral("Talvoro") : qs(title), qs(text),
                    QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

// Copied files hold no text, as dropped files do, even though file managers offer their paths
// as text too: 粘贴 is not offered for them and reads nothing.
std::string QtPlatform::clipboardText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return {};
    return plainText(*data).value_or(std::string());
}

std::string QtPlatform::getSetting(const std::string& app, const std::string& section,
                                   const std::string& key, const std::string& fallback) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, qs(app), qs(app));
    const QVariant value = store.value(qs(section + "/" + key));
    if (!value.isValid()) return fallback;
    // The INI reader splits a value with commas into a list: put it back together.
    if (value.typeId() == QMetaType::QStringList) return ss(value.toStringList().join(','));
    return ss(value.toString());
}

void QtPlatform::saveSetting(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& value) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, qs(app), qs(app));
    store.setValue(qs(section + "/" + key), qs(value));
    store.sync();
    if (store.status() != QSettings::NoError) throw AppError(75, "路径/文件访问错误");
}

void QtPlatform::post(std::function<void()> work) {
    QMetaObject::invokeMethod(
        qApp, [this, work = std::move(work)] { handleEvent(*this, work); }, Qt::QueuedConnection);
}

// Posted, so that the work runs after the basket's first picture has been drawn.
void QtPlatform::postOnceShown(std::function<void()> work) {
    basket_->whenOnScreen([this, work = std::move(work)]() mutable { post(std::move(work)); });
}

}  // namespace talvoro::qt
