// What both editions take from the core for their windows: twips turned into pixels, the
// basket's design at each screen scale, and the rule that makes a press and a release a click.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ui/BasketDesign.h"
#include "ui/Mouse.h"
#include "ui/Twips.h"

namespace talvoro {
namespace {

TEST(Twips, RoundToTheNearestPixelWithinTheCoordinateRange) {
    EXPECT_EQ(twipsToPixels(3000, 15), 200);
    EXPECT_EQ(twipsToPixels(-150, 15), -10);
    EXPECT_EQ(twipsToPixels(22, 15), 1);       // 1.47 pixels
    EXPECT_EQ(twipsToPixels(23, 15), 2);       // 1.53 pixels
    EXPECT_EQ(twipsToPixels(-22.5, 15), -2);   // halves away from 0, on both sides
    EXPECT_EQ(twipsToPixels(3000, 7.5), 400);  // 192 dpi

    // A stored place from another machine, or written by hand, never overflows a window
    // coordinate, nor wraps around in X11's 16 bits.
    EXPECT_EQ(twipsToPixels(1e30, 15), kMaxWindowCoordinate);
    EXPECT_EQ(twipsToPixels(-1e30, 15), -kMaxWindowCoordinate);
    EXPECT_EQ(twipsToPixels(std::numeric_limits<double>::infinity(), 15), kMaxWindowCoordinate);
    EXPECT_EQ(twipsToPixels(std::nan(""), 15), 0);
    EXPECT_LE(kMaxWindowCoordinate, 32767);

    // A screen that reports no usable scale counts as 96 dpi.
    EXPECT_EQ(twipsToPixels(3000, 0), 200);
    EXPECT_EQ(twipsToPixels(3000, std::nan("")), 200);
    const TwipsPerPixel unknown = twipsPerPixelAt(0, -1);
    EXPECT_EQ(unknown.x, 15);
    EXPECT_EQ(unknown.y, 15);
    const TwipsPerPixel wide = twipsPerPixelAt(144, 96);
    EXPECT_EQ(wide.x, 10);
    EXPECT_EQ(wide.y, 15);
}

TEST(Twips, RectanglesThatTouchInTwipsTouchInPixels) {
    for (const double dpi : {96.0, 120.0, 144.0, 168.0}) {
        const TwipsPerPixel scale = twipsPerPixelAt(dpi, dpi);
        const PixelRect a = pixelRect(1245, 1545, 570, 180, scale);
        const PixelRect b = pixelRect(1245 + 570, 1545 + 180, 1005, 195, scale);
        EXPECT_EQ(a.left + a.width, b.left) << dpi;
        EXPECT_EQ(a.top + a.height, b.top) << dpi;
    }
}

// The basket keeps its size in twips on every screen, and its frame around the picture: one
// pixel left, above and right and two below at 96 dpi, in proportion beyond.
TEST(BasketDesign, KeepsItsSizeInTwipsAndTheShapeOfItsFrameAtEveryScale) {
    struct Expected {
        int dpi, size;
        PixelRect picture;
        int image;
    } cases[] = {
        {96, 40, {1, 1, 38, 37}, 38},
        {120, 50, {1, 1, 48, 47}, 48},
        {144, 60, {2, 2, 57, 55}, 57},
        {192, 80, {2, 2, 76, 74}, 76},
    };
    for (const Expected& e : cases) {
        const BasketLayout l = basketLayout(twipsPerPixelAt(e.dpi, e.dpi));
        EXPECT_EQ(l.width, e.size) << e.dpi;
        EXPECT_EQ(l.height, e.size) << e.dpi;
        EXPECT_EQ(l.picture, e.picture) << e.dpi;
        EXPECT_EQ(l.imageWidth, e.image) << e.dpi;
        EXPECT_EQ(l.imageHeight, e.image) << e.dpi;
    }
}

TEST(ClickRule, ALeftPressAndReleaseOverTheControlMakeOneClick) {
    ClickRule rule;
    rule.pressed(kButtonLeft, false);
    EXPECT_TRUE(rule.released(kButtonLeft, true));
    EXPECT_FALSE(rule.released(kButtonLeft, true)) << "one press made two clicks";

    // Released elsewhere: no click, and none left pending for the next release.
    rule.pressed(kButtonLeft, false);
    EXPECT_FALSE(rule.released(kButtonLeft, false));
    EXPECT_FALSE(rule.released(kButtonLeft, true));

    // The second press of a double click opens nothing a second time.
    rule.pressed(kButtonLeft, true);
    EXPECT_FALSE(rule.released(kButtonLeft, true));

    // Other buttons make no click and leave one under way alone.
    rule.pressed(kButtonRight, false);
    EXPECT_FALSE(rule.released(kButtonRight, true));
    rule.pressed(kButtonLeft, false);
    rule.pressed(kButtonMiddle, false);
    EXPECT_FALSE(rule.released(kButtonMiddle, true));
    EXPECT_TRUE(rule.released(kButtonLeft, true));
}

}  // namespace
}  // namespace talvoro
