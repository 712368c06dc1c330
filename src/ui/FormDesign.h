#pragma once
// A small window as the core designs it: caption, size and place, and its controls with their
// texts, places, colours and fonts. Places and sizes are in twips; each adapter turns them into
// pixels of the screen the window opens on, and the fonts into fonts it has.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talvoro {

// A colour as the system keeps it: red in the low byte, then green, then blue.
using Colour = std::uint32_t;

constexpr Colour rgbColour(int red, int green, int blue) {
    return static_cast<Colour>(red & 0xFF) | static_cast<Colour>(green & 0xFF) << 8 |
           static_cast<Colour>(blue & 0xFF) << 16;
}
constexpr int redOf(Colour c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int greenOf(Colour c) {
    return static_cast<int>(c >> 8 & 0xFF);
}
constexpr int blueOf(Colour c) {
    return static_cast<int>(c >> 16 & 0xFF);
}

inline constexpr int kAnsiCharset = 0;
inline constexpr int kGb2312Charset = 134;

struct FontDesign {
    std::string name;  // the typeface as Windows names it
    int charset = kAnsiCharset;
    double points = 9;
    bool bold = false;
    bool underline = false;
};

enum class ControlKind {
    Picture,  // the program's 32 x 32 icon
    Label,
    Button,
};

struct ControlDesign {
    std::string name;
    ControlKind kind = ControlKind::Label;
    std::string caption;
    int left = 0, top = 0, width = 0, height = 0;
    std::optional<Colour> foreColour;  // none: the system's text colour
    std::optional<FontDesign> font;    // none: the form's font
    bool handPointer = false;          // the pointing hand while the mouse is over it
    bool isDefault = false;            // Enter presses it
    bool isCancel = false;             // Esc presses it
};

enum class Border {
    FixedSingle,  // a title bar and a thin frame; the window cannot be resized
    Sizable,      // a sizing frame and the usual title-bar buttons
};

struct FormDesign {
    std::string name;
    std::string caption;
    Border border = Border::FixedSingle;
    int clientWidth = 0, clientHeight = 0;
    // Where the client area's top-left corner opens, in screen coordinates, unless the system
    // places the window where it places new windows.
    bool systemPlaced = false;
    int left = 0, top = 0;
    FontDesign font;
    // In tab order; the first button has the focus when the window opens.
    std::vector<ControlDesign> controls;

    const ControlDesign* control(const std::string& controlName) const {
        for (const ControlDesign& c : controls)
            if (c.name == controlName) return &c;
        return nullptr;
    }
};

}  // namespace talvoro
