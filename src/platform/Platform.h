#pragma once
// Everything the core asks of a platform, one interface per concern.

#include "platform/AboutBox.h"
#include "platform/Clipboard.h"
#include "platform/FileServices.h"
#include "platform/HelpViewer.h"
#include "platform/MenuPresenter.h"
#include "base/MessageBoxes.h"
#include "platform/SettingsStore.h"
#include "platform/SystemServices.h"
#include "platform/UiThread.h"
#include "platform/WindowManager.h"

namespace talvoro {

struct Platform {
    WindowManager& windows;
    MenuPresenter& menus;
    MessageBoxes& messages;
    Clipboard& clipboard;
    SettingsStore& settings;
    UiThread& ui;
    FileServices& files;
    HelpViewer& help;
    AboutBox& about;
    SystemServices& system;
};

}  // namespace talvoro
