#pragma once
// Twips (1/1440 inch), in which the core designs and places its windows, against the pixels of a
// screen: one conversion with one range for both editions.

namespace talvoro {

inline constexpr double kTwipsPerInch = 1440.0;

// The scale of a screen, across and down: 15 twips per pixel at 96 dots per inch.
struct TwipsPerPixel {
    double x = 15.0;
    double y = 15.0;
};

// The scale of a screen of `dpiX` x `dpiY` logical dots per inch; a value that is not above 0
// counts as 96.
TwipsPerPixel twipsPerPixelAt(double dpiX, double dpiY);

// The farthest a window coordinate may lie from the origin, in pixels: X11 keeps window places
// in 16 bits, and nothing farther lies on any screen of either system.
inline constexpr int kMaxWindowCoordinate = 30000;

// Twips to whole pixels, rounded to the nearest (halves away from 0); NaN gives 0, and values
// beyond the coordinate range are held at its ends. A scale that is not above 0 counts as 15.
int twipsToPixels(double twips, double twipsPerPixel);

inline double pixelsToTwips(double pixels, double twipsPerPixel) {
    return pixels * twipsPerPixel;
}

struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

// A rectangle designed in twips, in pixels. Each edge is rounded on its own, so rectangles that
// touch in twips touch in pixels, and a frame keeps its shape at every scale.
PixelRect pixelRect(int left, int top, int width, int height, TwipsPerPixel scale);

}  // namespace talvoro
