#pragma once
// The About box `Frmabout`: the product's name and version, its author, the maker's rights and
// two links, one to the maker's web page and one for writing the maker an e-mail. Its texts are
// fixed in its design; its behaviour is opening the links, colouring a link while a mouse
// button is down on it, and closing.

#include <string>

#include "platform/AboutBox.h"

namespace talvoro {

inline constexpr const char* kMakerWebAddress = "http://www.talvoro.example/";
inline constexpr const char* kMakerMailAddress = "me@talvoro.example";

inline constexpr Colour kLinkColour = rgbColour(0, 0, 255);
inline constexpr Colour kPressedLinkColour = rgbColour(255, 0, 0);

class Frmabout : public AboutEvents {
public:
    explicit Frmabout(AboutBox& box);

    static const FormDesign& design();

    // Loads the box when it is not loaded and shows it modelessly; a box already open is only
    // brought forward.
    void Show();
    bool isLoaded() const { return loaded_; }

    // Handlers.
    void cmdOK_Click();
    void Form_Click();
    void Form_Unload();
    void lblWww_Click();
    void lblSmtp_Click();
    void lblWww_MouseDown(int Button, int Shift, float X, float Y);
    void lblWww_MouseUp(int Button, int Shift, float X, float Y);
    void lblSmtp_MouseDown(int Button, int Shift, float X, float Y);
    void lblSmtp_MouseUp(int Button, int Shift, float X, float Y);

    // AboutEvents: the window's events, handed to the handlers above. Events of controls
    // without a handler, and any event once the box has closed, are passed over.
    void Click(const std::string& control) override;
    void MouseDown(const std::string& control, int button, int shift, float x, float y) override;
    void MouseUp(const std::string& control, int button, int shift, float x, float y) override;
    void Unload() override;

private:
    void unloadMe();
    void openThroughShell(const std::string& address);

    AboutBox& box_;
    bool loaded_ = false;
};

}  // namespace talvoro
