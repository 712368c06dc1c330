#pragma once
// The Linux edition's help viewer: a window whose whole client area is a Chromium web view,
// which shows the MHTML manual from its local file.

#include <QPointer>
#include <QWidget>

#include "platform/HelpViewer.h"

namespace talvoro::qt {

// Settles what the browser needs before the application object exists: shared GL contexts, and
// no sandbox for root, whom Chromium refuses to sandbox (the viewer shows only our own manual,
// with scripts off and links out handed to the user's browser).
void prepareHelpViewer();

class QtHelpViewer : public HelpViewer {
public:
    bool helpLoaded() override { return !window_.isNull(); }
    void loadHelp(const FormDesign& design) override;
    void navigate2(const std::string& path) override;
    void showHelp() override;

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> browser_;
};

}  // namespace talvoro::qt
