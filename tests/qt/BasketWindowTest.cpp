// The basket window's own order of events, on Qt's offscreen platform: a drop is handed to the
// core after its source has been answered, yet never after a press the user made later.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <string>
#include <vector>

#include "platform/DataObject.h"
#include "platform/qt/BasketWindow.h"

namespace talvoro::qt {
namespace {

class BasketWindowOrder : public ::testing::Test {
protected:
    BasketWindowOrder() {
        handlers.press = [this](int button, QPointF) {
            calls.push_back("press " + std::to_string(button));
        };
        handlers.drop = [this](DataObject& data, int, int, int, QPointF) {
            calls.push_back("drop " + data.GetData(kFormatText));
        };
        window.show();
    }

    void drop(const QString& text) {
        QMimeData mime;
        mime.setText(text);
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
        // As the window system hands it over (the application's own routing of drops needs a
        // drag under way).
        static_cast<QObject&>(window).event(&event);
        EXPECT_TRUE(event.isAccepted());
    }

    void press(Qt::MouseButton button) {
        PictureBox* picture = window.picture();
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 5),
                          picture->mapToGlobal(QPointF(5, 5)), button, button, Qt::NoModifier);
        QCoreApplication::sendEvent(picture, &event);
    }

    std::vector<std::string> calls;
    BasketEvents handlers;
    BasketWindow window{handlers};
};

TEST_F(BasketWindowOrder, DropsAreHandedOverOnceTheSourceIsAnsweredInTheOrderMade) {
    drop("first");
    drop("second");
    EXPECT_TRUE(calls.empty()) << "a drop was handled while its source still waited";
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, (std::vector<std::string>{"drop first", "drop second"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls.size(), 2u) << "a drop was handed over twice";
}

TEST_F(BasketWindowOrder, APressThatArrivesFirstStillComesAfterTheDropsBeforeIt) {
    // The pop-up a right click opens must show the buffer with the dropped text in it.
    drop("dropped");
    press(Qt::RightButton);
    EXPECT_EQ(calls, (std::vector<std::string>{"drop dropped", "press 2"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls.size(), 2u) << "the drop was handed over again by the event loop";
    press(Qt::LeftButton);
    EXPECT_EQ(calls.back(), "press 1");
}

}  // namespace
}  // namespace talvoro::qt

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
