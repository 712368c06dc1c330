#pragma once
// The per-user settings store in the registry: HKEY_CURRENT_USER\Software\<app>\<section>,
// one REG_SZ value per key.

#include <windows.h>

#include "platform/SettingsStore.h"

namespace talvoro::win32 {

class RegistrySettings : public SettingsStore {
public:
    // `root` is HKEY_CURRENT_USER for the program; tests point it elsewhere.
    explicit RegistrySettings(HKEY root = HKEY_CURRENT_USER) : root_(root) {}

    std::string getSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& fallback) override;
    void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;

private:
    HKEY root_;
};

}  // namespace talvoro::win32
