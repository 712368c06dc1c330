#include "intake/HeldDrops.h"

namespace talvoro {

void HeldDrops::handOver(const std::function<void(HeldDrop&)>& handler) {
    while (!drops_.empty()) {
        HeldDrop drop = std::move(drops_.front());
        drops_.pop_front();
        handler(drop);
    }
}

}  // namespace talvoro
