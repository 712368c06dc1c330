// Choosing the voice, the speaking rate and the volume from their sub-menus.

#include <algorithm>
#include <cstdint>

#include "app/AppError.h"
#include "app/ErrorPolicy.h"
#include "app/Frmlan.h"

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

}  // namespace

void Frmlan::mnumru_Click(int Index) {
    withSilentEnd([&] {
        if (menu_.item(MenuName::mnumru, Index).checked) return;
        for (int i = 1; i <= menu_.upperBound(MenuName::mnumru); ++i) menu_.item(MenuName::mnumru, i).checked = false;
        menu_.item(MenuName::mnumru, Index).checked = true;
        const VoiceCollection voices = engine().GetVoices("", "");
        const auto position = static_cast<std::size_t>(Index - 1);
        if (Index < 1 || position >= voices.size()) throw AppError(kErrSubscript, "下标越界");
        engine().SetVoice(voices[position]);
    });
}

namespace {

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

void Frmlan::mnuys_Click(int Index) {
    withSilentEnd([&] {
        chooseOnScale(
            menu_, kRate, Index, [&] { return engine().Rate(); },
            [&](int v) { engine().SetRate(v); });
    });
}

void Frmlan::mnuyl_Click(int Index) {
    withSilentEnd([&] {
        chooseOnScale(
            menu_, kVolume, Index, [&] { return engine().Volume(); },
            [&](int v) { engine().SetVolume(v); });
    });
}

}  // namespace talvoro
