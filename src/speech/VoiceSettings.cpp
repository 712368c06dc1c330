#include "speech/VoiceSettings.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "base/ErrorPolicy.h"

namespace talvoro {
namespace {

// A sub-menu of a step up, a step down and presets, each preset a fixed value.
struct Scale {
    MenuName items;
    int lastItem;
    int step, low, high;
    int presets[6];  // values of items 4 up to lastItem
};

constexpr Scale kRate{MenuName::mnuys, 9, 1, kRateMin, kRateMax, {-8, -4, 0, 5, 7, 9}};
constexpr Scale kVolume{MenuName::mnuyl, 8, 5, kVolumeMin, kVolumeMax, {10, 30, 50, 75, 100, 0}};
constexpr int kStartRate = 5;
constexpr int kStartVolume = 100;

// Applies item `k` of a scale to the engine value read and written by `get` and `set`, then
// ticks the preset that matches the new value.
template <typename Get, typename Set>
void chooseOnScale(MenuTree& menu, const Scale& scale, int k, Get get, Set set) {
    if (k == 1 || k == 2) {
        const int current = static_cast<std::int16_t>(get());
        set(std::clamp(current + (k == 1 ? scale.step : -scale.step), scale.low, scale.high));
    } else if (k >= 4 && k <= scale.lastItem) {
        set(scale.presets[k - 4]);
    }
    for (int i = 1; i <= scale.lastItem; ++i) menu.item(scale.items, i).checked = false;
    if (k >= 4 && k <= scale.lastItem) menu.item(scale.items, k).checked = true;
    if (k == 1 || k == 2) {
        const int now = get();
        for (int i = 4; i <= scale.lastItem; ++i)
            if (scale.presets[i - 4] == now) menu.item(scale.items, i).checked = true;
    }
}

}  // namespace

VoiceSettings::VoiceSettings(MenuTree& menu, EngineSlot& voice) : menu_(menu), Voice(voice) {}

int VoiceSettings::listVoices() {
    std::int16_t n = 0;
    if (Voice->GetVoices("", "").size() < 1) {
        Voice.release();
        return 0;
    }
    for (const VoiceToken& token : Voice->GetVoices("", "")) {
        if (n == std::numeric_limits<std::int16_t>::max()) throw AppError(kErrOverflow, "溢出");
        ++n;
        menu_.loadElement(MenuName::mnumru, n);
        const std::string caption = Voice->GetDescription(token, 0);
        MenuItem& element = menu_.item(MenuName::mnumru, n);
        element.caption = caption;
        element.visible = true;
        element.checked = n == 1;
    }
    return n;
}

void VoiceSettings::offer() {
    menu_.item(MenuName::mnuvoicetype).enabled = true;
    menu_.item(MenuName::mnuyst).enabled = true;
    menu_.item(MenuName::mnuylT).enabled = true;
    menu_.item(MenuName::mnumru, 0).visible = false;
    Voice->SetRate(kStartRate);
    Voice->SetVolume(kStartVolume);
}

void VoiceSettings::chooseVoice(int Index) {
    withSilentEnd([&] {
        if (menu_.item(MenuName::mnumru, Index).checked) return;
        for (int i = 1; i <= menu_.upperBound(MenuName::mnumru); ++i)
            menu_.item(MenuName::mnumru, i).checked = false;
        menu_.item(MenuName::mnumru, Index).checked = true;
        const VoiceCollection voices = Voice->GetVoices("", "");
        const auto position = static_cast<std::size_t>(Index - 1);
        if (Index < 1 || position >= voices.size()) throw AppError(kErrSubscript, "下标越界");
        Voice->SetVoice(voices[position]);
    });
}

void VoiceSettings::chooseRate(int Index) {
    withSilentEnd([&] {
        chooseOnScale(
            menu_, kRate, Index, [&] { return Voice->Rate(); }, [&](int v) { Voice->SetRate(v); });
    });
}

void VoiceSettings::chooseVolume(int Index) {
    withSilentEnd([&] {
        chooseOnScale(
            menu_, kVolume, Index, [&] { return Voice->Volume(); },
            [&](int v) { Voice->SetVolume(v); });
    });
}

}  // namespace talvoro
