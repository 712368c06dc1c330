// The basket window's own order of events, on Qt's offscreen platform: a drop is handed to the
// core after its source has been answered, yet never after a press the user made later. And what
// counts as text in dragged or copied data.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <optional>
#include <string>
#include <vector>

#include "platform/DataObject.h"
#include "platform/qt/BasketWindow.h"
#include "platform/qt/DropData.h"
#include "platform/qt/QtPlatform.h"

namespace talvoro::qt {
namespace {

class BasketWindowOrder : public ::testing::Test {
protected:
    BasketWindowOrder() {
        handlers.press = [this](int button, int, float, float) {
            calls.push_back("press " + std::to_string(button));
        };
        handlers.drop = [this](HeldDrop& drop) {
            calls.push_back("drop " + drop.data->GetData(kFormatText));
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

// What counts as text in a drag or on the clipboard: a list of files never does, whatever text
// comes with it, and a file manager's copied-files list is one even without a URL list. Web
// addresses are text.
TEST(DataRule, FileListsAreNoTextWhateverTextComesWithThem) {
    QMimeData text;
    text.setText(QStringLiteral("plain words"));
    EXPECT_EQ(plainText(text), "plain words");

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/etc/hostname"))});
    files.setText(QStringLiteral("/etc/hostname"));
    EXPECT_EQ(plainText(files), std::nullopt);

    for (const char* list : {"x-special/gnome-copied-files", "x-special/mate-copied-files"}) {
        QMimeData copied;
        copied.setData(QString::fromLatin1(list), "copy\nfile:///etc/hostname");
        copied.setText(QStringLiteral("/etc/hostname"));
        EXPECT_EQ(plainText(copied), std::nullopt) << list;
    }

    QMimeData link;
    link.setUrls({QUrl(QStringLiteral("https://example.org/page"))});
    link.setText(QStringLiteral("https://example.org/page"));
    EXPECT_EQ(plainText(link), "https://example.org/page");
    link.setUrls({QUrl(QStringLiteral("https://example.org/page")),
                  QUrl::fromLocalFile(QStringLiteral("/etc/hostname"))});
    EXPECT_EQ(plainText(link), std::nullopt);

    QMimeData picture;
    picture.setData(QStringLiteral("image/png"), "\x89PNG");
    EXPECT_EQ(plainText(picture), std::nullopt);
}

// Background work that waits for the basket to be on screen: not while it is only built, once
// the window system has exposed it, at once afterwards, and after a while even if it never is.
TEST(OnScreen, WorkWaitsForTheFirstExposeOrForTheLongestWait) {
    const auto pump = [](int ms) {
        QElapsedTimer clock;
        clock.start();
        do QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        while (clock.elapsed() < ms);
    };
    BasketEvents handlers;
    {
        BasketWindow basket(handlers);
        std::vector<std::string> ran;
        basket.whenOnScreen([&] { ran.push_back("first"); });
        pump(50);
        EXPECT_TRUE(ran.empty()) << "ran before the basket was shown";
        basket.show();
        EXPECT_TRUE(ran.empty()) << "ran when shown, before the window system exposed it";
        pump(200);
        EXPECT_EQ(ran, std::vector<std::string>{"first"});
        basket.whenOnScreen([&] { ran.push_back("later"); });
        EXPECT_EQ(ran, (std::vector<std::string>{"first", "later"}));
        pump(BasketWindow::kOnScreenWait + 100);
        EXPECT_EQ(ran.size(), 2u) << "work ran twice";
    }
    {
        BasketWindow hidden(handlers);
        bool ran = false;
        hidden.whenOnScreen([&] { ran = true; });
        pump(BasketWindow::kOnScreenWait / 2);
        EXPECT_FALSE(ran);
        pump(BasketWindow::kOnScreenWait);
        EXPECT_TRUE(ran) << "a basket never exposed kept its work waiting";
    }
}

// Work that reaches the user-interface thread goes through the core's one door: what escapes it
// is shown in the common error box, as on Windows, and the work after it still runs.
TEST(EventDoor, AFailureInPostedWorkIsShownAndTheRestStillRuns) {
    struct RecordingPlatform : QtPlatform {
        std::vector<std::string> boxes;
        void messageBox(const std::string& text, int, const std::string& title) override {
            boxes.push_back(title + " " + text);
        }
    } platform;
    bool after = false;
    platform.post([] { throw std::runtime_error("lost"); });
    platform.post([&] { after = true; });
    QCoreApplication::processEvents();
    EXPECT_EQ(platform.boxes, std::vector<std::string>{"错误信息：5 lost"});
    EXPECT_TRUE(after);
}

}  // namespace
}  // namespace talvoro::qt

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
