#pragma once
// The speech engine object, `Voice`: made at start-up, released at unload, and released at once,
// empty for the rest of the run, when no voice is installed. Using it while it is empty fails
// with error 91, which each handler treats by its own policy.

#include <memory>

#include "base/AppError.h"
#include "speech/SpeechEngine.h"

namespace talvoro {

class EngineSlot {
public:
    // Throws what the factory throws when the engine cannot be made; the slot then stays empty.
    void make(const SpeechEngineFactory& create, SpeechEvents& events) { engine_ = create(events); }
    void release() { engine_.reset(); }
    bool empty() const { return !engine_; }

    SpeechEngine& operator*() const {
        if (!engine_) throw AppError(kErrObjectNotSet, "对象变量或 With 块变量未设置");
        return *engine_;
    }
    SpeechEngine* operator->() const { return &**this; }

private:
    std::unique_ptr<SpeechEngine> engine_;
};

}  // namespace talvoro
