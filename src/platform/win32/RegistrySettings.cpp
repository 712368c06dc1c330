#include "platform/win32/RegistrySettings.h"

#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::wstring keyPath(const std::string& app, const std::string& section) {
    return L"Software\\" + utf8ToWide(app) + L"\\" + utf8ToWide(section);
}

}  // namespace

std::string RegistrySettings::getSetting(const std::string& app, const std::string& section,
                                         const std::string& key, const std::string& fallback) {
    RegistryKey opened;
    if (RegOpenKeyExW(root_, keyPath(app, section).c_str(), 0, KEY_QUERY_VALUE, opened.out()) !=
        ERROR_SUCCESS)
        return fallback;
    const std::wstring name = utf8ToWide(key);

    // The value may change between asking for its size and reading it; try again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, bytes = 0;
        if (RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS)
            return fallback;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return fallback;
        std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        const LONG status = RegQueryValueExW(opened.get(), name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(value.data()), &got);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return fallback;
        // Stored strings need not end in NUL, and may carry more than one.
        value.resize(got / sizeof(wchar_t));
        if (const auto nul = value.find(L'\0'); nul != std::wstring::npos) value.resize(nul);
        return wideToUtf8(value);
    }
    return fallback;
}

void RegistrySettings::saveSetting(const std::string& app, const std::string& section,
                                   const std::string& key, const std::string& value) {
    RegistryKey created;
    LONG status =
        RegCreateKeyExW(root_, keyPath(app, section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, created.out(), nullptr);
    if (status != ERROR_SUCCESS) throw win32Error(static_cast<DWORD>(status));
    const std::wstring data = utf8ToWide(value);
    status = RegSetValueExW(created.get(), utf8ToWide(key).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) throw win32Error(static_cast<DWORD>(status));
}

}  // namespace talvoro::win32
