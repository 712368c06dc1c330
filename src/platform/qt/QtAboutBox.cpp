#include "platform/qt/QtAboutBox.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "base/ErrorPolicy.h"
#include "platform/qt/AppLife.h"
#include "platform/qt/QtUi.h"

namespace talvoro::qt {
namespace {

QRect pixels(int left, int top, int width, int height, TwipsPerPixel scale) {
    const PixelRect r = pixelRect(left, top, width, height, scale);
    return QRect(r.left, r.top, r.width, r.height);
}

// A font of the design, under the name Windows gives it, as a font this desktop has: the Song
// typeface 宋体 becomes a Simplified Chinese serif, the Windows sans serifs a sans serif. Han
// characters in any of them take their Simplified Chinese forms, never those of the first CJK
// font the system happens to list.
QFont desktopFont(const FontDesign& font) {
    struct Family {
        std::vector<const char*> windowsNames;
        QStringList desktopNames;
    };
    static const std::vector<Family> families = {
        {{"宋体", "新宋体", "SimSun", "NSimSun"},
         {"Noto Serif CJK SC", "Source Han Serif SC", "AR PL UMing CN", "serif"}},
        {{"黑体", "微软雅黑", "SimHei", "Microsoft YaHei"},
         {"Noto Sans CJK SC", "Source Han Sans SC", "WenQuanYi Zen Hei", "sans-serif"}},
        {{"MS Sans Serif", "Microsoft Sans Serif", "Arial", "Tahoma"},
         {"Liberation Sans", "Nimbus Sans", "DejaVu Sans", "sans-serif"}},
    };
    QStringList names{qs(font.name)};
    for (const Family& f : families) {
        for (const char* n : f.windowsNames) {
            if (QString::compare(qs(font.name), QString::fromUtf8(n), Qt::CaseInsensitive) == 0)
                names = f.desktopNames;
        }
    }
    names.append(QStringLiteral("Noto Sans CJK SC"));
    QFont q;
    q.setFamilies(names);
    q.setPointSizeF(font.points);
    q.setBold(font.bold);
    q.setUnderline(font.underline);
    return q;
}

// Reports one widget's mouse to the core: every press and release, and the clicks the core's
// rule makes of them.
class MouseReporter {
public:
    MouseReporter(std::string name, AboutEvents& events, const TwipsPerPixel& scale)
        : name_(std::move(name)), events_(events), scale_(scale) {}

    void press(QMouseEvent* e, bool secondOfDouble) {
        e->accept();
        const int button = buttonsOf(e->button());
        if (!button) return;
        clicks_.pressed(button, secondOfDouble);
        const QPointF at = e->position();
        events_.MouseDown(name_, button, keysOf(e->modifiers()), twipsX(at), twipsY(at));
    }

    void release(QWidget& w, QMouseEvent* e) {
        e->accept();
        const int button = buttonsOf(e->button());
        if (!button) return;
        const QPointF at = e->position();
        const bool click = clicks_.released(button, w.rect().contains(at.toPoint()));
        events_.MouseUp(name_, button, keysOf(e->modifiers()), twipsX(at), twipsY(at));
        if (click) events_.Click(name_);
    }

private:
    float twipsX(QPointF at) const { return static_cast<float>(pixelsToTwips(at.x(), scale_.x)); }
    float twipsY(QPointF at) const { return static_cast<float>(pixelsToTwips(at.y(), scale_.y)); }

    std::string name_;
    AboutEvents& events_;
    TwipsPerPixel scale_;
    ClickRule clicks_;
};

// The box's events on their way to the core, each through the core's one door.
class EventDoor : public AboutEvents {
public:
    EventDoor(AboutEvents& events, MessageBoxes& boxes) : events_(events), boxes_(boxes) {}
    void Click(const std::string& control) override {
        handleEvent(boxes_, [&] { events_.Click(control); });
    }
    void MouseDown(const std::string& control, int button, int shift, float x, float y) override {
        handleEvent(boxes_, [&] { events_.MouseDown(control, button, shift, x, y); });
    }
    void MouseUp(const std::string& control, int button, int shift, float x, float y) override {
        handleEvent(boxes_, [&] { events_.MouseUp(control, button, shift, x, y); });
    }
    void Unload() override {
        handleEvent(boxes_, [&] { events_.Unload(); });
    }

private:
    AboutEvents& events_;
    MessageBoxes& boxes_;
};

// A label or the picture. It keeps its clicks: what it does not handle must not fall through
// to the window's surface, whose click closes the box.
class AboutLabel : public QLabel {
public:
    AboutLabel(QWidget* parent, const std::string& name, AboutEvents& events,
               const TwipsPerPixel& scale)
        : QLabel(parent), mouse_(name, events, scale) {
        setObjectName(qs(name));
    }

protected:
    void mousePressEvent(QMouseEvent* e) override { mouse_.press(e, false); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { mouse_.press(e, true); }
    void mouseReleaseEvent(QMouseEvent* e) override { mouse_.release(*this, e); }

private:
    MouseReporter mouse_;
};

}  // namespace

class AboutWindow : public QWidget {
public:
    AboutWindow(const FormDesign& design, AboutEvents& events)
        : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
          events_(events),
          scale_(twipsPerPixelOf(nullptr)),
          mouse_("", events, scale_) {
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName(qs(design.name));
        setWindowTitle(qs(design.caption));
        setWindowIcon(QIcon(QStringLiteral(":/talvoro-32.png")));
        setFont(desktopFont(design.font));
        // Fixed single border: the window cannot be resized. The geometry is the client area's,
        // so the frame the window manager adds lies around it.
        const QRect client =
            pixels(design.left, design.top, design.clientWidth, design.clientHeight, scale_);
        setFixedSize(client.size());
        setGeometry(client);
        for (const ControlDesign& c : design.controls) addControl(c);
    }

