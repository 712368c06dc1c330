#pragma once
// Modal message boxes with the style values of the system's message box: how the program tells
// the user anything, its errors above all.

#include <string>

namespace talvoro {

// The program's title, which a box shown without a title of its own carries.
inline constexpr const char* kAppTitle = "Talvoro";

inline constexpr int kMbOk = 0;
inline constexpr int kMbIconExclamation = 48;
inline constexpr int kMbIconInformation = 64;

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Blocks until the user closes the box. An empty title shows the application's title.
    virtual void messageBox(const std::string& text, int style, const std::string& title) = 0;
};

}  // namespace talvoro
