#pragma once
// The basket's design, as the About box has its own: a 600 x 600 twip window of dark blue
// around the picture, 570 x 555 twips at 15, 15, which shows the 570 x 570 twip basket image
// from its top-left corner, its last rows cut. Each edition builds the window from it at the
// scale of its screen, so the basket keeps its size in twips.

#include "ui/FormDesign.h"
#include "ui/Twips.h"

namespace talvoro {

struct BasketDesign {
    int size = 600;
    int pictureLeft = 15, pictureTop = 15;
    int pictureWidth = 570, pictureHeight = 555;
    int image = 570;
    Colour background = rgbColour(0, 0, 192);
};

inline constexpr BasketDesign kBasketDesign{};

// The design in whole pixels at a screen's scale: at 96 dpi a 40 x 40 window, the picture 38 x 37
// at 1, 1 and the image 38 x 38; at 144 dpi (150 %) half as large again. Each edge is rounded on
// its own, so the frame around the picture keeps its shape as the sizes grow.
struct BasketLayout {
    int width = 0, height = 0;  // the window
    PixelRect picture;          // in the window's client area
    int imageWidth = 0, imageHeight = 0;
};

BasketLayout basketLayout(TwipsPerPixel scale);

}  // namespace talvoro
