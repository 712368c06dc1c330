#pragma once
// The per-user settings store: string values addressed by application, section and key.

#include <string>

namespace talvoro {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored value, or `fallback` when the key is missing.
    virtual std::string getSetting(const std::string& app, const std::string& section,
                                   const std::string& key, const std::string& fallback) = 0;
    // Throws AppError when the store cannot be written.
    virtual void saveSetting(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& value) = 0;
};

}  // namespace talvoro
