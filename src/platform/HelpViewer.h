#pragma once
// The help window that shows the user manual.

namespace talvoro {

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
};

}  // namespace talvoro
