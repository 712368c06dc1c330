#pragma once
// The basket window `Frmlan`, the façade of the program's behaviour: it keeps the handler names
// the window system's events are turned into, and composes the parts that hold the state: the
// command menu, the speech engine object, the reading state, the voice, rate and volume menus,
// the text buffer with its options, the text files, the basket's place and the About box.

#include <cstdint>
#include <functional>
#include <string>

#include "app/CommandMenu.h"
#include "app/Placement.h"
#include "docs/Frmabout.h"
#include "intake/TextBuffer.h"
#include "intake/TextFiles.h"
#include "platform/DataObject.h"
#include "platform/Platform.h"
#include "speech/EngineSlot.h"
#include "speech/ReadingControl.h"
#include "speech/SpeechEngine.h"
#include "speech/VoiceSettings.h"
#include "ui/MenuTree.h"
#include "ui/Mouse.h"

namespace talvoro {

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
    void SetReadingState(bool Reading, bool Paused) { reading_.SetReadingState(Reading, Paused); }
    void mnuvoice_Click() { reading_.read(buffer_.text().share()); }
    void mnustop_Click() { reading_.stop(); }
    void mnupause_Click() { reading_.pauseOrContinue(); }
    void Voice_StartStream() override { reading_.streamStarted(); }
    void Voice_EndStream() override { reading_.streamEnded(); }

    // Voice, rate and volume.
    void mnumru_Click(int Index) { voices_.chooseVoice(Index); }
    void mnuys_Click(int Index) { voices_.chooseRate(Index); }
    void mnuyl_Click(int Index) { voices_.chooseVolume(Index); }

    // Text intake.
    void TakeInText(std::string text);
    void mnuadddata_Click() { buffer_.toggleAppend(); }
    void mnutd_Click() { buffer_.toggleAutomatic(); }
    void mnudeleteall_Click() { buffer_.clear(); }
    void mnupales_Click();

    // Opening and saving text files.
    void mnuopen_Click();
    void mnusave_Click();

    // The parts, read-only: what they hold is what the basket shows.
    const MenuTree& menu() const { return menu_; }
    const TextBuffer& buffer() const { return buffer_; }
    const ReadingControl& reading() const { return reading_; }
    const EngineSlot& voice() const { return Voice; }
    const TextFiles& files() const { return files_; }
    const Frmabout& about() const { return about_; }

private:
    void startUpSequence();
    void captureWhileOverPicture(float x, float y);

    Platform& p_;
    SpeechEngineFactory createEngine_;
    std::function<void()> provision_;
    MenuTree menu_{designedCommandMenu()};
    EngineSlot Voice;
    ReadingControl reading_{menu_, Voice, p_.messages};
    VoiceSettings voices_{menu_, Voice};
    TextBuffer buffer_{menu_};
    TextFiles files_{p_.files};
    Placement placement_{p_.windows, p_.settings};
    // The About box lives as long as the program; its window comes and goes.
    Frmabout about_{p_.about};
};

}  // namespace talvoro
