// The yardstick for the basket's start-up: a bare Qt 6 frameless, always-on-top 40 x 40 window.

#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget w(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    w.setFixedSize(40, 40);
    w.move(300, 200);
    w.show();
    return app.exec();
}
