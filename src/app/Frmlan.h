#pragma once
// The basket window's behaviour: start-up and shut-down, the picture's mouse handlers, the
// command menu and the reading state. The platform adapter turns window-system events into calls
// of these handlers and carries out the platform calls they make.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/MenuTree.h"
#include "intake/SharedText.h"
#include "docs/Frmabout.h"
#include "platform/DataObject.h"
#include "platform/Platform.h"
#include "speech/SpeechEngine.h"

namespace talvoro {

inline constexpr const char* kAppTitle = "Talvoro";
inline constexpr int kButtonLeft = 1;
inline constexpr int kButtonRight = 2;
inline constexpr int kButtonMiddle = 4;

class Frmlan : public SpeechEvents {
public:
    // `provision` is the speech runtime provisioning run as the first start-up step; it never
    // throws.
    Frmlan(Platform& platform, SpeechEngineFactory createEngine, std::function<void()> provision);
    ~Frmlan() override;

    // Window life.
    void Form_Load();
    void Form_Unload();

    // Mouse events of the basket picture; x and y in twips relative to the picture.
    void Picture1_MouseDown(int button, int shift, float x, float y);
    void Picture1_MouseMove(int button, int shift, float x, float y);
    void Picture1_MouseUp(int button, int shift, float x, float y);

    // A drop on the basket picture and a drag passing over it; x and y in twips relative to the
    // picture. The effect is left as the platform proposed it.
    void Picture1_OLEDragDrop(DataObject& Data, std::int32_t& Effect, int Button, int Shift,
                              float X, float Y);
    void Picture1_OLEDragOver(DataObject& Data, std::int32_t& Effect, int Button, int Shift,
                              float X, float Y, int State);

    // Runs the click handler of a menu item.
    void menuClick(const MenuItemId& item);
    void mnuexit_Click();
    void mnuhelp_Click();
    void mnuabout_Click();

    // Reading control.
    void SetReadingState(bool Reading, bool Paused);
    void mnuvoice_Click();  // read
    void mnustop_Click();
    void mnupause_Click();
    void Voice_StartStream() override;
    void Voice_EndStream() override;

    // Voice, rate and volume.
    void mnumru_Click(int Index);
    void mnuys_Click(int Index);
    void mnuyl_Click(int Index);

    // Text intake.
    void TakeInText(std::string text);
    void mnuadddata_Click();
    void mnutd_Click();
    void mnudeleteall_Click();
    void mnupales_Click();

    // Opening and saving text files.
    void mnuopen_Click();
    void mnusave_Click();

    const MenuTree& menu() const { return menu_; }
    const std::string& textBuffer() const { return TextBuffer.str(); }
    bool isReading() const { return IsReading; }
    bool isPaused() const { return IsPaused; }
    std::int32_t speakFlags() const { return SpeakFlags; }
    bool hasEngine() const { return Voice != nullptr; }
    const CommonDialog& commonDialog() const { return ComDlg; }
    const Frmabout& aboutBox() const { return about_; }

private:
    void startUpSequence();
    void listVoices();
    void bringOntoScreen();
    SpeechEngine& engine();
    void toggleCheck(const char* name);
    void captureWhileOverPicture(float x, float y);

    Platform& p_;
    SpeechEngineFactory createEngine_;
    std::function<void()> provision_;
    MenuTree menu_;
    std::unique_ptr<SpeechEngine> Voice;
    SharedText TextBuffer;
    bool IsReading = false;
    bool IsPaused = false;
    std::int32_t SpeakFlags = 0;
    // The one dialog of open and save; it keeps its file name between showings.
    CommonDialog ComDlg;
    // The About box lives as long as the program; its window comes and goes.
    Frmabout about_{p_.about};
};

}  // namespace talvoro
