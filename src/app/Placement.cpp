#include "app/Placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/NumberText.h"
#include "base/ErrorPolicy.h"
#include "base/MessageBoxes.h"

namespace talvoro {
namespace {

constexpr const char* kSection = "site";
constexpr const char* kKeyTop = "top";
constexpr const char* kKeyLeft = "left";

float toSingle(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (std::isnan(value)) return 0.0f;
    return static_cast<float>(std::clamp(value, -kMax, kMax));
}

// Distance between two intervals on one axis; 0 when they overlap or touch.
double gap(double a0, double a1, double b0, double b1) {
    if (a1 <= b0) return b0 - a1;
    if (b1 <= a0) return a0 - b1;
    return 0.0;
}

bool overlaps(double a0, double a1, double b0, double b1) {
    return a0 < b1 && b0 < a1;
}

}  // namespace

void Placement::restore() {
    windows_.setWindowTop(
        toSingle(leadingNumber(settings_.getSetting(kAppTitle, kSection, kKeyTop, ""))));
    windows_.setWindowLeft(
        toSingle(leadingNumber(settings_.getSetting(kAppTitle, kSection, kKeyLeft, ""))));
    bringOntoScreen();
}

void Placement::save() {
    eachStepOnItsOwn([&] {
        settings_.saveSetting(kAppTitle, kSection, kKeyTop, numberText(windows_.windowTop()));
    });
    eachStepOnItsOwn([&] {
        settings_.saveSetting(kAppTitle, kSection, kKeyLeft, numberText(windows_.windowLeft()));
    });
}

// A stored place that lies wholly off every screen would leave the program's only window out of
// reach; such a basket is moved into the work area of the nearest screen. A basket that shows
// even partly stays where it is, over a panel or task bar too: its user may have put it there.
void Placement::bringOntoScreen() {
    WindowManager& wm = windows_;
    const std::vector<Screen> screens = wm.screens();
    if (screens.empty()) return;
    const double left = wm.windowLeft(), top = wm.windowTop();
    const double width = wm.windowWidth(), height = wm.windowHeight();

    const Screen* nearest = nullptr;
    double best = std::numeric_limits<double>::infinity();
    for (const Screen& screen : screens) {
        const ScreenRect& s = screen.whole;
        if (overlaps(left, left + width, s.left, s.left + s.width) &&
            overlaps(top, top + height, s.top, s.top + s.height))
            return;  // on this screen, at least in part
        const double dx = gap(left, left + width, s.left, s.left + s.width);
        const double dy = gap(top, top + height, s.top, s.top + s.height);
        const double d = std::hypot(dx, dy);
        if (d < best) best = d, nearest = &screen;
    }
    const ScreenRect& area = nearest->workArea;
    const double maxLeft = std::max(area.left, area.left + area.width - width);
    const double maxTop = std::max(area.top, area.top + area.height - height);
    wm.setWindowTop(static_cast<float>(std::clamp(top, area.top, maxTop)));
    wm.setWindowLeft(static_cast<float>(std::clamp(left, area.left, maxLeft)));
}

}  // namespace talvoro
