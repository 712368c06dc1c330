#pragma once
// The mouse as the core's handlers take it, whichever window system reports it: the codes of
// buttons, keys and drag states, which press starts a move, and when a press and a release make
// a click.

namespace talvoro {

// Mouse buttons, one bit each, so that the buttons held during a move or a drag add up.
inline constexpr int kButtonLeft = 1;
inline constexpr int kButtonRight = 2;
inline constexpr int kButtonMiddle = 4;

// Keys held with a mouse event, one bit each.
inline constexpr int kShiftKey = 1;
inline constexpr int kCtrlKey = 2;
inline constexpr int kAltKey = 4;

// The states of a drag over a window.
inline constexpr int kDragEnter = 0;
inline constexpr int kDragLeave = 1;
inline constexpr int kDragOver = 2;

constexpr int buttonCode(bool left, bool right, bool middle) {
    return (left ? kButtonLeft : 0) | (right ? kButtonRight : 0) | (middle ? kButtonMiddle : 0);
}

constexpr int shiftCode(bool shift, bool ctrl, bool alt) {
    return (shift ? kShiftKey : 0) | (ctrl ? kCtrlKey : 0) | (alt ? kAltKey : 0);
}

// Whether a press hands the window to the platform's move. The move follows the left button
// and ends with its release: started by another button it would do nothing on Windows, and on
// X11 it would hold the window past a quick click and keep the keyboard from the pop-up.
constexpr bool pressStartsMove(int button) {
    return button == kButtonLeft;
}

// One control's clicks: a press of the left button and its release over the same control make
// a click. The second press of a double click starts none, so that a double click on a link
// opens it once. Other buttons neither make a click nor disturb one under way.
class ClickRule {
public:
    void pressed(int button, bool secondOfDouble) {
        if (button == kButtonLeft) armed_ = !secondOfDouble;
    }
    // Whether this release, `over` the control or not, completes a click.
    bool released(int button, bool over) {
        if (button != kButtonLeft) return false;
        const bool click = armed_ && over;
        armed_ = false;
        return click;
    }

private:
    bool armed_ = false;
};

}  // namespace talvoro
