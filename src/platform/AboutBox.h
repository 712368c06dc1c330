#pragma once
// The About box.

namespace talvoro {

class AboutBox {
public:
    virtual ~AboutBox() = default;
};

}  // namespace talvoro
