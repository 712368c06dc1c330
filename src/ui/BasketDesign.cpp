#include "ui/BasketDesign.h"

namespace talvoro {

BasketLayout basketLayout(TwipsPerPixel scale) {
    const BasketDesign& d = kBasketDesign;
    BasketLayout layout;
    layout.width = twipsToPixels(d.size, scale.x);
    layout.height = twipsToPixels(d.size, scale.y);
    layout.picture = pixelRect(d.pictureLeft, d.pictureTop, d.pictureWidth, d.pictureHeight, scale);
    layout.imageWidth = twipsToPixels(d.image, scale.x);
    layout.imageHeight = twipsToPixels(d.image, scale.y);
    return layout;
}

}  // namespace talvoro