    void setForeColour(const std::string& name, Colour colour) {
        auto it = labels_.find(name);
        if (it == labels_.end()) return;
        QPalette pal = it->second->palette();
        pal.setColor(QPalette::WindowText, QColor(redOf(colour), greenOf(colour), blueOf(colour)));
        it->second->setPalette(pal);
    }

    void forget() { reported_ = true; }

protected:
    void closeEvent(QCloseEvent* e) override {
        e->accept();
        if (!reported_) {
            reported_ = true;
            events_.Unload();
        }
        quitWhenNoWindowsRemain();
    }

    // Enter presses the default button and Esc the cancel button, wherever the focus is.
    void keyPressEvent(QKeyEvent* e) override {
        QPushButton* target = nullptr;
        switch (e->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                target = defaultButton_;
                break;
            case Qt::Key_Escape:
                target = cancelButton_;
                break;
            default:
                break;
        }
        if (!target) {
            QWidget::keyPressEvent(e);
            return;
        }
        e->accept();
        target->click();
    }

    void mousePressEvent(QMouseEvent* e) override { mouse_.press(e, false); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { mouse_.press(e, true); }
    void mouseReleaseEvent(QMouseEvent* e) override { mouse_.release(*this, e); }

private:
    void addControl(const ControlDesign& c) {
        const QRect r = pixels(c.left, c.top, c.width, c.height, scale_);
        switch (c.kind) {
            case ControlKind::Button: {
                auto* button = new QPushButton(qs(c.caption), this);
                button->setObjectName(qs(c.name));
                button->setGeometry(r);
                // Enter on the focused button is the window's Enter too: one press, one click.
                button->setAutoDefault(false);
                button->setDefault(c.isDefault);
                if (c.isDefault) defaultButton_ = button;
                if (c.isCancel) cancelButton_ = button;
                const std::string name = c.name;
                QObject::connect(button, &QPushButton::clicked, this,
                                 [this, name] { events_.Click(name); });
                if (!focusSet_) {
                    button->setFocus();
                    focusSet_ = true;
                }
                break;
            }
            case ControlKind::Picture: {
                auto* picture = new AboutLabel(this, c.name, events_, scale_);
                picture->setPixmap(QPixmap(QStringLiteral(":/talvoro-32.png")));
                picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                picture->setGeometry(r);
                break;
            }
            case ControlKind::Label: {
                auto* label = new AboutLabel(this, c.name, events_, scale_);
                label->setText(qs(c.caption));
                label->setTextFormat(Qt::PlainText);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                if (c.font) label->setFont(desktopFont(*c.font));
                if (c.handPointer) label->setCursor(Qt::PointingHandCursor);
                // The desktop's fonts stand taller than the Windows ones the box was drawn
                // with, and may run wider: a label grows to its text rather than cut off the
                // lower part of its glyphs, a link's underline or the end of an address.
                const QFontMetrics metrics(label->font());
                const int room = width() - r.x();
                const int wide = std::min(metrics.horizontalAdvance(label->text()) + 1, room);
                label->setGeometry(r.x(), r.y(), std::max(r.width(), wide),
                                   std::max(r.height(), metrics.height()));
                labels_[c.name] = label;
                if (c.foreColour) setForeColour(c.name, *c.foreColour);
                break;
            }
        }
    }

    AboutEvents& events_;
    TwipsPerPixel scale_;
    MouseReporter mouse_;
    std::map<std::string, QLabel*> labels_;
    QPushButton* defaultButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    bool focusSet_ = false;
    bool reported_ = false;
};

QtAboutBox::~QtAboutBox() {
    if (window_) {
        window_->forget();
        delete window_.data();
    }
}

void QtAboutBox::loadAbout(const FormDesign& design, AboutEvents& events) {
    if (window_) {
        window_->forget();
        delete window_.data();
    }
    door_ = std::make_unique<EventDoor>(events, boxes_);
    window_ = new AboutWindow(design, *door_);
}

void QtAboutBox::showAbout() {
    // The window manager may have minimized it, though the box offers no button for it.
    if (window_) bringForward(*window_);
}

void QtAboutBox::setAboutForeColour(const std::string& control, Colour colour) {
    if (window_) window_->setForeColour(control, colour);
}

void QtAboutBox::unloadAbout() {
    if (window_) window_->close();
}

bool QtAboutBox::openAddress(const std::string& address) {
    const QUrl url(qs(address), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty()) return false;
    return QDesktopServices::openUrl(url);
}

}  // namespace talvoro::qt
