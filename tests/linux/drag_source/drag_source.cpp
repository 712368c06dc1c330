// A drag source in a process of its own, as another program on the desktop would be: a small
// window that starts a drag (XDND) when the left button is pressed on it, offering text, a file
// list or a picture. Driven with xdotool: press on it, move onto the target, release.
//
//   talvoro_drag_source [--text TEXT | --text-file PATH | --files PATH... | --image]
//                       [--at X,Y] [--once] [--stall] [--copy | --copy-gnome]
//
// --stall offers the text but never hands it over, as a program that hangs mid-drop.
// --copy puts the offer on the clipboard instead and serves it from there, as a file manager's
// copy does: a file list as text/uri-list, x-special/gnome-copied-files and the paths as text.
// --copy-gnome leaves text/uri-list out, as some file managers do.
//
// Prints "ready <window id>" once shown and, after every drag, "dropped <action> <t>" where t is
// CLOCK_MONOTONIC in nanoseconds when the target had taken the data and answered.

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QThread>
#include <QUrl>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace {

struct Offer {
    enum Kind { Text, Files, Image } kind = Text;
    QByteArray text;  // UTF-8
    QStringList files;
};

long long monotonicNs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

// Data that makes whoever asks for it wait, as a program that hangs would.
class StalledData : public QMimeData {
protected:
    QVariant retrieveData(const QString& type, QMetaType meta) const override {
        QThread::sleep(60);
        return QMimeData::retrieveData(type, meta);
    }
};

// The offer as it travels; `clipboard` adds what file managers put beside a copied file list.
QMimeData* dataOf(const Offer& offer, QMimeData* mime, bool clipboard, bool uriList) {
    switch (offer.kind) {
        case Offer::Text:
            mime->setData(QStringLiteral("text/plain;charset=utf-8"), offer.text);
            mime->setText(QString::fromUtf8(offer.text));
            break;
        case Offer::Files: {
            QList<QUrl> urls;
            for (const QString& f : offer.files) urls << QUrl::fromLocalFile(f);
            if (uriList) mime->setUrls(urls);
            if (clipboard) {
                QByteArray copied = "copy";
                for (const QUrl& url : urls) copied += "\n" + url.toEncoded();
                mime->setData(QStringLiteral("x-special/gnome-copied-files"), copied);
            }
            // As file managers do: the addresses as plain text too.
            mime->setText(offer.files.join(QLatin1Char('\n')));
            break;
        }
        case Offer::Image: {
            QImage image(16, 16, QImage::Format_RGB32);
            image.fill(Qt::red);
            mime->setImageData(image);
            break;
        }
    }
    return mime;
}

class Source : public QWidget {
public:
    Source(Offer offer, bool once, bool stall)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
          offer_(std::move(offer)),
          once_(once),
          stall_(stall) {
        setFixedSize(120, 60);
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(0, 160, 0));
        setPalette(pal);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        QMimeData* mime = dataOf(offer_, stall_ ? new StalledData : new QMimeData, false, true);
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction);
        std::printf("dropped %d %lld\n", static_cast<int>(action), monotonicNs());
        std::fflush(stdout);
        if (once_) QApplication::quit();
    }

private:
    Offer offer_;
    bool once_;
    bool stall_;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Offer offer;
    offer.text = "Hello from another program.";
    int x = 100, y = 100;
    bool once = false, stall = false, copy = false, copyUriList = false;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> QString { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == QLatin1String("--text")) {
            offer.kind = Offer::Text;
            offer.text = value().toUtf8();
        } else if (a == QLatin1String("--text-file")) {
            QFile f(value());
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(f.fileName()));
                return 2;
            }
            offer.kind = Offer::Text;
            offer.text = f.readAll();
        } else if (a == QLatin1String("--files")) {
            offer.kind = Offer::Files;
            while (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--")))
                offer.files << args[++i];
        } else if (a == QLatin1String("--image")) {
            offer.kind = Offer::Image;
        } else if (a == QLatin1String("--at")) {
            const QStringList xy = value().split(QLatin1Char(','));
            if (xy.size() == 2) {
                x = xy[0].toInt();
                y = xy[1].toInt();
            }
        } else if (a == QLatin1String("--once")) {
            once = true;
        } else if (a == QLatin1String("--stall")) {
            stall = true;
        } else if (a == QLatin1String("--copy") || a == QLatin1String("--copy-gnome")) {
            copy = true;
            copyUriList = a == QLatin1String("--copy");
        }
    }
    // The clipboard takes ownership of the data.
    if (copy)
        QApplication::clipboard()->setMimeData(dataOf(offer, new QMimeData, true, copyUriList));
    Source source(offer, once, stall);
    source.move(x, y);
    // A program that copies shows no window of ours: a new window would take the focus, and
    // with it close a menu open elsewhere.
    if (!copy) source.show();
    std::printf("ready %llu\n", static_cast<unsigned long long>(source.winId()));
    std::fflush(stdout);
    return app.exec();
}
