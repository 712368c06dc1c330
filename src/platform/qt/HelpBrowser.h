#pragma once
// The help viewer's browser, a Chromium web view (QtWebEngine), lives in a module of its own
// that the program loads on the first Help: Chromium's libraries would otherwise double the
// basket's start-up time and memory.

class QWidget;

namespace talvoro::qt {

inline constexpr const char* kHelpModuleFile = "libtalvoro-help.so";
inline constexpr const char* kHelpCreateSymbol = "talvoro_help_create";
inline constexpr const char* kHelpNavigateSymbol = "talvoro_help_navigate";

// Makes the browser as a child of `parent`; nullptr when it cannot be made.
using HelpCreate = QWidget* (*)(QWidget* parent);
// Shows the local file at `path` (UTF-8) in a browser that HelpCreate made.
using HelpNavigate = void (*)(QWidget* browser, const char* path);

}  // namespace talvoro::qt
